// SPDX-License-Identifier: MIT
// The WebAssembly module itself: standalone (no imports, so no JavaScript glue), the exports a
// host needs, a memory that cannot grow, and small enough for a page to load at once.
import assert from 'node:assert/strict';
import { existsSync, readFileSync } from 'node:fs';
import { basename, dirname, join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { gzipSync } from 'node:zlib';

const packaged = fileURLToPath(new URL('../../js/TamselCalculatorHealth.wasm', import.meta.url));
// CTest names the module the build made; by hand, the copy in the package is checked.
const built = process.env.TAMSEL_WASM_MODULE ?? packaged;
const bytes = readFileSync(built);
const module = new WebAssembly.Module(bytes);

// The limits of the module's memory, from its memory section (id 5): one memory, whose limits
// are a flag byte, the initial page count and, when the flag has bit 0, the maximum.
function memoryLimits(wasm) {
  let at = 8;
  const leb = () => {
    let value = 0;
    for (let shift = 0; ; shift += 7) {
      const byte = wasm[at++];
      value += (byte & 0x7f) * 2 ** shift;
      if (byte < 0x80) return value;
    }
  };
  while (at < wasm.length) {
    const id = wasm[at++];
    const size = leb();
    if (id === 5) {
      assert.equal(leb(), 1, 'one memory');
      const flags = leb();
      const initial = leb();
      return { initial, maximum: flags & 1 ? leb() : undefined };
    }
    at += size;
  }
  return undefined;
}

test('imports nothing', () => {
  assert.deepEqual(WebAssembly.Module.imports(module), []);
});

test('exports CalcHealth, its input buffer, its answer in parts, the review, the core\'s calls and their places, and its memory, besides the runtime of emscripten', () => {
  const exports = Object.fromEntries(WebAssembly.Module.exports(module).map(({ name, kind }) => [name, kind]));
  const core = ['tamsel_formula_info', 'tamsel_category_limit', 'tamsel_category_name', 'tamsel_category_source',
    'tamsel_category_note', 'tamsel_kind_name', 'tamsel_evaluate', 'tamsel_evaluate_columns', 'tamsel_warning_text',
    'tamsel_result_digits', 'tamsel_sex_code'];
  const functions = ['CalcHealth', 'CalcHealthInput', 'CalcHealthText', 'CalcHealthRecord', 'TamselPlaces', 'TamselColumnChunk', ...core];
  for (const name of functions) assert.equal(exports[name], 'function', name);
  assert.equal(exports.memory, 'memory');
  const runtime = ['_initialize', '__indirect_function_table', 'stackSave', 'stackRestore', 'stackAlloc'];
  const others = Object.keys(exports).filter((name) => ![...functions, 'memory', ...runtime].includes(name));
  assert.deepEqual(others, []);
});

test('the memory cannot grow', () => {
  const limits = memoryLimits(bytes);
  assert.ok(limits, 'the module defines its memory');
  assert.equal(limits.maximum, limits.initial);
  const { exports } = new WebAssembly.Instance(module, {});
  assert.throws(() => exports.memory.grow(1), RangeError);
});

test('answers with an empty import object', () => {
  const { exports } = new WebAssembly.Instance(module, {});
  exports._initialize?.();
  const units = new Uint16Array(exports.memory.buffer);
  const input = exports.CalcHealthInput() >>> 1;
  const request = 'bmi 70 1.75';
  for (let index = 0; index < request.length; ++index) units[input + index] = request.charCodeAt(index);
  units[input + request.length] = 0;
  const answer = exports.CalcHealth(input * 2) >>> 1;
  const end = units.indexOf(0, answer);
  assert.equal(String.fromCharCode(...units.subarray(answer, end)), 'BMI: 22.86');
  assert.equal(exports.CalcHealth(0) >>> 1, answer, 'a null command line, the same result text');
  // The review's summary: the kind, then the text's address and size, ..., the category's address.
  const summary = exports.CalcHealthRecord(input * 2) >>> 2;
  const words = new Uint32Array(exports.memory.buffer);
  const bytes = new Uint8Array(exports.memory.buffer);
  const text = (at, size = bytes.indexOf(0, at) - at) => new TextDecoder().decode(bytes.subarray(at, at + size));
  assert.equal(words[summary], 0, 'a result');
  assert.equal(text(words[summary + 1], words[summary + 2]), 'BMI: 22.86');
  assert.equal(text(words[summary + 6]), 'Normal range');
});

// CalcHealthText gives the answer's length, and a lone result line's format and number, so that
// JavaScript joins strings instead of reading every unit: each must describe the answer exactly.
test('the answer in parts describes the answer CalcHealth gives', () => {
  const { exports } = new WebAssembly.Instance(module, {});
  exports._initialize?.();
  const units = new Uint16Array(exports.memory.buffer);
  const words = new Uint32Array(exports.memory.buffer);
  const input = exports.CalcHealthInput() >>> 1;
  const text = (at, count) => String.fromCharCode(...units.subarray(at, at + count));
  const requests = ['bmi 70 1.75', 'BMI 70 1.75', 'bmr_harris M 80 180 30', 'bodyfat_navy F 75 33 165 100', 'bsa 70 175',
    'max_hr 30', 'bp_category 150 85', 'bmi -1e300 1e-300', 'bmi nan 1', 'bmi 70', 'x\u20ac', '', 'help', 'wthr 85 170'];
  let parted = 0;
  for (const request of requests) {
    for (let index = 0; index < request.length; ++index) units[input + index] = request.charCodeAt(index);
    units[input + request.length] = 0;
    const summary = exports.CalcHealthText(input * 2) >>> 2;
    const answer = words[summary] >>> 1;
    const end = units.indexOf(0, answer);
    const whole = text(answer, end - answer);
    assert.equal(words[summary + 5], end - answer, request);
    const format = words[summary + 1] >>> 1;
    if (format !== 0) {
      ++parted;
      const [before, digits, after] = [words[summary + 2], words[summary + 3], words[summary + 4]];
      assert.equal(before + digits + after, end - answer, request);
      assert.equal(text(format, before) + text(answer + before, digits) + text(format + before, after), whole, request);
    }
    assert.equal(exports.CalcHealth(input * 2) >>> 1, answer, request);
    assert.equal(text(answer, end - answer), whole, request);
  }
  assert.ok(parted >= 8, `${parted} answers in parts`);
});

// The module's size is written once, in docs/javascript.md: about how large it is, within what
// margin, and the limit it is held to (the library, the calculator on numbers with its review
// and the runtime, which a page loads at once, even on a slow line). The package's README gives
// the same limit and nothing else.
test('the size the documents give, and the limit they hold it to', () => {
  const doc = readFileSync(new URL('../../docs/javascript.md', import.meta.url), 'utf8');
  const stated = /module is about (\d+) KB \((\d+) KB gzipped\); the tests hold each figure to within (\d+) KB,\s+and the module to at most (\d+) KiB \((\d+) KiB gzipped\)/.exec(doc);
  assert.ok(stated, 'docs/javascript.md gives the module\'s size and its limit');
  const [size, gzipped, margin, limit, gzippedLimit] = stated.slice(1).map(Number);
  const actual = [bytes.length, gzipSync(bytes, { level: 9 }).length];
  assert.ok(actual[0] <= limit * 1024 && actual[1] <= gzippedLimit * 1024, `${actual[0]} bytes, ${actual[1]} gzipped`);
  assert.ok(Math.abs(actual[0] / 1000 - size) <= margin, `${actual[0] / 1000} KB, not about ${size}`);
  assert.ok(Math.abs(actual[1] / 1000 - gzipped) <= margin, `${actual[1] / 1000} KB gzipped, not about ${gzipped}`);
  const packageReadme = readFileSync(new URL('../../js/README.md', import.meta.url), 'utf8');
  assert.deepEqual(packageReadme.match(/\d+ Ki?B/g), [`${limit} KiB`]);
});

test('no JavaScript glue beside the module, and the package carries this very module', { skip: built === packaged && 'run by CTest, which names the built module' }, () => {
  assert.ok(!existsSync(join(dirname(built), `${basename(built, '.wasm')}.js`)));
  assert.ok(readFileSync(packaged).equals(bytes), 'js/TamselCalculatorHealth.wasm is the module just built');
});

// SPDX-License-Identifier: MIT
// The npm package as its users call it: calcHealth and ask, the requests whose reading differs
// between the two ways the library reads numbers, the input buffer's limit, and the package.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { describe, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { ask, calcHealth } from '../../js/index.js';

const packageDir = fileURLToPath(new URL('../../js/', import.meta.url));
const banner = "Tamsel Health Calculator - Command Line Medical Calculator\nUsage: program.exe [formula] [parameters...]\nUse 'help' or '-h' to see all available formulas";

// The WebAssembly build reads with strtod where native builds use from_chars; each answer here
// is the native build's. Hexadecimal, infinities, NaN payloads, out-of-range numbers, a second
// sign or white space after the sign, long digit strings, and large results written in full.
const readings = [
  ["bmi 0x10 1", "BMI: 0.00"],
  ["bmi -0x10 1", "BMI: -0.00"],
  ["bmi 0X1p4 1", "BMI: 0.00"],
  ["bmi 0x 1", "BMI: 0.00"],
  ["bmi 00000000000000000000x10 1", "BMI: 0.00"],
  ["bmi infinity 1", "BMI: inf"],
  ["bmi -Infinity 1", "BMI: -inf"],
  ["bmi infinit 1", "BMI: inf"],
  ["bmi INFx 1", "BMI: inf"],
  ["bmi in 1", "BMI: 0.00"],
  ["bmi nan(123) 1", "BMI: nan"],
  ["bmi -nan(abc_9) 1", "BMI: nan"],
  ["bmi nan( 1", "BMI: nan"],
  ["bmi NaNa 1", "BMI: nan"],
  ["bmi 1e400 1", "BMI: inf"],
  ["bmi -1e400 1", "BMI: -inf"],
  ["bmi 1e-400 1", "BMI: 0.00"],
  ["bmi -1e-400 1", "BMI: -0.00"],
  ["bmi 123456789e305 1", "BMI: inf"],
  ["bmi 1e99999999999999999999 1", "BMI: inf"],
  ["bmi 0.000001e-320 1e-200", "BMI: nan"],
  ["bmi 4e-320 1e-160", "BMI: 4.00"],
  ["bmi 2.4703282292062328e-324 1e-162", "BMI: inf"],
  ["bmi +-5 1", "BMI: 0.00"],
  ["bmi -+5 1", "BMI: 0.00"],
  ["bmi --5 1", "BMI: 0.00"],
  ["bmi ++5 1", "BMI: 0.00"],
  ["bmi +5 1", "BMI: 5.00"],
  ["bmi - 1", "BMI: 0.00"],
  ["bmi -. 1", "BMI: 0.00"],
  ["bmi -.e1 1", "BMI: 0.00"],
  ["bmi e5 1", "BMI: 0.00"],
  ["bmi 1e 1", "BMI: 1.00"],
  ["bmi 1e+ 1", "BMI: 1.00"],
  ["bmi 2E3x 1", "BMI: 2000.00"],
  ["bmi 70.00000000000000000000000001 1.75", "BMI: 22.86"],
  ["bmi 12345678901234567890123 1", "BMI: 12345678901234567741440.00"],
  ["bmi 1.7976931348623157e308 1", "BMI: 179769313486231570814527423731704356798070567525844996598917476803157260780028538760589558632766878171540458953514382464234321326889464182768467546703537516986049910576551282076245490090389328944075868508455133942304583236903222948165808559332123348274797826204144723168738177180919299881250404026184124858368.00"],
  ["bmi 1.7976931348623159e308 1", "BMI: inf"],
  ["bmi 9007199254740993 1", "BMI: 9007199254740992.00"],
  ["bmi 9007199254740993.5 1", "BMI: 9007199254740994.00"],
  ["bmi 1e23 1", "BMI: 99999999999999991611392.00"],
  ["bmi 8.98846567431158e307 0.7071067811865476", "BMI: 179769313486231550856124328384506240234343437157459335924404872448581845754556114388470639943126220321960804027157371570809852884964511743044087662767600909594331927728237078876188760579532563768698654064825262115771015791463983014857704008123419459386245141723703148097529108423358883457665451722744025579520.00"],
  ["bmi -1e300 1e-5", "BMI: -inf"],
  ["tdee 1e300 1e8", "Total Daily Energy Expenditure: 100000000000000001097906362944045541740492309677311846336810682903157585404911491537163328978494688899061249669721172515611590283743140088328307009198146046031271664502933027185697489699588559043338384466165001178426897626212945177628091195786707458122783970171784415105291802893207873272974885715430223118336.00 calories/day"],
  ["bmi 1,75 1", "BMI: 1.00"],
  ["bmi 1.5e+2 1", "BMI: 150.00"],
  ["bmi -\u000b5 1", "BMI: 0.00"],
  ["bmi -\f5 1", "BMI: 0.00"],
  ["bmi \u000b5 1", "BMI: 5.00"],
  ["bmi -\r5 1", "BMI: 0.00"],
];

describe('reading numbers', () => {
  for (const [request, answer] of readings) {
    test(JSON.stringify(request), () => assert.equal(calcHealth(request), answer));
  }
});

// One of each kind of answer, and each unit, with the kind, text, value and unit that
// `tamsel-health --json` gives; none of these has a warning.
const records = [
  ['bmi 70 1.75', { kind: 'result', text: 'BMI: 22.86', value: 22.86, unit: '' }],
  ['bodyfat_navy M 90 40 180', { kind: 'result', text: 'Body Fat Percentage (Navy Method): 18.37%', value: 18.37, unit: '%' }],
  ['bsa 70 175', { kind: 'result', text: 'Body Surface Area: 1.845 m\u00b2', value: 1.845, unit: 'm\u00b2' }],
  ['lbm M 80 180', { kind: 'result', text: 'Lean Body Mass: 61.42 kg', value: 61.42, unit: 'kg' }],
  ['max_hr 30', { kind: 'result', text: 'Maximum Heart Rate: 190 bpm', value: 190, unit: 'bpm' }],
  ['bmr_harris M 80 180 30', { kind: 'result', text: 'BMR (Harris-Benedict): 1853.63 calories/day', value: 1853.63, unit: 'calories/day' }],
  ['map 120 80', { kind: 'result', text: 'Mean Arterial Pressure: 93.3 mmHg', value: 93.3, unit: 'mmHg' }],
  ['whr 80 100', { kind: 'result', text: 'Waist-Hip Ratio: 0.800', value: 0.8, unit: '' }],
  ['bp_category 150 85', { kind: 'result', text: 'Blood Pressure Category: 3', value: 3, unit: '' }],
  ['bmi 70', { kind: 'usage', text: 'Usage: bmi [weight_kg] [height_m]', value: null, unit: '' }],
  ['bodyfat_navy M 90 40', { kind: 'usage', text: 'Usage: bodyfat_navy [M/F] [waist_cm] [neck_cm] [height_cm] [hip_cm (F only)]', value: null, unit: '' }],
  ['bodyfat_navy M 90 40 180 95', { kind: 'requirement', text: 'Male requires: waist, neck, height', value: null, unit: '' }],
  ['bodyfat_navy F 80 35 165', { kind: 'requirement', text: 'Female requires: waist, neck, height, hip', value: null, unit: '' }],
  ['foo 1 2', { kind: 'unknown', text: 'Unknown formula: foo', value: null, unit: '' }],
  ['Usage: 1', { kind: 'unknown', text: 'Unknown formula: Usage:', value: null, unit: '' }],
  ['max_hr\n30', { kind: 'unknown', text: 'Unknown formula: max_hr\n30', value: null, unit: '' }],
  ['', { kind: 'banner', text: banner, value: null, unit: '' }],
  [' \t ', { kind: 'banner', text: banner, value: null, unit: '' }],
];

// Answers that no one should act on, each with its warning in the user's words; none may carry a
// category. The numbers are the library's, unchanged.
const warned = [
  ['bodyfat_navy M 30 40 180', 'Body Fat Percentage (Navy Method): nan%', null, /waist 30 is not above neck 40/],
  ['bodyfat_navy M 40 40 180', 'Body Fat Percentage (Navy Method): -450.00%', -450, /waist 40 is not above neck 40/],
  ['ideal_devine F 100', 'Ideal Weight (Devine): -1.95 kg', -1.95, /^height 100 cm is under the 5 feet/],
  ['ideal_devine M 70', 'Ideal Weight (Devine): -24.61 kg', -24.61, /inches/],
  ['lbm F 2 275', 'Lean Body Mass: 82.28 kg', 82.28, /make a BMI of 0\.3, outside/],
  ['bmr_mifflin F 2 30 120', 'BMR (Mifflin-St Jeor): -553.50 calories/day', -553.5, /below zero/],
  ['bai 30 2.75', 'Body Adiposity Index: -11.42%', -11.42, /hip 30 cm is 0\.11 times the height/],
  ['pulse_pressure 80 120', 'Pulse Pressure: -40 mmHg', -40, /swapped\?/],
  ['map 80 120', 'Mean Arterial Pressure: 106.7 mmHg', 106.7, /swapped\?/],
  ['bp_category 80 120', 'Blood Pressure Category: 4', 4, /swapped\?/],
  ['bmi 70 175', 'BMI: 0.00', 0, /^height_m 175 .*centimetres\?$/],
  ['bmi 70,5 1,75', 'BMI: 70.00', 70, /^weight_kg "70,5" reads as 70/],
  ['bmi 70 0', 'BMI: inf', null, /^height_m 0 is outside/],
  ['bsa -70 175', 'Body Surface Area: nan m\u00b2', null, /^weight_kg -70 is outside/],
];

const fields = ['kind', 'text', 'value', 'unit', 'warnings', 'category', 'category_source', 'category_note'];

describe('ask', () => {
  for (const [request, record] of records) {
    test(JSON.stringify(request), () => {
      const answer = ask(request);
      assert.deepEqual(Object.keys(answer), fields, 'the members of the host\'s record, in its order');
      const { kind, text, value, unit, warnings } = answer;
      assert.deepEqual({ kind, text, value, unit }, record);
      assert.deepEqual(warnings, []);
    });
  }
  for (const [request, text, value, warning] of warned) {
    test(`${JSON.stringify(request)} warns`, () => {
      const answer = ask(request);
      assert.equal(answer.text, text);
      assert.ok(Object.is(answer.value, value), `value ${answer.value}`);
      assert.ok(answer.warnings.some((line) => warning.test(line)), answer.warnings.join(' | '));
      assert.equal(answer.category, null);
      assert.equal(answer.category_source, null);
      assert.equal(answer.category_note, null);
    });
  }
  test('the category of the printed value, with its source', () => {
    const category = (request) => {
      const { category: name, category_source: source, category_note: note } = ask(request);
      assert.ok(typeof source === 'string' && source.length > 10, `${request}: a source`);
      assert.ok(typeof note === 'string' && note.length > 10, `${request}: a note`);
      return name;
    };
    assert.equal(category('bmi 70 1.75'), 'Normal range');
    assert.equal(category('bp_category 150 85'), 'Hypertension, stage 2');
    // 24.996 prints as 25.00, so it is classed as 25.00 is.
    assert.notEqual(category('bmi 24.996 1'), category('bmi 24.99 1'));
    assert.equal(category('bmi 24.996 1'), category('bmi 25 1'));
    assert.equal(ask('max_hr 30').category, null, 'no published class');
    assert.equal(ask('help').category, null);
  });
  test('a negative zero keeps its sign', () => {
    const answer = ask('bmi -0 1');
    assert.equal(answer.text, 'BMI: -0.00');
    assert.ok(Object.is(answer.value, -0));
  });
  test('the listing', () => {
    const answer = ask('help');
    assert.equal(answer.kind, 'listing');
    assert.equal(answer.value, null);
    const lines = answer.text.split('\n');
    assert.equal(lines.length, 23);
    assert.equal(lines[0], 'Available Medical Calculations:');
    assert.equal(lines[3], '  bodyfat_navy [M/F] [waist] [neck] [height] [hip] - Body Fat % (Navy Method)');
  });
  // The record crosses from the module as JSON in UTF-8: quotes, backslashes, control
  // characters and text outside ASCII must come back as calcHealth gives them.
  test('the text survives the trip through JSON', () => {
    const requests = ['x"y\\z', 'a\u0001\u001f\u007f', 'caf\u00e9 \u20ac', `${'\u00e9'.repeat(1100)}`, 'x\u{1f600}',
      'bmi "70" 1.75', 'bmi \\70 1.75', 'bmi 70\u00a0 1.75', 'sex\u2028line 1'];
    for (const request of requests) assert.equal(ask(request).text, calcHealth(request), JSON.stringify(request));
    assert.ok(ask('bmi "7\u00e9\\0 1.75').warnings[0].includes('"7\u00e9\\0"'), 'a quoted token in a warning');
  });
});

// What Python's package refuses, this one refuses too: anything but text, and a NUL, which the
// library would take for the end of the request.
describe('requests that are not text', () => {
  const notText = [70, null, undefined, true, {}, ['bmi 70 1.75'], new String('bmi 70 1.75'), 70n, Symbol('bmi')];
  for (const call of [calcHealth, ask]) {
    test(`${call.name} throws TypeError`, () => {
      for (const request of notText) assert.throws(() => call(request), TypeError, String(typeof request));
      assert.throws(() => call(), TypeError);
    });
    test(`${call.name} throws RangeError for a NUL`, () => {
      assert.throws(() => call('bmi 70 1.75\u0000 2'), { name: 'RangeError', message: /index 11/ });
      assert.throws(() => call('\u0000'), RangeError);
      // A refused request leaves nothing behind.
      assert.equal(calcHealth('bmi 70 1.75'), 'BMI: 22.86');
    });
  }
});

describe('calcHealth', () => {
  test('text outside the code page', () => {
    assert.equal(calcHealth('x\u20ac\u00e9'), 'Unknown formula: x\u20ac\u00e9');
    assert.equal(calcHealth('x\u{1f600}\u4e2d'), 'Unknown formula: x??');
  });
  // The first 1023 narrow bytes count, and whether the text went on past them in the middle
  // of an argument: what lies beyond, and the units the copy into the module leaves out, never
  // change an answer.
  test('long requests', () => {
    assert.equal(calcHealth(`bmi 70${' '.repeat(3000)}1.75`), 'Usage: bmi [weight_kg] [height_m]');
    assert.equal(calcHealth(`bmi 70 1.75${' '.repeat(3000)}`), 'BMI: 22.86');
    assert.equal(calcHealth(`bmi 70 1${'0'.repeat(3000)}`), 'Usage: bmi [weight_kg] [height_m]');
    assert.equal(calcHealth(`bmi 70 ${'1'.repeat(1017)}`), 'Usage: bmi [weight_kg] [height_m]');
    assert.equal(calcHealth(`bmi 70 ${'1'.repeat(1016)}`), 'BMI: 0.00');
    assert.equal(calcHealth('k'.repeat(5000)), `Unknown formula: ${'k'.repeat(1023)}`);
    // 1023 pairs make 1023 bytes; the next pair, the 1024th byte, straddles the last unit copied.
    assert.equal(calcHealth('\u{1f600}'.repeat(1500)), `Unknown formula: ${'?'.repeat(1023)}`);
    assert.equal(calcHealth(`x${'\u{1f600}'.repeat(1500)}`), `Unknown formula: x${'?'.repeat(1022)}`);
    assert.equal(ask(`bmi 70 1.75${' '.repeat(3000)}`).category, 'Normal range');
  });
  test('answers do not depend on the request before', () => {
    const first = calcHealth('bmi 70 1.75');
    const record = ask('bmi 70 175');
    calcHealth('help');
    ask('help');
    assert.equal(calcHealth('bmi 70 1.75'), first);
    assert.deepEqual(ask('bmi 70 175'), record);
  });
});

describe('the package', () => {
  const manifest = JSON.parse(readFileSync(join(packageDir, 'package.json'), 'utf8'));
  test('name, version and module type', () => {
    assert.equal(manifest.name, 'tamsel-health');
    assert.equal(manifest.version, '1.0.0');
    assert.equal(manifest.type, 'module');
    assert.deepEqual(manifest.dependencies ?? {}, {});
  });
  test('the package says it is ESM-only and which Node.js it needs', () => {
    assert.equal(manifest.engines.node, '>=18');
    assert.equal(manifest.exports['.'].require, undefined, 'no CommonJS entry');
  });
  test('npm pack takes the module, the wrapper, the declarations, the licence and the README', () => {
    const [packed] = JSON.parse(execFileSync('npm', ['pack', '--dry-run', '--json', '--ignore-scripts'], { cwd: packageDir, encoding: 'utf8' }));
    const files = packed.files.map((file) => file.path).sort();
    assert.deepEqual(files, ['LICENSE', 'README.md', 'TamselCalculatorHealth.wasm', 'index.d.ts', 'index.js', 'package.json']);
    assert.ok(readFileSync(join(packageDir, 'LICENSE')).equals(readFileSync(join(packageDir, '..', 'LICENSE'))), 'the project\'s licence');
  });
  test('installed from its tarball, it answers under its name', () => {
    const dir = mkdtempSync(join(tmpdir(), 'tamsel-health-npm-'));
    try {
      const quiet = { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] };
      const tarball = execFileSync('npm', ['pack', '--pack-destination', dir, '--ignore-scripts'], { cwd: packageDir, ...quiet }).trim().split('\n').at(-1);
      writeFileSync(join(dir, 'package.json'), '{"name": "consumer", "private": true, "type": "module"}\n');
      execFileSync('npm', ['install', '--no-audit', '--no-fund', '--offline', join(dir, tarball)], { cwd: dir, ...quiet });
      const answer = execFileSync(process.execPath, ['--input-type=module', '-e',
        "import { ask } from 'tamsel-health'; console.log(JSON.stringify(ask('bsa 70 175')));"], { cwd: dir, ...quiet });
      assert.deepEqual(JSON.parse(answer), { kind: 'result', text: 'Body Surface Area: 1.845 m\u00b2', value: 1.845, unit: 'm\u00b2',
        warnings: [], category: null, category_source: null, category_note: null });
    } finally {
      rmSync(dir, { recursive: true, force: true });
    }
  });
  const typescript = join(packageDir, 'node_modules', 'typescript', 'bin', 'tsc');
  test('the declarations type a strict TypeScript caller', { skip: !existsSync(typescript) && 'needs `npm ci` in js/ for TypeScript' }, () => {
    const dir = mkdtempSync(join(tmpdir(), 'tamsel-health-ts-'));
    try {
      writeFileSync(join(dir, 'caller.ts'), `
import { ask, calcHealth, type Answer, type AnswerKind } from ${JSON.stringify(join(packageDir, 'index.js'))};
const text: string = calcHealth('bmi 70 1.75');
const answer: Answer = ask(text);
const kind: AnswerKind = answer.kind;
const value: number | null = answer.value;
if (answer.unit === 'm\u00b2' || kind === 'listing') console.log(value);
const warnings: readonly string[] = answer.warnings;
const category: string | null = answer.category ?? answer.category_source;
console.log(warnings.length, category?.length);
// @ts-expect-error a request is text
calcHealth(70);
// @ts-expect-error there is no such kind
const wrong: AnswerKind = 'error';
`);
      execFileSync(process.execPath, [typescript, '--noEmit', '--strict', '--target', 'es2022', '--module', 'nodenext',
        '--moduleResolution', 'nodenext', join(dir, 'caller.ts')], { encoding: 'utf8' });
    } finally {
      rmSync(dir, { recursive: true, force: true });
    }
  });
});

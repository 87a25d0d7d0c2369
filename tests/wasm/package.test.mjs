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

// One of each kind of answer, and each unit, with the record `tamsel-health --json` gives.
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
  ['map 2147483647 -2147483648', { kind: 'result', text: 'Mean Arterial Pressure: -2147483648.3 mmHg', value: -2147483648.3, unit: 'mmHg' }],
  ['bmi 70 0', { kind: 'result', text: 'BMI: inf', value: null, unit: '' }],
  ['bmi -1e400 1', { kind: 'result', text: 'BMI: -inf', value: null, unit: '' }],
  ['bai 100 0', { kind: 'result', text: 'Body Adiposity Index: inf%', value: null, unit: '%' }],
  ['bsa -70 175', { kind: 'result', text: 'Body Surface Area: nan m\u00b2', value: null, unit: 'm\u00b2' }],
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

describe('ask', () => {
  for (const [request, record] of records) {
    test(JSON.stringify(request), () => {
      const answer = ask(request);
      assert.deepEqual(answer, record);
      assert.deepEqual(Object.keys(answer), ['kind', 'text', 'value', 'unit']);
    });
  }
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
});

describe('calcHealth', () => {
  test('null and undefined are the null command line', () => {
    assert.equal(calcHealth(null), banner);
    assert.equal(calcHealth(undefined), banner);
  });
  test('a unit of zero ends the command line', () => {
    assert.equal(calcHealth('bmi 70 1.75\u0000 2'), 'BMI: 22.86');
  });
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
  });
  test('answers do not depend on the request before', () => {
    const first = calcHealth('bmi 70 1.75');
    calcHealth('help');
    assert.equal(calcHealth('bmi 70 1.75'), first);
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
  test('npm pack takes the module, the wrapper and the declarations', () => {
    const [packed] = JSON.parse(execFileSync('npm', ['pack', '--dry-run', '--json', '--ignore-scripts'], { cwd: packageDir, encoding: 'utf8' }));
    const files = packed.files.map((file) => file.path).sort();
    assert.deepEqual(files, ['TamselCalculatorHealth.wasm', 'index.d.ts', 'index.js', 'package.json']);
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
      assert.deepEqual(JSON.parse(answer), { kind: 'result', text: 'Body Surface Area: 1.845 m\u00b2', value: 1.845, unit: 'm\u00b2' });
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

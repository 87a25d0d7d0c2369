// SPDX-License-Identifier: MIT
// One record everywhere: the same 10,000 requests (realistic, implausible, wrong, and on the
// edges of the published classes), generated from a fixed seed, answered by the native host
// program's --json and by the npm package's ask(), must give identical records.
//
// The WebAssembly build cannot build the native program, so its path comes from the
// environment: TAMSEL_HOST=.../build/default/bin/tamsel-health. Without it the test is skipped,
// unless TAMSEL_REQUIRE_HOST is set (CI sets both), when it fails.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync } from 'node:fs';
import { test } from 'node:test';

import { ask } from '../../js/index.js';
import { random } from './random.mjs';

const host = process.env.TAMSEL_HOST;
const missing = !host ? 'TAMSEL_HOST, the path of a native tamsel-health' : !existsSync(host) ? host : undefined;
if (missing && process.env.TAMSEL_REQUIRE_HOST) throw new Error(`the records test needs ${missing}`);
const skip = missing && `records test skipped: needs ${missing}`;

function generate(count, seed) {
  const next = random(seed);
  const pick = (list) => list[Math.floor(next() * list.length)];
  const uniform = (low, high, decimals) => (low + next() * (high - low)).toFixed(decimals);
  const whole = (low, high) => String(low + Math.floor(next() * (high - low + 1)));
  const real = (low, high) => uniform(low, high, pick([0, 1, 1, 2]));
  const sex = () => pick(['M', 'F', 'm', 'f']);
  const pressures = () => {
    const diastolic = Number(whole(55, 105));
    return [whole(diastolic + 20, Math.min(diastolic + 80, 190)), String(diastolic)];
  };

  // Adults as health surveys measure them.
  const realistic = {
    bmi: () => [real(45, 140), uniform(1.5, 1.95, 2)],
    bodyfat_navy: () => (pick([true, false])
      ? ['M', real(75, 120), real(35, 45), real(160, 195)]
      : ['F', real(65, 110), real(29, 38), real(150, 180), real(88, 125)]),
    whr: () => [real(65, 115), real(85, 125)],
    wthr: () => [real(65, 115), real(150, 195)],
    bai: () => [real(85, 125), uniform(1.5, 1.95, 2)],
    bsa: () => [real(45, 140), real(150, 195)],
    lbm: () => [sex(), real(45, 140), real(150, 195)],
    bmr_harris: () => [sex(), real(45, 140), real(150, 195), whole(18, 80)],
    bmr_mifflin: () => [sex(), real(45, 140), real(150, 195), whole(18, 80)],
    tdee: () => [real(1200, 2500), pick(['1.2', '1.375', '1.55', '1.725', '1.9'])],
    ideal_devine: () => [sex(), real(152, 200)],
    ideal_robinson: () => [sex(), real(152, 200)],
    ideal_miller: () => [sex(), real(152, 200)],
    max_hr: () => [whole(18, 80)],
    target_hr: () => [whole(18, 80), pick([uniform(0.5, 0.85, 2), whole(50, 85)])],
    bp_category: pressures,
    map: pressures,
    pulse_pressure: pressures,
  };
  const keywords = Object.keys(realistic);

  // What people get wrong: another unit, a comma, a word, a sign, a swap, a slip of the keyboard.
  const slips = [
    (value) => String(Number(value) * 100),
    (value) => String(Number(value) / 100),
    (value) => value.replace('.', ','),
    (value) => `-${value}`,
    () => '0',
    () => pick(['abc', '70kg', 'x', '1e400', '-1e400', 'nan', 'inf', '0x10', '1e-400', '.', '+-5', '30.9']),
    (value) => `${value}${pick(['kg', 'cm', '%'])}`,
    (value) => pick(['male', 'female', 'Mujer', 'x', 'MALE', value]),
    (value) => String(Number(value) * 2.54),
    (value) => String(Math.round(Number(value) / 2.54)),
  ];
  const implausible = (args) => {
    const changed = [...args];
    const at = Math.floor(next() * changed.length);
    changed[at] = pick(slips)(changed[at]);
    if (next() < 0.2 && changed.length === 2) changed.reverse();
    return changed;
  };
  const malformed = [
    () => pick(keywords),
    () => `${pick(keywords)} 1 2 3 4 5 6 7 8 9 10`,
    () => pick(['help', '-h', '--help', '/?', 'HELP', 'foo 1 2', 'bmi70 1.75', 'caf\u00e9 70', 'x\u{1f600}', 'BMI 70 1.75']),
    () => `bodyfat_navy ${pick(['M', 'F'])} 90 40 180${pick(['', ' 95'])}`,
    () => `${pick(keywords)}\t${real(1, 200)}  ${real(1, 200)}`,
    () => `  ${pick(keywords).toUpperCase()} ${real(1, 200)} ${real(1, 200)} `,
  ];

  // The edges of every published class, where the printed value and its class must agree.
  const edges = [];
  for (const bmi of ['16', '17', '18.5', '25', '30', '35', '40']) {
    for (const delta of [-0.01, -0.005, -0.004, 0, 0.004, 0.005, 0.01]) edges.push(`bmi ${(Number(bmi) + delta).toFixed(3)} 1`);
  }
  for (const ratio of ['0.4', '0.5', '0.6']) {
    for (const delta of [-0.001, -0.0005, 0, 0.0004, 0.0005, 0.001]) edges.push(`wthr ${((Number(ratio) + delta) * 100).toFixed(2)} 100`);
  }
  for (const systolic of [119, 120, 129, 130, 139, 140, 179, 180, 181]) {
    for (const diastolic of [79, 80, 89, 90, 119, 120]) if (systolic > diastolic) edges.push(`bp_category ${systolic} ${diastolic}`);
  }

  const requests = [...edges];
  while (requests.length < count) {
    const keyword = pick(keywords);
    const draw = next();
    const args = realistic[keyword]();
    if (draw < 0.55) requests.push([keyword, ...args].join(' '));
    else if (draw < 0.9) requests.push([keyword, ...implausible(args)].join(' '));
    else requests.push(pick(malformed)());
  }
  return requests;
}

test('the host program and ask() give identical records for 10,000 requests', { skip, timeout: 120000 }, () => {
  const requests = generate(10000, 20);
  assert.equal(new Set(requests).size > 5000, true, 'the requests vary');
  // No request is blank or holds a line break, so the batch's record n is request n's.
  assert.ok(requests.every((request) => /\S/.test(request) && !/[\r\n]/.test(request)));
  const run = spawnSync(host, ['--json', '-'], { input: `${requests.join('\n')}\n`, encoding: 'utf8', maxBuffer: 1 << 28 });
  assert.ok(run.status === 0 || run.status === 2, `${host} exited with ${run.status}: ${run.stderr}`);
  const lines = run.stdout.split('\n');
  assert.equal(lines.pop(), '', 'every record ends its line');
  assert.equal(lines.length, requests.length, 'one record per request');

  const differences = [];
  let warned = 0;
  let categorized = 0;
  lines.forEach((line, index) => {
    const { line: number, request, ...record } = JSON.parse(line);
    assert.equal(number, index + 1);
    assert.equal(request, requests[index]);
    const answer = ask(requests[index]);
    if (answer.warnings.length > 0) ++warned;
    if (answer.category !== null) ++categorized;
    try {
      assert.deepEqual(answer, record);
      // deepEqual takes -0 for 0; a record keeps the printed sign.
      assert.ok(Object.is(answer.value, record.value));
    } catch {
      if (differences.length < 20) differences.push(`${JSON.stringify(requests[index])}\n  host ${line}\n  ask  ${JSON.stringify(answer)}`);
      else differences.push('');
    }
  });
  assert.equal(differences.length, 0, `${differences.length} records differ:\n${differences.filter(Boolean).join('\n')}`);
  // The mix must exercise both halves of the review.
  assert.ok(warned > 2000 && categorized > 1000, `${warned} warned, ${categorized} with a category`);
  console.log(`${requests.length} requests: ${warned} warned, ${categorized} with a category, ${requests.length - warned - categorized} neither`);
});

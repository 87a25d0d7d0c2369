#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// The round trip of the npm package (request string in, answer string out) against
// fitness-calculator@1.1.1, a JavaScript package people reach for, which computes the same
// numbers without parsing a request and formatting an answer; its numbers are turned into our
// answer texts so that both sides produce the same kind of string.
//
// One process; the cases take turns, run after run, and each figure is the median of the runs.
// Needs the wasm build (cmake --workflow --preset wasm) and `npm ci` in js/.
//   node bench/wasm_bench.mjs [--runs N] [--calls N] [--json FILE]
import { createRequire } from 'node:module';
import { writeFileSync } from 'node:fs';
import { parseArgs } from 'node:util';

const { values: options } = parseArgs({
  options: {
    runs: { type: 'string', default: '21' },
    calls: { type: 'string', default: '200000' },
    json: { type: 'string' },
  },
});
const runs = Number(options.runs);
const calls = Number(options.calls);

const { ask, calcHealth } = await import('../js/index.js');
const require = createRequire(new URL('../js/package.json', import.meta.url));
const peer = require('fitness-calculator');

// All eighteen formulas, as users type them: the mix of bench/calc_bench.cpp.
const mix = [
  'bmi 70 1.75', 'bmr_harris M 80 180 30', 'bmr_mifflin F 60 165 30', 'bodyfat_navy M 90 40 180',
  'bodyfat_navy F 75 33 165 100', 'whr 80 100', 'ideal_devine M 180', 'ideal_robinson F 165',
  'ideal_miller M 180', 'bsa 70 175', 'lbm F 60 165', 'tdee 1800 1.55', 'max_hr 30', 'target_hr 30 0.7',
  'bai 100 1.75', 'wthr 85 170', 'bp_category 150 85', 'map 120 80', 'pulse_pressure 120 80',
  'BMI 82.5 1.8',
];
// The three formulas both packages have, with the same measurements.
const shared = ['bmi 70 1.75', 'bmr_harris M 80 180 30', 'bodyfat_navy M 90 40 180'];
const peerCalls = [
  () => `BMI: ${peer.BMI(175, 70).toFixed(2)}`,
  () => `BMR (Harris-Benedict): ${peer.BMR('male', 30, 180, 80).toFixed(2)} calories/day`,
  () => `Body Fat Percentage (Navy Method): ${peer.BFP('male', 180, 80, 40, 90).toFixed(2)}%`,
];

// Each case answers `calls` requests in rotation and gives nanoseconds per call. The lengths
// of the answers (of ask's text) are summed, so that no answer can be left unmade.
let sink = 0;
function rotation(list, answer) {
  return () => {
    const start = process.hrtime.bigint();
    for (let call = 0, next = 0; call < calls; ++call) {
      sink += answer(list[next]).length;
      if (++next === list.length) next = 0;
    }
    return Number(process.hrtime.bigint() - start) / calls;
  };
}
const cases = {
  'calcHealth, mix of 20': rotation(mix, calcHealth),
  'calcHealth, bmi/bmr_harris/bodyfat_navy': rotation(shared, calcHealth),
  'ask, mix of 20': rotation(mix, (request) => ask(request).text),
  'fitness-calculator, same three as text': rotation(peerCalls, (call) => call()),
};

const times = Object.fromEntries(Object.keys(cases).map((name) => [name, []]));
for (const measure of Object.values(cases)) measure();  // warm-up: compile the hot paths
for (let run = 0; run < runs; ++run) {
  for (const [name, measure] of Object.entries(cases)) times[name].push(measure());
}
const median = (list) => {
  const sorted = [...list].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const medians = Object.fromEntries(Object.entries(times).map(([name, list]) => [name, median(list)]));

console.log(`node ${process.version}, ${runs} runs of ${calls} calls each, median ns per call:`);
for (const [name, value] of Object.entries(medians)) console.log(`  ${name.padEnd(44)} ${value.toFixed(1)}`);
const peerTime = medians['fitness-calculator, same three as text'];
const ratioShared = medians['calcHealth, bmi/bmr_harris/bodyfat_navy'] / peerTime;
const ratioMix = medians['calcHealth, mix of 20'] / peerTime;
console.log(`calcHealth / fitness-calculator: ${ratioShared.toFixed(2)} on the same three, ${ratioMix.toFixed(2)} for the mix`);
if (options.json) writeFileSync(options.json, `${JSON.stringify({ runs, calls, medians, ratioShared, ratioMix, sink }, null, 2)}\n`);

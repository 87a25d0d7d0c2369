#!/usr/bin/env node
// SPDX-License-Identifier: MIT
// BMI and its WHO category over a million people: the package's column function against the
// loop a JavaScript programmer would write instead, Math.round(w / (h * h) * 100) / 100 and the
// category by comparisons, into typed arrays of the same shape. One process; the two take turns,
// run after run, and each figure is the median of the runs. Also counts the rows where the
// loop's value is not the exactly rounded one that compute() gives.
// Needs the module in js/ (any wasm build copies it there).
//   node bench/wasm_columns_bench.mjs [--runs N] [--rows N]
import { parseArgs } from 'node:util';

import { compute } from '../js/index.js';

const { values: options } = parseArgs({
  options: { runs: { type: 'string', default: '15' }, rows: { type: 'string', default: '1000000' } },
});
const runs = Number(options.runs);
const rows = Number(options.rows);

// The people of bench/run's CSV: weights 45 to 120 kg to a tenth, heights 1.5 to 2 m to a centimetre.
let state = 7;
const next = () => {
  state = (state * 1103515245 + 12345) >>> 0;
  return state / 4294967296;
};
const weights = Float64Array.from({ length: rows }, () => Math.round((45 + 75 * next()) * 10) / 10);
const heights = Float64Array.from({ length: rows }, () => Math.round((1.5 + 0.5 * next()) * 100) / 100);

function plain(w, h) {
  const values = new Float64Array(w.length);
  const categories = new Uint8Array(w.length);
  for (let row = 0; row < w.length; ++row) {
    const bmi = Math.round(w[row] / (h[row] * h[row]) * 100) / 100;
    values[row] = bmi;
    categories[row] = bmi < 16 ? 1 : bmi < 17 ? 2 : bmi < 18.5 ? 3 : bmi < 25 ? 4 : bmi < 30 ? 5 : bmi < 35 ? 6 : bmi < 40 ? 7 : 8;
  }
  return { values, categories };
}
const column = (w, h) => compute('bmi', { weight_kg: w, height_m: h });

const cases = { 'compute(\'bmi\', columns)': column, 'plain JavaScript loop': plain };
const times = Object.fromEntries(Object.keys(cases).map((name) => [name, []]));
for (const run of Object.values(cases)) run(weights, heights);  // warm-up: compile the hot paths
for (let run = 0; run < runs; ++run) {
  for (const [name, evaluate] of Object.entries(cases)) {
    const start = process.hrtime.bigint();
    evaluate(weights, heights);
    times[name].push(Number(process.hrtime.bigint() - start) / 1e6);
  }
}
const median = (list) => {
  const sorted = [...list].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};

const ours = column(weights, heights);
const theirs = plain(weights, heights);
let values = 0;
let categories = 0;
for (let row = 0; row < rows; ++row) {
  if (ours.values[row] !== theirs.values[row]) ++values;
  if (ours.categories[row] !== theirs.categories[row]) ++categories;
}

const [columnTime, plainTime] = Object.keys(cases).map((name) => median(times[name]));
console.log(`node ${process.version}, BMI with its WHO category over ${rows} rows, median ms of ${runs} interleaved runs:`);
for (const name of Object.keys(cases)) console.log(`  ${name.padEnd(28)} ${median(times[name]).toFixed(1)}`);
console.log(`column function: ${(plainTime / columnTime).toFixed(2)} times the speed of the plain loop`);
console.log(`the plain loop's value differs from the exactly rounded one in ${values} rows, its category in ${categories}`);

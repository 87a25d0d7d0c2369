// SPDX-License-Identifier: MIT
// mulberry32: small, fast and the same in every JavaScript engine, so that the tests' random
// requests and rows are too. random(seed) gives a function of numbers in [0, 1).
export function random(seed) {
  let state = seed >>> 0;
  return () => {
    state = (state + 0x6d2b79f5) >>> 0;
    let t = state;
    t = Math.imul(t ^ (t >>> 15), t | 1);
    t ^= t + Math.imul(t ^ (t >>> 7), t | 61);
    return ((t ^ (t >>> 14)) >>> 0) / 4294967296;
  };
}

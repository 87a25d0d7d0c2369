// SPDX-License-Identifier: MIT
// The Tamsel Health Calculator library, compiled to a standalone WebAssembly module, for
// Node.js 20 and browsers. The module is instantiated once, when this file is imported; it
// needs no imports and its memory never grows.
//
// Every JavaScript realm (the page, each worker) gets its own instance, and JavaScript runs one
// call at a time in it, so the library's one-call-at-a-time contract always holds.

// The module's input buffer holds 2048 code units. The library never reads past unit 2047, and
// the first 2047 units give the same answer as the whole request, so longer requests are cut
// there and the terminator takes the last unit.
const inputUnits = 2048;
const maxRequestUnits = inputUnits - 1;

const banner = 'Tamsel Health Calculator - Command Line Medical Calculator';
const listing = 'Available Medical Calculations:';

async function instantiate() {
  const url = new URL('./TamselCalculatorHealth.wasm', import.meta.url);
  if (url.protocol === 'file:' && typeof process === 'object' && process.versions?.node) {
    const { readFile } = await import('node:fs/promises');
    return (await WebAssembly.instantiate(await readFile(url), {})).instance;
  }
  const response = await fetch(url);
  if (!response.ok) throw new Error(`tamsel-health: ${url} answered ${response.status}`);
  // Streaming compiles while the module arrives, but only from a server that says application/wasm.
  if (typeof WebAssembly.instantiateStreaming === 'function' &&
      response.headers.get('Content-Type') === 'application/wasm') {
    return (await WebAssembly.instantiateStreaming(response, {})).instance;
  }
  return (await WebAssembly.instantiate(await response.arrayBuffer(), {})).instance;
}

const { exports } = await instantiate();
if (typeof exports._initialize === 'function') exports._initialize();
const entry = exports.CalcHealth;
const fromCharCode = String.fromCharCode;
// The memory never grows, so one view of it stays valid for good.
const units = new Uint16Array(exports.memory.buffer);
const inputAt = exports.CalcHealthInput() >>> 1;

/**
 * Answers one command line, such as "bmi 70 1.75", with the library's text, such as
 * "BMI: 22.86". Lines of a multi-line answer (the banner, the listing) are separated by "\n".
 * null and undefined stand for the library's null command line, which gets the banner.
 */
export function calcHealth(request) {
  const text = request == null ? '' : String(request);
  const count = text.length < maxRequestUnits ? text.length : maxRequestUnits;
  for (let index = 0; index < count; ++index) units[inputAt + index] = text.charCodeAt(index);
  units[inputAt + count] = 0;
  let at = entry(inputAt * 2) >>> 1;
  let end = at;
  while (units[end] !== 0) ++end;
  // Sixteen units a step, as the arguments of one call: several times cheaper than
  // fromCharCode.apply over a view of the memory. The last step may read past the terminator,
  // still inside the memory, and is cut to length.
  const u = units;
  let answer = '';
  for (; at < end; at += 16) {
    const part = fromCharCode(u[at], u[at + 1], u[at + 2], u[at + 3], u[at + 4], u[at + 5], u[at + 6], u[at + 7],
      u[at + 8], u[at + 9], u[at + 10], u[at + 11], u[at + 12], u[at + 13], u[at + 14], u[at + 15]);
    answer += end - at >= 16 ? part : part.slice(0, end - at);
  }
  return answer;
}

// A result line: the label ends at the first ": ", the number follows, then the unit ("%"
// directly, the others after a space).
const resultPattern = /^(-?[0-9]+(?:\.[0-9]+)?|-?inf|nan)(.*)$/;

// Classifies one answer of the library, as `tamsel-health --json` does.
function classify(text) {
  const lineEnd = text.indexOf('\n');
  const firstLine = lineEnd < 0 ? text : text.slice(0, lineEnd);
  let kind = 'result';
  if (text.startsWith('Unknown formula: ')) kind = 'unknown';
  else if (text.startsWith('Usage: ')) kind = 'usage';
  else if (text.startsWith('Male requires: ') || text.startsWith('Female requires: ')) kind = 'requirement';
  else if (firstLine === banner) kind = 'banner';
  else if (firstLine === listing) kind = 'listing';
  if (kind !== 'result') return { kind, text, value: null, unit: '' };
  const labelEnd = firstLine.indexOf(': ');
  const match = labelEnd < 0 ? null : resultPattern.exec(firstLine.slice(labelEnd + 2));
  if (match === null) return { kind, text, value: null, unit: '' };
  const digits = match[1];
  const value = digits.endsWith('inf') || digits === 'nan' ? null : Number(digits);
  const unit = match[2].startsWith(' ') ? match[2].slice(1) : match[2];
  return { kind, text, value, unit };
}

/** Answers one command line as a record: kind, text, value and unit. */
export function ask(request) {
  return classify(calcHealth(request));
}

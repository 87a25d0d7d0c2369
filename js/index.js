// SPDX-License-Identifier: MIT
// The Tamsel Health Calculator library and its review of every answer, compiled to a standalone
// WebAssembly module, for Node.js 18 and later and for browsers. The module is instantiated once,
// when this file is imported; it needs no imports and its memory never grows.
//
// Every JavaScript realm (the page, each worker) gets its own instance, and JavaScript runs one
// call at a time in it, so the library's one-call-at-a-time contract always holds.

// The module's input buffer holds 2048 code units. The library never reads past unit 2047, and
// the first 2047 units give the same answer as the whole request, so longer requests are cut
// there and the terminator takes the last unit.
const inputUnits = 2048;
const maxRequestUnits = inputUnits - 1;

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
const textEntry = exports.CalcHealthText;
const review = exports.CalcHealthRecord;
const fromCharCode = String.fromCharCode;
// The memory never grows, so views of it stay valid for good.
const units = new Uint16Array(exports.memory.buffer);
const bytes = new Uint8Array(exports.memory.buffer);
const words = new Uint32Array(exports.memory.buffer);
const inputAt = exports.CalcHealthInput() >>> 1;
const utf8 = new TextDecoder();

// The library would read a NUL as the end of the request and answer only what comes before it,
// as if that were all the user typed; a request that is not text has no answer at all.
function checked(request) {
  if (typeof request !== 'string') {
    throw new TypeError(`tamsel-health: a request is a string, not ${request === null ? 'null' : typeof request}`);
  }
  const nul = request.indexOf('\0');
  if (nul >= 0) throw new RangeError(`tamsel-health: a request cannot hold a NUL character (one is at index ${nul})`);
  return request;
}

// Copies the request into the module's input buffer and returns the buffer's byte address.
function place(text) {
  const count = text.length < maxRequestUnits ? text.length : maxRequestUnits;
  for (let index = 0; index < count; ++index) units[inputAt + index] = text.charCodeAt(index);
  units[inputAt + count] = 0;
  return inputAt * 2;
}

/**
 * Answers one command line, such as "bmi 70 1.75", with the library's text, such as
 * "BMI: 22.86". Lines of a multi-line answer (the banner, the listing) are separated by "\n".
 * Throws TypeError for anything but a string and RangeError for a string holding a NUL.
 */
export function calcHealth(request) {
  const summary = textEntry(place(checked(request))) >>> 2;
  const at = words[summary] >>> 1;
  const format = words[summary + 1];
  if (format === 0) return unitsAt(at, words[summary + 5]);
  // One result line: its format's two parts, made once, joined around the number.
  let parts = formatParts.get(format);
  if (parts === undefined) {
    const before = words[summary + 2];
    parts = [unitsAt(format >>> 1, before), unitsAt((format >>> 1) + before, words[summary + 4])];
    formatParts.set(format, parts);
  }
  return parts[0] + unitsAt(at + words[summary + 2], words[summary + 3]) + parts[1];
}

// The string of `count` UTF-16 units at unit address `at`. Sixteen units a step, as the
// arguments of one call: several times cheaper than fromCharCode.apply over a view of the
// memory. The last step may read past the end, still inside the memory, and is cut to length.
function unitsAt(at, count) {
  const u = units;
  // A number is a few units: as many arguments as units, with nothing to cut.
  switch (count) {
    case 0: return '';
    case 1: return fromCharCode(u[at]);
    case 2: return fromCharCode(u[at], u[at + 1]);
    case 3: return fromCharCode(u[at], u[at + 1], u[at + 2]);
    case 4: return fromCharCode(u[at], u[at + 1], u[at + 2], u[at + 3]);
    case 5: return fromCharCode(u[at], u[at + 1], u[at + 2], u[at + 3], u[at + 4]);
    case 6: return fromCharCode(u[at], u[at + 1], u[at + 2], u[at + 3], u[at + 4], u[at + 5]);
    case 7: return fromCharCode(u[at], u[at + 1], u[at + 2], u[at + 3], u[at + 4], u[at + 5], u[at + 6]);
    default: break;
  }
  const end = at + count;
  let text = '';
  for (; at < end; at += 16) {
    const part = fromCharCode(u[at], u[at + 1], u[at + 2], u[at + 3], u[at + 4], u[at + 5], u[at + 6], u[at + 7],
      u[at + 8], u[at + 9], u[at + 10], u[at + 11], u[at + 12], u[at + 13], u[at + 14], u[at + 15]);
    text += end - at >= 16 ? part : part.slice(0, end - at);
  }
  return text;
}

// A result line's format, by its address in the module: the text before the number and after.
const formatParts = new Map();

// The UTF-8 text of `size` bytes at `at`.
function textAt(at, size) {
  return utf8.decode(bytes.subarray(at, at + size));
}

// Units, categories and their sources are the module's static text: read once, by address.
const staticTexts = new Map();
function staticText(at) {
  if (at === 0) return null;
  let text = staticTexts.get(at);
  if (text === undefined) {
    text = textAt(at, bytes.indexOf(0, at) - at);
    staticTexts.set(at, text);
  }
  return text;
}

const kinds = ['result', 'usage', 'requirement', 'unknown', 'banner', 'listing'];

/**
 * Answers one command line as the record `tamsel-health --json` writes: kind, text, value, unit,
 * warnings, category and category_source. The module's own review makes it, the one the host
 * program uses, so every surface classifies, warns and names categories alike.
 */
export function ask(request) {
  // The summary's words: kind; text address and size; digits address and size; unit; category;
  // its source; warning count; each warning's address.
  const at = review(place(checked(request))) >>> 2;
  const w = words;
  const warnings = [];
  for (let index = 0; index < w[at + 8]; ++index) {
    const warning = w[at + 9 + index];
    warnings.push(textAt(warning, bytes.indexOf(0, warning) - warning));
  }
  return {
    kind: kinds[w[at]],
    text: textAt(w[at + 1], w[at + 2]),
    // The digits as printed read as JSON reads them: "-0.00" is -0.
    value: w[at + 4] === 0 ? null : Number(textAt(w[at + 3], w[at + 4])),
    unit: staticText(w[at + 5]),
    warnings,
    category: staticText(w[at + 6]),
    category_source: staticText(w[at + 7]),
  };
}

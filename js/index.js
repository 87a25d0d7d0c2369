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

// The ASCII text of `size` bytes at `at`.
function unitsOfBytes(at, size) {
  let text = '';
  for (let index = 0; index < size; ++index) text += fromCharCode(bytes[at + index]);
  return text;
}

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

/**
 * Answers one command line as the record `tamsel-health --json` writes: kind, text, value, unit,
 * warnings, category, category_source and category_note. The module's own review makes it, the
 * one the host program uses, so every surface classifies, warns and names categories alike.
 */
export function ask(request) {
  // The summary's words: kind; text address and size; digits address and size; unit; category;
  // its source; its note; warning count; each warning's address.
  const at = review(place(checked(request))) >>> 2;
  const w = words;
  const warnings = [];
  for (let index = 0; index < w[at + 9]; ++index) warnings.push(cText(w[at + 10 + index]));
  return {
    kind: kindNames[w[at]],
    text: textAt(w[at + 1], w[at + 2]),
    // The digits as printed read as JSON reads them: "-0.00" is -0.
    value: w[at + 4] === 0 ? null : Number(textAt(w[at + 3], w[at + 4])),
    unit: staticText(w[at + 5]),
    warnings,
    category: staticText(w[at + 6]),
    category_source: staticText(w[at + 7]),
    category_note: staticText(w[at + 8]),
  };
}

// --- The calculator on numbers ------------------------------------------------------------------
// The core's own calls, with the numbers in fixed places of the module's memory: no request is
// written and no answer read. Offsets and values below are those of TamselCore.h on wasm32, which
// wasm_entry.cpp holds fast with static_asserts.

const f64 = new Float64Array(exports.memory.buffer);
const i32 = new Int32Array(exports.memory.buffer);
const nanIsMissing = 1;
const imperialBit = (place) => 0x100 << place;
const sexMissing = 255;
const kindCount = 7;
const formulaCount = 18;
const argumentTypes = ['real', 'whole', 'sex'];

// The zero-terminated UTF-8 text at `at`, or null for a null pointer.
function cText(at) {
  return at === 0 ? null : textAt(at, bytes.indexOf(0, at) - at);
}

const kindNames = Object.freeze(Array.from({ length: kindCount }, (_, kind) => cText(exports.tamsel_kind_name(kind))));

// The fixed places: see TamselPlaces in wasm_entry.cpp.
const placesAt = exports.TamselPlaces() >>> 2;
const [chunkRows, chunkArguments, chunkValues, chunkWarnings, chunkSexes, chunkKinds, chunkCategories, chunkColumns,
  rowArguments, rowAt, rowText, listingAt, warningBytes] = words.subarray(placesAt, placesAt + 13);

const categoryLimit = exports.tamsel_category_limit();
// A category's name, source and note by its id, read once.
const categoryTexts = Array.from({ length: categoryLimit }, (_, category) => (category === 0 ? null : Object.freeze({
  name: cText(exports.tamsel_category_name(category)),
  source: cText(exports.tamsel_category_source(category)),
  note: cText(exports.tamsel_category_note(category)),
})));

// A formula's description from the core's table: TamselFormulaInfo and TamselArgumentInfo.
function describe(id) {
  const at = exports.tamsel_formula_info(id);
  const w = at >>> 2;
  const args = [];
  for (let place = 0; place < words[w + 7]; ++place) {
    const a = at + 32 + 80 * place;
    const aw = a >>> 2;
    const ranges = [];
    for (let span = 0; span < words[aw + 7]; ++span) ranges.push(Object.freeze({ low: f64[(a + 32) / 8 + span], high: f64[(a + 48) / 8 + span] }));
    args.push(Object.freeze({
      name: cText(words[aw]),
      type: argumentTypes[words[aw + 2]],
      unit: cText(words[aw + 3]),
      label: cText(words[aw + 4]),
      hint: cText(words[aw + 5]),
      women_only: words[aw + 6] !== 0,
      ranges: Object.freeze(ranges),
      imperial: words[aw + 16] === 0 ? null
        : Object.freeze({ name: cText(words[aw + 16]), unit: cText(words[aw + 17]), factor: f64[(a + 72) / 8] }),
    }));
  }
  const categories = [];
  for (let index = 0; index < words[w + 111]; ++index) categories.push(categoryTexts[words[w + 110] + index]);
  return Object.freeze({
    keyword: cText(words[w]),
    title: cText(words[w + 1]),
    group: cText(words[w + 2]),
    label: cText(words[w + 4]),
    unit: cText(words[w + 5]),
    decimals: i32[w + 6],
    arguments: Object.freeze(args),
    scheme: cText(words[w + 108]),
    scheme_source: cText(words[w + 109]),
    categories: Object.freeze(categories),
  });
}

// Each formula with what a call needs besides its description: its number in the core, and the
// core's id of its scheme's first category, from which the module turns ids into a column's
// codes (0 none, then the scheme's in order).
const calls = new Map();
for (const id of bytes.subarray(listingAt, listingAt + formulaCount)) {
  const formula = describe(id);
  const first = words[(exports.tamsel_formula_info(id) >>> 2) + 110];
  calls.set(formula.keyword, { id, formula, first, categoryNames: Object.freeze([null, ...formula.categories.map((c) => c.name)]) });
}

/** Every formula, as the core's table describes it, in the order of the library's listing. */
export const formulas = Object.freeze(Object.fromEntries([...calls].map(([keyword, call]) => [keyword, call.formula])));

function callOf(keyword) {
  const call = typeof keyword === 'string' ? calls.get(keyword) : undefined;
  if (call === undefined) throw new RangeError(`tamsel-health: no formula ${JSON.stringify(keyword)}; the formulas are ${[...calls.keys()].join(', ')}`);
  return call;
}

const isPlainObject = (value) => value !== null && typeof value === 'object' && Object.getPrototypeOf(value) === Object.prototype;

// The sex codes of the words the review takes without a warning, as the core reads them. The
// word goes to the module in the one row's text, which holds nothing else between calls; a word
// longer than that is no sex.
const toUtf8 = new TextEncoder();
function sexCode(value, where) {
  if (typeof value !== 'string') throw new TypeError(`tamsel-health: ${where}: the sex is "M", "F", "male" or "female", not ${describeValue(value)}`);
  const { read, written } = toUtf8.encodeInto(value, bytes.subarray(rowText, rowText + warningBytes));
  const code = read === value.length ? exports.tamsel_sex_code(rowText, written) : -1;
  if (code < 0) throw new RangeError(`tamsel-health: ${where}: the sex is "M", "F", "male" or "female", not ${JSON.stringify(value)}`);
  return code;
}

const describeValue = (value) => (value === null ? 'null' : Array.isArray(value) ? 'an array'
  : typeof value === 'string' ? JSON.stringify(value) : typeof value === 'object' ? `a ${value.constructor?.name ?? 'object'}` : typeof value);

// Which argument each of a call's names gives, and whether in its imperial unit: "weight_kg"
// and "weight_lb" both give place 0 of bmi. A name the formula does not take, the same argument
// given twice and a required one left out are the caller's mistakes, named.
function namedPlaces(call, given, what) {
  const { formula } = call;
  const found = new Array(formula.arguments.length).fill(undefined);
  for (const name of Object.keys(given)) {
    const place = formula.arguments.findIndex((argument) => argument.name === name || argument.imperial?.name === name);
    if (place < 0) {
      const names = formula.arguments.flatMap((argument) => (argument.imperial ? [argument.name, argument.imperial.name] : [argument.name]));
      throw new TypeError(`tamsel-health: ${formula.keyword} takes no ${name}; its ${what} are ${names.join(', ')}`);
    }
    if (found[place] !== undefined) throw new TypeError(`tamsel-health: ${formula.keyword}: ${found[place].name} and ${name} give the same ${what.replace(/s$/, '')}`);
    found[place] = { name, imperial: name !== formula.arguments[place].name, value: given[name] };
  }
  formula.arguments.forEach((argument, place) => {
    if (found[place] === undefined && !argument.women_only) {
      throw new TypeError(`tamsel-health: ${formula.keyword} needs ${argument.name}${argument.imperial ? ` or ${argument.imperial.name}` : ''}`);
    }
  });
  return found;
}

// The options of a positional call: whether its arguments are in imperial units.
function imperialOption(formula, options) {
  for (const key of Object.keys(options)) {
    if (key !== 'units') throw new TypeError(`tamsel-health: ${formula.keyword}: no option ${key}; the one option is units`);
  }
  const { units = 'metric' } = options;
  if (units !== 'metric' && units !== 'imperial') throw new RangeError(`tamsel-health: ${formula.keyword}: units is 'metric' or 'imperial', not ${describeValue(units)}`);
  return units === 'imperial';
}

// The options of the core's call: NaN is missing, and the arguments given in imperial units.
function optionsOf(found) {
  let options = nanIsMissing;
  found.forEach((given, place) => { if (given?.imperial) options |= imperialBit(place); });
  return options;
}

// Puts one argument of a typed call in the row's place; returns its missing bit.
function put(argument, place, value, name, keyword) {
  const at = rowArguments / 8 + place;
  f64[at] = 0;
  if (value === null || value === undefined) return 1 << place;
  if (argument.type === 'sex') {
    f64[at] = sexCode(value, `${keyword}: ${name}`);
  } else if (typeof value === 'number') {
    f64[at] = value;
  } else {
    throw new TypeError(`tamsel-health: ${keyword}: ${name} is a number, not ${describeValue(value)}`);
  }
  return 0;
}

// The sentences of the warnings `low` and `high` (bits 0 to 31 and 32 to 63) of the row whose
// arguments are in the row's place.
function sentences(id, options, low, high) {
  const list = [];
  for (let half = 0; half < 2; ++half) {
    for (let bits = half === 0 ? low : high; bits !== 0; bits &= bits - 1) {
      const bit = 31 - Math.clz32(bits & -bits) + 32 * half;
      // Cut where a record's sentence is cut.
      const size = exports.tamsel_warning_text(id, rowArguments, options, bit, rowText, warningBytes);
      list.push(textAt(rowText, size));
    }
  }
  return list;
}

// A typed call: its arguments positional (then the options), or one object of them by name.
function evaluateOne(call, given) {
  const { id, formula } = call;
  const { keyword, arguments: args } = formula;
  let options = nanIsMissing;
  let missing = 0;
  if (given.length >= 1 && isPlainObject(given[0])) {
    if (given.length > 1) throw new TypeError(`tamsel-health: ${keyword}: arguments by name name their units themselves; no other argument follows them`);
    const found = namedPlaces(call, given[0], 'arguments');
    options = optionsOf(found);
    for (let place = 0; place < args.length; ++place) {
      missing |= put(args[place], place, found[place]?.value, found[place]?.name ?? args[place].name, keyword);
    }
  } else {
    let count = given.length;
    const imperial = count > 0 && isPlainObject(given[count - 1]) && imperialOption(formula, given[--count]);
    // Every argument, but a man's hip may be left out.
    const least = args.at(-1).women_only ? args.length - 1 : args.length;
    if (count > args.length || count < least) {
      throw new TypeError(`tamsel-health: ${keyword} takes ${args.map((argument) => argument.name).join(', ')}, not ${count} argument${count === 1 ? '' : 's'}`);
    }
    for (let place = 0; place < args.length; ++place) {
      const argument = args[place];
      if (imperial && argument.imperial) options |= imperialBit(place);
      missing |= put(argument, place, place < count ? given[place] : undefined, argument.name, keyword);
    }
  }
  exports.tamsel_evaluate(id, rowArguments, missing, options, rowAt);
  const w = rowAt >>> 2;
  const category = categoryTexts[words[w + 3]];
  const value = f64[rowAt / 8];
  const warnings = words[w + 4] === 0 && words[w + 5] === 0 ? [] : sentences(id, options, words[w + 4], words[w + 5]);
  const digits = exports.tamsel_result_digits(id, rowArguments, missing, options, rowText);
  return {
    kind: kindNames[words[w + 2]],
    value: value === value ? value : null,
    // Digits, a sign and a point: ASCII, which needs no decoder.
    digits: digits === 0 ? '' : unitsOfBytes(rowText, digits),
    unit: formula.unit,
    warnings,
    category: category?.name ?? null,
    category_source: category?.source ?? null,
    category_note: category?.note ?? null,
  };
}

// One function a formula, named by its keyword: bmi(70, 1.75), bmi({ weight_lb: 154, height_in: 69 }).
const typed = Object.fromEntries([...calls].map(([keyword, call]) => {
  const evaluate = { [keyword]: (...given) => evaluateOne(call, given) }[keyword];
  return [keyword, evaluate];
}));

export const {
  bmi, bmr_harris, bmr_mifflin, bodyfat_navy, whr, ideal_devine, ideal_robinson, ideal_miller, bsa, lbm, tdee,
  max_hr, target_hr, bai, wthr, bp_category, map, pulse_pressure,
} = typed;

/**
 * Evaluates a formula over columns: { weight_kg: Float64Array, height_m: Float64Array } for bmi.
 * See index.d.ts for the columns it takes and what it returns.
 */
export function compute(keyword, columns) {
  const call = callOf(keyword);
  const { id, formula, first, categoryNames } = call;
  if (!isPlainObject(columns)) throw new TypeError(`tamsel-health: compute('${formula.keyword}', columns): the columns are an object of arrays by argument name, not ${describeValue(columns)}`);
  const found = namedPlaces(call, columns, 'columns');
  const options = optionsOf(found);
  let rows;
  const sources = formula.arguments.map((argument, place) => {
    const column = found[place]?.value;
    const name = found[place]?.name ?? argument.name;
    const source = columnSource(column, argument.type === 'sex', `${formula.keyword}: ${name}`);
    if (source.length !== undefined) {
      if (rows !== undefined && rows !== source.length) throw new RangeError(`tamsel-health: ${formula.keyword}: ${name} has ${source.length} rows, the columns before it ${rows}`);
      rows = source.length;
    }
    return source;
  });
  rows ??= 1;
  const values = new Float64Array(rows);
  const kinds = new Uint8Array(rows);
  const categories = new Uint8Array(rows);
  const warnings = new Map();
  const columnWords = chunkColumns >>> 2;
  for (let start = 0; start < rows; start += chunkRows) {
    const count = Math.min(chunkRows, rows - start);
    sources.forEach((source, place) => {
      const at = source.sex ? chunkSexes : chunkArguments + place * chunkRows * 8;
      words[columnWords + 4 * place] = source.fill(at, start, count);
      words[columnWords + 4 * place + 1] = source.length === undefined ? 0 : source.sex ? 1 : 8;
      words[columnWords + 4 * place + 2] = 0;
      words[columnWords + 4 * place + 3] = 0;
    });
    const warned = exports.TamselColumnChunk(id, count, options, first, categoryNames.length - 1);
    values.set(f64.subarray(chunkValues / 8, chunkValues / 8 + count), start);
    kinds.set(bytes.subarray(chunkKinds, chunkKinds + count), start);
    categories.set(bytes.subarray(chunkCategories, chunkCategories + count), start);
    if (warned > 0) {
      for (let row = 0, w = chunkWarnings >>> 2; row < count; ++row, w += 2) {
        if ((words[w] | words[w + 1]) === 0) continue;
        // The row's arguments as given, for the sentences.
        sources.forEach((source, place) => {
          const index = source.length === undefined ? 0 : row;
          f64[rowArguments / 8 + place] = source.sex ? bytes[chunkSexes + index] : f64[(chunkArguments + place * chunkRows * 8) / 8 + index];
        });
        warnings.set(start + row, sentences(id, options, words[w], words[w + 1]));
      }
    }
  }
  return { values, kinds, kindNames, categories, categoryNames, warnings };
}

// How a column's chunk reaches the module: `fill(at, start, count)` copies rows start to
// start + count to byte address `at` (or, for one value, that value once) and returns the
// address the core reads, 0 where every row is missing; `length` is the column's rows, undefined
// for one value that every row shares.
function columnSource(column, sex, where) {
  if (column === null || column === undefined) return { sex, length: undefined, fill: () => 0 };
  if (sex) {
    if (column instanceof Uint8Array) {
      return { sex, length: column.length, fill: (at, start, count) => { bytes.set(column.subarray(start, start + count), at); return at; } };
    }
    if (typeof column === 'string') {
      const code = sexCode(column, where);
      return { sex, length: undefined, fill: (at) => { bytes[at] = code; return at; } };
    }
    if (Array.isArray(column)) {
      return {
        sex,
        length: column.length,
        fill: (at, start, count) => {
          for (let row = 0; row < count; ++row) {
            const value = column[start + row];
            bytes[at + row] = value === null || value === undefined ? sexMissing : sexCode(value, `${where}[${start + row}]`);
          }
          return at;
        },
      };
    }
    throw new TypeError(`tamsel-health: ${where}: a column of sexes is a Uint8Array of codes (0 female, 1 male, 255 missing), an array of "M", "F", "male", "female" or null, or one such string, not ${describeValue(column)}`);
  }
  if (typeof column === 'number') {
    return { sex, length: undefined, fill: (at) => { f64[at / 8] = column; return at; } };
  }
  if (ArrayBuffer.isView(column) && !(column instanceof DataView) && !(column instanceof BigInt64Array) && !(column instanceof BigUint64Array)) {
    return { sex, length: column.length, fill: (at, start, count) => { f64.set(column.subarray(start, start + count), at / 8); return at; } };
  }
  if (Array.isArray(column)) {
    return {
      sex,
      length: column.length,
      fill: (at, start, count) => {
        for (let row = 0, to = at / 8; row < count; ++row) {
          const value = column[start + row];
          if (typeof value === 'number') f64[to + row] = value;
          else if (value === null || value === undefined) f64[to + row] = NaN;
          else throw new TypeError(`tamsel-health: ${where}[${start + row}] is a number, not ${describeValue(value)}`);
        }
        return at;
      },
    };
  }
  throw new TypeError(`tamsel-health: ${where}: a column is a typed array or an array of numbers (NaN or null where missing), or one number, not ${describeValue(column)}`);
}

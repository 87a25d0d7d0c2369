// SPDX-License-Identifier: MIT
// The calculator on numbers against the calculator on text: for every formula, random rows
// (realistic values, the edges of every range and class, other units, signed zeros, subnormals,
// infinities, huge values, whole numbers with fractions or beyond 32 bits) given to the typed
// function and, all at once, to compute() must get exactly what ask() gives the request that
// writes those numbers: the value's bits, the printed digits, the kind, the category with its
// source and note, and the warnings' sentences. Then missing values, imperial units against the
// metric call, the table against the library's own texts, and the mistakes a caller can make.
//   TAMSEL_TYPED_ROWS=N (100,000 rows a formula by default)
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { describe, test } from 'node:test';

import * as calculator from '../../js/index.js';
import { random } from './random.mjs';

const { ask, compute, formulas } = calculator;
const rowsPerFormula = Number(process.env.TAMSEL_TYPED_ROWS ?? 100000);

// Makes rows of one formula: the arguments in usage-line order, the sex as "M" or "F".
function rowMaker(formula, seed) {
  const next = random(seed);
  const pick = (list) => list[Math.floor(next() * list.length)];
  const uniform = (low, high) => low + next() * (high - low);
  const typed = (low, high) => {
    const scale = pick([1, 10, 100, 1000]);
    return Math.round(uniform(low, high) * scale) / scale;
  };
  const bits = new DataView(new ArrayBuffer(8));
  const anyBits = () => {
    bits.setUint32(0, Math.floor(next() * 2 ** 32));
    bits.setUint32(4, Math.floor(next() * 2 ** 32));
    const value = bits.getFloat64(0);
    return Number.isNaN(value) ? 0.1 : value;
  };
  const specials = [0, -0, 5e-324, -5e-324, 2.2250738585072014e-308, 1e-300, 1e300, -1e300, 1.7976931348623157e308,
    Infinity, -Infinity, 0.5, -0.5, 1e-7, 123456789012345678, 9007199254740993, 1e21, 1.5e-7];
  const nextAfter = (value, up) => {
    bits.setFloat64(0, value);
    const word = bits.getBigUint64(0);
    bits.setBigUint64(0, (value > 0) === up ? word + 1n : word - 1n);
    return bits.getFloat64(0);
  };
  const real = ({ ranges }) => {
    const { low, high } = pick(ranges);
    switch (Math.floor(next() * 20)) {
      case 0: return pick(specials);
      case 1: return anyBits();
      case 2: return uniform(-2 * high, 4 * high);
      case 3: { const edge = pick([low, high]); return pick([edge, nextAfter(edge, pick([false, true]))]); }
      case 4: return typed(low, high) * pick([100, 0.01, 2.54, 1 / 2.54, 0.45359237, 10, 0.1]);
      default: return typed(low, high);
    }
  };
  const whole = ({ ranges: [{ low, high }] }) => {
    switch (Math.floor(next() * 20)) {
      case 0: return pick(specials);
      case 1: return pick([2147483647, 2147483648, 2147483647.5, -2147483648, -2147483648.5, -2147483649, 3e9, -3e9, 1e10, 1e20, -1e20, 4294967296, 1e300]);
      case 2: return Math.round(uniform(low, high)) + uniform(-0.999, 0.999);
      case 3: return pick([low - 1, high + 1]);
      case 4: return -Math.round(uniform(0, high));
      default: return Math.round(uniform(low, high));
    }
  };
  // Results on the edges of the published classes, and ties of the printed decimals.
  const edges = {
    bmi: () => { const height = typed(1.4, 2); return [(pick([16, 17, 18.5, 25, 30, 35, 40]) + pick([-3, -2, -1, 0, 1, 2, 3]) * 0.001) * height * height, height]; },
    wthr: () => { const height = typed(140, 200); return [(pick([0.4, 0.5, 0.6]) + pick([-3, -1, 0, 1, 3]) * 0.001) * height, height]; },
    bp_category: () => [pick([119, 120, 129, 130, 139, 140, 179, 180, 181]), pick([79, 80, 89, 90, 119, 120, 121])],
    target_hr: () => [20 + Math.floor(next() * 61), 0.5],
    whr: () => [1 + Math.floor(next() * 15), pick([8, 16])],
  };
  edges.map = edges.bp_category;
  edges.pulse_pressure = edges.bp_category;
  return () => {
    if (edges[formula.keyword] && next() < 0.1) return edges[formula.keyword]();
    return formula.arguments.map((argument) => (argument.type === 'sex' ? pick(['M', 'F'])
      : argument.type === 'whole' ? whole(argument) : real(argument)));
  };
}

// The text of `value` as C++'s to_chars writes it, which a warning quotes: the shortest digits
// that read back as it, positionally or with an exponent of at least two digits, whichever is
// shorter (positionally on a tie), and a whole number positionally with its exact digits. A
// whole-number argument is always written positionally, as the library reads it with atoi.
function written(value, positional) {
  if (value === Infinity) return 'inf';
  if (value === -Infinity) return '-inf';
  const sign = value < 0 || Object.is(value, -0) ? '-' : '';
  const magnitude = Math.abs(value);
  if (magnitude === 0) return `${sign}0`;
  const [mantissa, power] = magnitude.toExponential().split('e');
  const digits = mantissa.replace('.', '');
  const exponent = Number(power) - (digits.length - 1);  // the value is digits x 10^exponent
  const point = digits.length + exponent;
  const plain = exponent > 0 ? BigInt(magnitude).toString()
    : exponent === 0 ? digits
      : point > 0 ? `${digits.slice(0, point)}.${digits.slice(point)}` : `0.${'0'.repeat(-point)}${digits}`;
  const scientific = `${digits[0]}${digits.length > 1 ? `.${digits.slice(1)}` : ''}e${Number(power) < 0 ? '-' : '+'}${String(Math.abs(Number(power))).padStart(2, '0')}`;
  return sign + (!positional && scientific.length < plain.length ? scientific : plain);
}

// The request a person would type for the row; a man gives no hip.
function requestOf(formula, row) {
  const male = formula.arguments[0].type === 'sex' && row[0] === 'M';
  const words = [formula.keyword];
  formula.arguments.forEach((argument, place) => {
    if (argument.women_only && male) return;
    words.push(argument.type === 'sex' ? row[place] : written(row[place], argument.type === 'whole'));
  });
  return words.join(' ');
}

// The digits of a result line: what stands between the label and the unit.
function digitsOf(formula, text) {
  const suffix = formula.unit === '%' ? '%' : formula.unit ? ` ${formula.unit}` : '';
  return text.slice(formula.label.length + 2, text.length - suffix.length);
}

const sameList = (a, b) => a.length === b.length && a.every((item, index) => item === b[index]);
const members = ['kind', 'value', 'digits', 'unit', 'warnings', 'category', 'category_source', 'category_note'];

// Whether a typed record is the text path's record but its text, and the digits of that text.
// Compared member by member, as deepEqual on millions of rows would take minutes.
function agrees(formula, record, answer) {
  return sameList(Object.keys(record), members) && record.kind === answer.kind && Object.is(record.value, answer.value) &&
    answer.text.startsWith(`${formula.label}: `) && record.digits === digitsOf(formula, answer.text) &&
    record.unit === answer.unit && sameList(record.warnings, answer.warnings) && record.category === answer.category &&
    record.category_source === answer.category_source && record.category_note === answer.category_note;
}

// Row `index` of a column call against the typed call's record.
const sameRow = (result, index, record) => Object.is(result.values[index], record.value ?? NaN) &&
  result.kindNames[result.kinds[index]] === record.kind && result.categoryNames[result.categories[index]] === record.category &&
  sameList(result.warnings.get(index) ?? [], record.warnings);

describe('typed calls and columns give what the text gives', () => {
  for (const formula of Object.values(formulas)) {
    test(`${formula.keyword}, ${rowsPerFormula} rows`, () => {
      const next = rowMaker(formula, 20261210 + formula.keyword.length * 131 + formula.keyword.charCodeAt(0));
      const rows = Array.from({ length: rowsPerFormula }, next);
      const typed = calculator[formula.keyword];
      const records = rows.map((row) => typed(...row));
      let warned = 0;
      let categorized = 0;
      rows.forEach((row, index) => {
        const request = requestOf(formula, row);
        const answer = ask(request);
        if (!agrees(formula, records[index], answer)) assert.fail(`${request}:\n  typed ${JSON.stringify(records[index])}\n  ask   ${JSON.stringify(answer)}`);
        if (records[index].warnings.length > 0) ++warned;
        if (records[index].category !== null) ++categorized;
      });
      // The columns: numbers in Float64Arrays, the sex in codes.
      const columns = Object.fromEntries(formula.arguments.map((argument, place) => [argument.name, argument.type === 'sex'
        ? Uint8Array.from(rows, (row) => (row[place] === 'M' ? 1 : 0)) : Float64Array.from(rows, (row) => row[place])]));
      const result = compute(formula.keyword, columns);
      rows.forEach((row, index) => {
        if (!sameRow(result, index, records[index])) {
          assert.fail(`${requestOf(formula, row)}: row ${index}: ${result.values[index]} ${result.kinds[index]} ${result.categories[index]} ${result.warnings.get(index)}\n  typed ${JSON.stringify(records[index])}`);
        }
      });
      assert.equal(result.warnings.size, warned);
      // Both halves of the review: rows that warn, and rows in every class of the scheme.
      assert.ok(warned > rowsPerFormula / 20, `${warned} rows warned`);
      if (formula.categories.length > 0) {
        assert.ok(categorized > rowsPerFormula / 10, `${categorized} rows with a category`);
        assert.equal(new Set(result.categories).size, formula.categories.length + 1, 'every class and none');
      }
    });
  }
});

// A plausible row of each formula: the middle of each argument's first range, a woman.
const middleRow = (formula) => formula.arguments.map((argument) => (argument.type === 'sex' ? 'F'
  : argument.type === 'whole' ? Math.round((argument.ranges[0].low + argument.ranges[0].high) / 2)
    : (argument.ranges[0].low + argument.ranges[0].high) / 2));

describe('missing values', () => {
  const missing = { kind: 'missing', value: null, digits: '', warnings: [], category: null, category_source: null, category_note: null };
  test('null, undefined or NaN in any argument, and no sex, give a missing row and nothing else', () => {
    for (const formula of Object.values(formulas)) {
      const typed = calculator[formula.keyword];
      formula.arguments.forEach((argument, place) => {
        for (const absent of argument.type === 'sex' ? [null, undefined] : [null, undefined, NaN]) {
          const row = middleRow(formula);
          row[place] = absent;
          const { unit, ...record } = typed(...row);
          assert.deepEqual(record, missing, `${formula.keyword}: ${argument.name} ${absent}`);
          assert.equal(unit, formula.unit);
          const columns = Object.fromEntries(formula.arguments.map((each, at) => [each.name, [row[at]]]));
          const result = compute(formula.keyword, columns);
          assert.deepEqual([result.kindNames[result.kinds[0]], result.categories[0], result.warnings.size], ['missing', 0, 0]);
          assert.ok(Number.isNaN(result.values[0]));
        }
      });
    }
  });
  test('a man\'s hip is not read, whatever it holds or lacks', () => {
    const man = calculator.bodyfat_navy('M', 90, 40, 180);
    assert.equal(man.kind, 'result');
    for (const hip of [null, NaN, 1e300, -5]) assert.deepEqual(calculator.bodyfat_navy('M', 90, 40, 180, hip), man);
    assert.deepEqual(calculator.bodyfat_navy({ sex: 'm', waist_cm: 90, neck_cm: 40, height_cm: 180 }), man);
    assert.equal(calculator.bodyfat_navy('F', 75, 33, 165).kind, 'missing', 'a woman\'s is');
    // In columns of mixed sexes, with the hip missing for everyone, left out, or only for men.
    const navy = { waist_cm: [90, 75, 90], neck_cm: [40, 33, 40], height_cm: [180, 165, 180] };
    for (const [sex, hip, kinds] of [
      [['M', 'F', 'M'], null, ['result', 'missing', 'result']],
      [new Uint8Array([1, 0, 1]), undefined, ['result', 'missing', 'result']],
      [['M', 'F', null], [NaN, 100, 100], ['result', 'result', 'missing']],
    ]) {
      const result = compute('bodyfat_navy', { sex, ...navy, ...(hip === undefined ? {} : { hip_cm: hip }) });
      assert.equal(result.values[0], man.value);
      assert.deepEqual([...result.kinds].map((kind) => result.kindNames[kind]), kinds);
    }
  });
  test('in columns: NaN and null in arrays, a sex code that is no code, a column of null', () => {
    const result = compute('lbm', { sex: new Uint8Array([1, 0, 255, 7, 1]), weight_kg: [80, null, 80, 80, 80], height_cm: Float64Array.of(180, 170, 180, 180, NaN) });
    assert.deepEqual([...result.kinds].map((kind) => result.kindNames[kind]), ['result', 'missing', 'missing', 'missing', 'missing']);
    assert.equal(result.values[0], calculator.lbm('M', 80, 180).value);
    const none = compute('bmi', { weight_kg: null, height_m: new Float64Array(3).fill(1.75) });
    assert.deepEqual([...none.kinds], [6, 6, 6]);
  });
});

describe('imperial units', () => {
  const imperialFormulas = Object.values(formulas).filter((formula) => formula.arguments.some((argument) => argument.imperial));
  test('pounds and inches by name give the metric call on the values turned metric', () => {
    for (const formula of imperialFormulas) {
      const next = rowMaker(formula, 7 + formula.keyword.length);
      const rows = Array.from({ length: 10000 }, next);
      const metricNames = formula.arguments.filter((argument) => argument.imperial).map((argument) => `${argument.name} `);
      const byName = (row, imperial) => Object.fromEntries(formula.arguments.map((argument, place) => [
        imperial && argument.imperial ? argument.imperial.name : argument.name, row[place]]));
      const result = compute(formula.keyword, Object.fromEntries(formula.arguments.map((argument, place) => [
        argument.imperial ? argument.imperial.name : argument.name, rows.map((row) => row[place])])));
      rows.forEach((row, index) => {
        const metricRow = row.map((value, place) => (formula.arguments[place].imperial ? value * formula.arguments[place].imperial.factor : value));
        const metric = calculator[formula.keyword](byName(metricRow, false));
        const imperial = calculator[formula.keyword](byName(row, true));
        const positional = calculator[formula.keyword](...row, { units: 'imperial' });
        // The same but the warnings' words; a warning about an argument names it as it was given.
        const same = Object.is(imperial.value, metric.value) && imperial.kind === metric.kind && imperial.digits === metric.digits &&
          imperial.category === metric.category && imperial.warnings.length === metric.warnings.length &&
          !imperial.warnings.some((text) => metricNames.some((name) => text.startsWith(name))) &&
          members.every((member) => member === 'warnings' || Object.is(positional[member], imperial[member])) &&
          sameList(positional.warnings, imperial.warnings) && sameRow(result, index, imperial);
        if (!same) assert.fail(`${formula.keyword} ${row.join(' ')}:\n  imperial ${JSON.stringify(imperial)}\n  metric   ${JSON.stringify(metric)}`);
      });
    }
  });
  test('a warning in pounds says what it was in kilograms', () => {
    assert.match(calculator.bmi({ weight_lb: 1600, height_m: 1.75 }).warnings[0], /^weight_lb 1600 \(725\.7 kg\) is outside/);
    assert.deepEqual(calculator.bmi(154, 69, { units: 'metric' }), calculator.bmi(154, 69));
    assert.deepEqual(calculator.tdee(1800, 1.55, { units: 'imperial' }), calculator.tdee(1800, 1.55), 'no imperial unit: as given');
  });
});

describe('the table', () => {
  test('the listing\'s formulas, groups and titles, in its order', () => {
    const lines = ask('help').text.split('\n').slice(1);
    const listed = [];
    let group;
    for (const line of lines) {
      const entry = /^ {2}(\S+) .*? - (.+)$/.exec(line);
      if (entry) listed.push({ keyword: entry[1], title: entry[2], group });
      else group = line.replace(/:$/, '');
    }
    assert.deepEqual(Object.values(formulas).map(({ keyword, title, group: name }) => ({ keyword, title, group: name })), listed);
  });
  test('each formula\'s arguments are its usage line\'s, and its unit and decimals its answer\'s', () => {
    for (const formula of Object.values(formulas)) {
      const usage = [...ask(formula.keyword).text.matchAll(/\[([^\]]+)\]/g)].map((match) => match[1]);
      assert.deepEqual(usage, formula.arguments.map((argument) => (argument.type === 'sex' ? 'M/F'
        : argument.women_only ? `${argument.name} (F only)` : argument.name)));
      const record = calculator[formula.keyword](...middleRow(formula));
      const answer = ask(requestOf(formula, middleRow(formula)));
      assert.equal(answer.unit, formula.unit);
      assert.equal(record.digits.split('.')[1]?.length ?? -1, formula.decimals === 0 ? -1 : formula.decimals, formula.keyword);
      if (formula.categories.length > 0) assert.ok(formula.categories.every(({ source }) => source === formula.scheme_source));
    }
  });
  test('each range: its ends are plausible, just past them is not', () => {
    for (const formula of Object.values(formulas)) {
      formula.arguments.forEach((argument, place) => {
        for (const { low, high } of argument.ranges) {
          const step = argument.type === 'whole' ? 1 : Math.max(Math.abs(low), Math.abs(high)) * 1e-9;
          for (const [value, outside] of [[low, false], [high, false], [low - step, true], [high + step, true]]) {
            // A value between two spans is outside both; one past the edge of the other span is not.
            const elsewhere = argument.ranges.some((span) => value >= span.low && value <= span.high);
            const row = middleRow(formula);
            row[place] = value;
            const said = calculator[formula.keyword](...row).warnings.some((text) => text.startsWith(`${argument.name} `) && text.includes(' is outside '));
            assert.equal(said, outside && !elsewhere, `${formula.keyword} ${argument.name} ${value}`);
          }
        }
      });
    }
  });
  test('frozen: a caller cannot change what every call reads', () => {
    assert.ok(Object.isFrozen(formulas) && Object.isFrozen(formulas.bmi.arguments[0].ranges[0]) && Object.isFrozen(formulas.bmi.categories));
  });
  test('a function a formula, declared with the table\'s names', () => {
    const declarations = readFileSync(new URL('../../js/index.d.ts', import.meta.url), 'utf8');
    for (const formula of Object.values(formulas)) {
      assert.equal(typeof calculator[formula.keyword], 'function', formula.keyword);
      assert.equal(calculator[formula.keyword].name, formula.keyword);
      const positional = new RegExp(`^export function ${formula.keyword}\\(([^)]*), options\\?: TypedOptions\\): Result;$`, 'm').exec(declarations);
      assert.ok(positional, `index.d.ts declares ${formula.keyword}`);
      assert.deepEqual(positional[1].split(', ').map((parameter) => parameter.split(/\??:/)[0]), formula.arguments.map((argument) => argument.name));
      const named = new RegExp(`^ {2}${formula.keyword}: ([^;]*);$`, 'ms').exec(declarations);
      const names = [...named[1].matchAll(/'(\w+)'/g)].map((match) => match[1]);
      assert.deepEqual(names.sort(), formula.arguments.flatMap((argument) => [argument.name, argument.imperial?.name ?? []].flat()).sort());
    }
  });
});

describe('what a caller can get wrong', () => {
  const mistakes = [
    [() => calculator.bmi('70', 1.75), TypeError, /weight_kg is a number, not "70"/],
    [() => calculator.bmi(70), TypeError, /takes weight_kg, height_m, not 1 argument/],
    [() => calculator.bmi(70, 1.75, 3), TypeError, /not 3 arguments/],
    [() => calculator.bmi(true, 1.75), TypeError, /boolean/],
    [() => calculator.bmi(70n, 1.75), TypeError, /bigint/],
    [() => calculator.bmi({ weight: 70, height_m: 1.75 }), TypeError, /takes no weight; its arguments are weight_kg, weight_lb, height_m, height_in/],
    [() => calculator.bmi({ weight_kg: 70, weight_lb: 154, height_m: 1.75 }), TypeError, /weight_kg and weight_lb give the same argument/],
    [() => calculator.bmi({ weight_kg: 70 }), TypeError, /needs height_m or height_in/],
    [() => calculator.bmi({ weight_kg: 70, height_m: 1.75 }, { units: 'imperial' }), TypeError, /name their units/],
    [() => calculator.bmi(70, 1.75, { units: 'si' }), RangeError, /units is 'metric' or 'imperial'/],
    [() => calculator.bmi(70, 1.75, { unit: 'imperial' }), TypeError, /no option unit/],
    [() => calculator.lbm('x', 80, 180), RangeError, /sex is "M", "F", "male" or "female", not "x"/],
    [() => calculator.lbm(1, 80, 180), TypeError, /not number/],
    [() => compute('BMI', { weight_kg: 70, height_m: 1.75 }), RangeError, /no formula "BMI"/],
    [() => compute('bmi', [[70], [1.75]]), TypeError, /object of arrays by argument name/],
    [() => compute('bmi', { weight_kg: [70, 80], height_m: [1.75] }), RangeError, /height_m has 1 rows, the columns before it 2/],
    [() => compute('bmi', { weight_kg: [70, '80'], height_m: 1.75 }), TypeError, /weight_kg\[1\] is a number, not "80"/],
    [() => compute('bmi', { weight_kg: new BigInt64Array(1), height_m: 1.75 }), TypeError, /a column is a typed array/],
    [() => compute('bmi', { weight_kg: '70', height_m: 1.75 }), TypeError, /a column is a typed array/],
    [() => compute('lbm', { sex: ['M', 'woman'], weight_kg: 80, height_cm: 180 }), RangeError, /sex\[1\]: the sex is/],
    [() => compute('lbm', { sex: [1, 0], weight_kg: 80, height_cm: 180 }), TypeError, /sex\[0\]: the sex is/],
    [() => compute('lbm', { sex: new Float64Array(2), weight_kg: 80, height_cm: 180 }), TypeError, /a column of sexes is a Uint8Array/],
  ];
  test('each is named, and leaves nothing behind', () => {
    const sound = calculator.bmi(70, 1.75);
    for (const [call, type, message] of mistakes) {
      assert.throws(call, (error) => error instanceof type && message.test(error.message) && error.message.startsWith('tamsel-health: '), String(call));
      assert.deepEqual(calculator.bmi(70, 1.75), sound);
    }
  });
  test('one value or one word stands for every row, across chunks', () => {
    const weights = Float64Array.from({ length: 10000 }, (_, index) => 40 + index / 100);
    const result = compute('bmi', { weight_kg: weights, height_m: 1.75 });
    const sexes = compute('lbm', { sex: 'female', weight_kg: weights, height_cm: 165 });
    for (const index of [0, 4095, 4096, 8191, 8192, 9999]) {
      assert.equal(result.values[index], calculator.bmi(weights[index], 1.75).value);
      assert.equal(sexes.values[index], calculator.lbm('F', weights[index], 165).value);
    }
    assert.equal(compute('max_hr', { age: 30 }).values.length, 1, 'no array: one row');
    assert.equal(compute('bmi', { weight_kg: [], height_m: 1.75 }).values.length, 0);
  });
});

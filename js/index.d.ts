// SPDX-License-Identifier: MIT
// The Tamsel Health Calculator library and its review of answers, compiled to WebAssembly.

/** How the library's answer to one request reads. A wrong request is `banner`, `usage`,
 * `requirement` or `unknown`; `result` and `listing` are answers. */
export type AnswerKind = 'result' | 'usage' | 'requirement' | 'unknown' | 'banner' | 'listing';

/** The unit of a result; `""` for the index values, the ratios and the blood-pressure category,
 * and for every other kind of answer. */
export type AnswerUnit = '' | 'kg' | '%' | 'bpm' | 'm²' | 'calories/day' | 'mmHg';

/** One answer, reviewed as `tamsel-health --json` reviews it: the same members, in its order. */
export interface Answer {
  kind: AnswerKind;
  /** The library's answer; the lines of a multi-line answer are separated by "\n". */
  text: string;
  /** For a result, the printed number (`Number` of its digits, so "-0.00" is -0); `null` when
   * it printed `inf`, `-inf` or `nan`, and for every other kind. */
  value: number | null;
  unit: AnswerUnit;
  /** Sentences about arguments and results that are probably not what the user meant, in
   * argument order, then those about the result; empty when there is nothing to say. */
  warnings: string[];
  /** The published class of the printed value, such as `"Normal range"` for a BMI; `null` for
   * formulas without one, for other kinds, and for a result with a warning. */
  category: string | null;
  /** Where the class comes from; `null` exactly when `category` is. */
  category_source: string | null;
  /** The caveats of that source: for whom it classifies and what it rests on; `null` exactly
   * when `category` is. */
  category_note: string | null;
}

/**
 * Answers one command line, a formula keyword and its arguments separated by spaces or tabs,
 * such as `"bmi 70 1.75"`, with the library's text, such as `"BMI: 22.86"`. The empty request
 * gets a short banner and `"help"` the listing of formulas. Only the first 2047 code units are
 * passed on, which never changes an answer.
 * @throws {TypeError} when the request is not a string.
 * @throws {RangeError} when it holds a NUL character.
 */
export function calcHealth(request: string): string;

/**
 * Answers one command line as the record `tamsel-health --json` writes: kind, text, value,
 * unit, warnings, category, category_source and category_note.
 * @throws {TypeError} when the request is not a string.
 * @throws {RangeError} when it holds a NUL character.
 */
export function ask(request: string): Answer;

// --- The calculator on numbers --------------------------------------------------------------

/** One plausible span of an argument's values, in its metric unit. */
export interface Range {
  low: number;
  high: number;
}

/** An argument of a formula, as the library's table describes it. */
export interface ArgumentInfo {
  /** The name a call gives it by: `"weight_kg"`, `"sex"`. */
  name: string;
  type: 'real' | 'whole' | 'sex';
  /** `"kg"`, `"m"`, `"cm"`, `"years"`, `"calories/day"`, `"mmHg"` or `""`. */
  unit: string;
  /** For people: `"Weight"`. */
  label: string;
  /** What a form adds to the unit, such as `"% of maximum heart rate, 70 or 0.7"`, or `""`. */
  hint: string;
  /** Given for women only (bodyfat_navy's hip). */
  women_only: boolean;
  /** One or two spans of plausible values; none for the sex. */
  ranges: readonly Range[];
  /** The imperial unit it may be given in instead, by this name, and what one of those is in
   * `unit`; `null` for an argument without one. */
  imperial: { name: string; unit: 'lb' | 'in'; factor: number } | null;
}

/** One published class of a formula's result. */
export interface CategoryInfo {
  name: string;
  source: string;
  note: string;
}

/** A formula, as the library's table describes it. */
export interface FormulaInfo {
  keyword: Keyword;
  /** The listing's name: `"Body Mass Index"`. */
  title: string;
  /** `"Body Composition"`, `"Metabolic Calculations"`, `"Ideal Weight"` or `"Cardiovascular"`. */
  group: string;
  /** The result line's text before the number: `"BMI"`. */
  label: string;
  unit: AnswerUnit;
  /** Printed decimals; -1 for a whole number. */
  decimals: number;
  arguments: readonly ArgumentInfo[];
  /** The published classification of the result, and its source; `null` for none. */
  scheme: string | null;
  scheme_source: string | null;
  /** Its classes in order; empty for none. */
  categories: readonly CategoryInfo[];
}

export type Keyword = 'bmi' | 'bodyfat_navy' | 'whr' | 'wthr' | 'bai' | 'bsa' | 'lbm' | 'bmr_harris' | 'bmr_mifflin' |
  'tdee' | 'ideal_devine' | 'ideal_robinson' | 'ideal_miller' | 'max_hr' | 'target_hr' | 'bp_category' | 'map' |
  'pulse_pressure';

/** Every formula, in the order of the library's listing. Frozen. */
export const formulas: { readonly [K in Keyword]: FormulaInfo };

/** A number; `null`, `undefined` or `NaN` where it is missing. */
export type Measure = number | null | undefined;
/** `"M"`, `"F"`, `"male"` or `"female"`, in either case; `null` or `undefined` where missing. */
export type Sex = string | null | undefined;

/** The answer of a typed call: the members of `ask()`'s record but the text, and the number as
 * the library prints it. */
export interface Result {
  /** `"missing"` where an argument is missing (no value, no warning, no category). */
  kind: 'result' | 'missing';
  /** The printed number, to the bit what `ask()` gives for the same numbers; `null` where the
   * library prints `inf`, `-inf` or `nan`, and for a missing row. */
  value: number | null;
  /** The number as the library prints it, such as `"22.86"`, `"-0.00"` or `"inf"`; `""` for a
   * missing row. */
  digits: string;
  unit: AnswerUnit;
  warnings: string[];
  category: string | null;
  category_source: string | null;
  category_note: string | null;
}

/** Positional arguments are in the formula's units, or with `units: 'imperial'` in pounds and
 * inches wherever an argument has an imperial unit. */
export interface TypedOptions {
  units?: 'metric' | 'imperial';
}

/** An argument by its metric name or its imperial one, not both. */
type Either<Metric extends string, Imperial extends string, V> =
  | ({ [K in Metric]: V } & { [K in Imperial]?: never })
  | ({ [K in Imperial]: V } & { [K in Metric]?: never });
type Only<Name extends string, V> = { [K in Name]: V };

/** Each formula's arguments by name, with values of type V and a sex of type S. */
export interface Arguments<V, S> {
  bmi: Either<'weight_kg', 'weight_lb', V> & Either<'height_m', 'height_in', V>;
  bodyfat_navy: Only<'sex', S> & Either<'waist_cm', 'waist_in', V> & Either<'neck_cm', 'neck_in', V> &
    Either<'height_cm', 'height_in', V> & Partial<Either<'hip_cm', 'hip_in', V>>;
  whr: Either<'waist_cm', 'waist_in', V> & Either<'hip_cm', 'hip_in', V>;
  wthr: Either<'waist_cm', 'waist_in', V> & Either<'height_cm', 'height_in', V>;
  bai: Either<'hip_cm', 'hip_in', V> & Either<'height_m', 'height_in', V>;
  bsa: Either<'weight_kg', 'weight_lb', V> & Either<'height_cm', 'height_in', V>;
  lbm: Only<'sex', S> & Either<'weight_kg', 'weight_lb', V> & Either<'height_cm', 'height_in', V>;
  bmr_harris: Only<'sex', S> & Either<'weight_kg', 'weight_lb', V> & Either<'height_cm', 'height_in', V> & Only<'age', V>;
  bmr_mifflin: Only<'sex', S> & Either<'weight_kg', 'weight_lb', V> & Either<'height_cm', 'height_in', V> & Only<'age', V>;
  tdee: Only<'bmr', V> & Only<'activity_factor', V>;
  ideal_devine: Only<'sex', S> & Either<'height_cm', 'height_in', V>;
  ideal_robinson: Only<'sex', S> & Either<'height_cm', 'height_in', V>;
  ideal_miller: Only<'sex', S> & Either<'height_cm', 'height_in', V>;
  max_hr: Only<'age', V>;
  target_hr: Only<'age', V> & Only<'intensity_percent', V>;
  bp_category: Only<'systolic', V> & Only<'diastolic', V>;
  map: Only<'systolic', V> & Only<'diastolic', V>;
  pulse_pressure: Only<'systolic', V> & Only<'diastolic', V>;
}

type Named<K extends Keyword> = Arguments<Measure, Sex>[K];

// One function a formula: its arguments in the usage line's order (then the options), or one
// object of them by name. A man's hip may be left out.
export function bmi(weight_kg: Measure, height_m: Measure, options?: TypedOptions): Result;
export function bmi(named: Named<'bmi'>): Result;
export function bodyfat_navy(sex: Sex, waist_cm: Measure, neck_cm: Measure, height_cm: Measure, hip_cm?: Measure, options?: TypedOptions): Result;
export function bodyfat_navy(named: Named<'bodyfat_navy'>): Result;
export function whr(waist_cm: Measure, hip_cm: Measure, options?: TypedOptions): Result;
export function whr(named: Named<'whr'>): Result;
export function wthr(waist_cm: Measure, height_cm: Measure, options?: TypedOptions): Result;
export function wthr(named: Named<'wthr'>): Result;
export function bai(hip_cm: Measure, height_m: Measure, options?: TypedOptions): Result;
export function bai(named: Named<'bai'>): Result;
export function bsa(weight_kg: Measure, height_cm: Measure, options?: TypedOptions): Result;
export function bsa(named: Named<'bsa'>): Result;
export function lbm(sex: Sex, weight_kg: Measure, height_cm: Measure, options?: TypedOptions): Result;
export function lbm(named: Named<'lbm'>): Result;
export function bmr_harris(sex: Sex, weight_kg: Measure, height_cm: Measure, age: Measure, options?: TypedOptions): Result;
export function bmr_harris(named: Named<'bmr_harris'>): Result;
export function bmr_mifflin(sex: Sex, weight_kg: Measure, height_cm: Measure, age: Measure, options?: TypedOptions): Result;
export function bmr_mifflin(named: Named<'bmr_mifflin'>): Result;
export function tdee(bmr: Measure, activity_factor: Measure, options?: TypedOptions): Result;
export function tdee(named: Named<'tdee'>): Result;
export function ideal_devine(sex: Sex, height_cm: Measure, options?: TypedOptions): Result;
export function ideal_devine(named: Named<'ideal_devine'>): Result;
export function ideal_robinson(sex: Sex, height_cm: Measure, options?: TypedOptions): Result;
export function ideal_robinson(named: Named<'ideal_robinson'>): Result;
export function ideal_miller(sex: Sex, height_cm: Measure, options?: TypedOptions): Result;
export function ideal_miller(named: Named<'ideal_miller'>): Result;
export function max_hr(age: Measure, options?: TypedOptions): Result;
export function max_hr(named: Named<'max_hr'>): Result;
export function target_hr(age: Measure, intensity_percent: Measure, options?: TypedOptions): Result;
export function target_hr(named: Named<'target_hr'>): Result;
export function bp_category(systolic: Measure, diastolic: Measure, options?: TypedOptions): Result;
export function bp_category(named: Named<'bp_category'>): Result;
export function map(systolic: Measure, diastolic: Measure, options?: TypedOptions): Result;
export function map(named: Named<'map'>): Result;
export function pulse_pressure(systolic: Measure, diastolic: Measure, options?: TypedOptions): Result;
export function pulse_pressure(named: Named<'pulse_pressure'>): Result;

/** A column of numbers: any typed array but the 64-bit integer ones, or an array of numbers
 * (`null` where missing); `NaN` is missing. One number, or `null`, stands for every row. */
export type Column = Exclude<ArrayBufferView, DataView | BigInt64Array | BigUint64Array> | ReadonlyArray<number | null> |
  number | null;
/** A column of sexes: a Uint8Array of codes (0 female, 1 male, any other missing), or an array of
 * the words a Sex takes (`null` where missing). One word, or `null`, stands for every row. */
export type SexColumn = Uint8Array | ReadonlyArray<string | null> | string | null;

/** The rows of a column call, one item a row. */
export interface Columns {
  /** The printed values; `NaN` where there is none (missing, inf, nan). */
  values: Float64Array;
  /** Codes of `kindNames`: 0 `"result"`, 6 `"missing"`. */
  kinds: Uint8Array;
  kindNames: readonly string[];
  /** Codes of `categoryNames`: 0 none (no scheme, a warning, a missing row), then the scheme's
   * classes in order, so that codes compare as their classes do. */
  categories: Uint8Array;
  categoryNames: readonly (string | null)[];
  /** The sentences of the rows that have warnings, by row; no entry for a row without. */
  warnings: Map<number, string[]>;
}

/**
 * Evaluates a formula over columns of the same length, each named as the typed function's
 * arguments are (metric or imperial names), through a fixed buffer in the module: no text, no
 * object a row.
 * @throws {TypeError} for a column that is not one, a name the formula does not take, an
 *   argument left out or given twice.
 * @throws {RangeError} for an unknown formula, columns of different lengths, a sex that is no
 *   word a Sex takes.
 */
export function compute<K extends Keyword>(keyword: K, columns: Arguments<Column, SexColumn>[K]): Columns;

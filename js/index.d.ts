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
 * unit, warnings, category and category_source.
 * @throws {TypeError} when the request is not a string.
 * @throws {RangeError} when it holds a NUL character.
 */
export function ask(request: string): Answer;

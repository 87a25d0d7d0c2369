/* SPDX-License-Identifier: MIT */
/*
 * The calculator on numbers: every formula of the library, evaluated from doubles instead of a
 * command line, one row or whole columns at a time, with the review of each result (warnings
 * about arguments and results that are probably not what was meant, and the published category
 * of the result). Every surface that holds numbers (Python, R, SQL, JavaScript, the program's
 * CSV columns) calls this, and the review of a text request hands its numbers to the same code,
 * so that a typed call and the request it stands for always agree, to the last bit.
 *
 * Not part of the shared library, which exports CalcHealth alone: an artifact that wants it
 * compiles the library's sources, core/ and catalog/ into itself. Nothing here allocates, keeps
 * state or reads the locale; every function may be called from any thread at any time.
 */
#ifndef TAMSEL_CORE_H
#define TAMSEL_CORE_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The formulas, numbered in the order the library compares their keywords. */
typedef enum TamselFormula {
  TAMSEL_FORMULA_BMI = 0,
  TAMSEL_FORMULA_BMR_HARRIS = 1,
  TAMSEL_FORMULA_BMR_MIFFLIN = 2,
  TAMSEL_FORMULA_BODYFAT_NAVY = 3,
  TAMSEL_FORMULA_WHR = 4,
  TAMSEL_FORMULA_IDEAL_DEVINE = 5,
  TAMSEL_FORMULA_IDEAL_ROBINSON = 6,
  TAMSEL_FORMULA_IDEAL_MILLER = 7,
  TAMSEL_FORMULA_BSA = 8,
  TAMSEL_FORMULA_LBM = 9,
  TAMSEL_FORMULA_TDEE = 10,
  TAMSEL_FORMULA_MAX_HR = 11,
  TAMSEL_FORMULA_TARGET_HR = 12,
  TAMSEL_FORMULA_BAI = 13,
  TAMSEL_FORMULA_WTHR = 14,
  TAMSEL_FORMULA_BP_CATEGORY = 15,
  TAMSEL_FORMULA_MAP = 16,
  TAMSEL_FORMULA_PULSE_PRESSURE = 17
} TamselFormula;
#define TAMSEL_FORMULA_COUNT 18

/* What an answer is. A text request gives the first six; a typed call gives a result, or
 * "missing" for a row with a missing argument. */
typedef enum TamselAnswerKind {
  TAMSEL_KIND_RESULT = 0,
  TAMSEL_KIND_USAGE = 1,
  TAMSEL_KIND_REQUIREMENT = 2,
  TAMSEL_KIND_UNKNOWN = 3,
  TAMSEL_KIND_BANNER = 4,
  TAMSEL_KIND_LISTING = 5,
  TAMSEL_KIND_MISSING = 6
} TamselAnswerKind;
#define TAMSEL_KIND_COUNT 7

/* "result", "usage", "requirement", "unknown", "banner", "listing" or "missing". */
const char *tamsel_kind_name(TamselAnswerKind kind);

/* --- The formula table --------------------------------------------------------------------- */

typedef enum TamselArgumentType {
  TAMSEL_ARGUMENT_REAL = 0,  /* read as atof reads it */
  TAMSEL_ARGUMENT_WHOLE = 1, /* read as atoi reads it: 30.9 is 30, beyond 32 bits the limit */
  TAMSEL_ARGUMENT_SEX = 2    /* a code: TAMSEL_SEX_FEMALE or TAMSEL_SEX_MALE */
} TamselArgumentType;

#define TAMSEL_SEX_FEMALE 0
#define TAMSEL_SEX_MALE 1
/* In a column of sex codes, any other code is a missing value; this one says so. */
#define TAMSEL_SEX_MISSING 255

/* The code of a sex given as a word: TAMSEL_SEX_MALE for "M" or "male", TAMSEL_SEX_FEMALE for
 * "F" or "female", in either case; -1 for any other text (and for NULL), which the library
 * itself would read as female from its first letter, and the review warns about. */
int tamsel_sex_code(const char *text, size_t size);

/* bodyfat_navy's five, the most a formula takes. */
#define TAMSEL_MAX_ARGUMENTS 5

typedef struct TamselArgumentInfo {
  const char *name;       /* as the bindings name it: "weight_kg", "sex" */
  const char *usage_name; /* as the usage line names it: "weight_kg", "M/F" */
  TamselArgumentType type;
  const char *unit;       /* "kg", "m", "cm", "years", "calories/day", "mmHg" or "" */
  const char *label;      /* for people: "Weight" */
  const char *hint;       /* what a form adds to the unit, such as "70 or 0.7", or "" */
  int women_only;         /* given for women only (bodyfat_navy's hip) */
  /* The plausible values: one or two spans, none for the sex. */
  size_t range_count;
  double low[2];
  double high[2];
  /* The imperial unit a caller may give it in instead (TAMSEL_IMPERIAL), and what one of those
   * is in `unit`: "weight_lb", "lb", 0.45359237; "height_in", "in", 2.54 or 0.0254. NULL, NULL
   * and 0 for an argument without one. */
  const char *imperial_name;
  const char *imperial_unit;
  double imperial_factor;
} TamselArgumentInfo;

typedef struct TamselFormulaInfo {
  const char *keyword;  /* "bmi" */
  const char *title;    /* the listing's name: "Body Mass Index" */
  const char *group;    /* "Body Composition", "Metabolic Calculations", "Ideal Weight" or "Cardiovascular" */
  const char *usage;    /* "Usage: bmi [weight_kg] [height_m]" */
  const char *label;    /* the result line's text before ": ": "BMI" */
  const char *unit;     /* the result's: "kg", "%", "bpm", "m\xC2\xB2", "calories/day", "mmHg" or "" */
  int decimals;         /* printed decimals; -1 for a whole number */
  size_t argument_count;
  TamselArgumentInfo arguments[TAMSEL_MAX_ARGUMENTS];
  /* The published classification of the result and where it comes from, or NULL; its
   * categories are the ids first_category to first_category + category_count - 1, in order. */
  const char *scheme;
  const char *scheme_source;
  unsigned first_category;
  size_t category_count;
} TamselFormulaInfo;

/* NULL for a number that is no formula. */
const TamselFormulaInfo *tamsel_formula_info(int formula);

/* The formula a keyword names, in either case, or -1. */
int tamsel_find_formula(const char *keyword, size_t size);

/* Category ids count from 1 across all schemes; 0 is no category. */
#define TAMSEL_CATEGORY_NONE 0u
/* One more than the largest id. */
unsigned tamsel_category_limit(void);
/* The name, the source and the caveats of a category (what every surface shows beside it: for
 * whom the classification is made and what it rests on); NULL for 0 or an id past the limit. */
const char *tamsel_category_name(unsigned id);
const char *tamsel_category_source(unsigned id);
const char *tamsel_category_note(unsigned id);

/* --- Warnings ------------------------------------------------------------------------------ */

/* A row's warnings are a set of bits, in the order their sentences come: three for each
 * argument (in the usage line's order), then those about the result. */
typedef uint64_t TamselWarnings;

/* About the argument in `place`: a value outside its plausible range; a whole number given
 * with a fraction, or not finite, which the library reads as something else ("30.9" as 30);
 * and, from text alone, a sex that is not M, F, male or female. */
#define TAMSEL_WARNING_OUT_OF_RANGE(place) ((TamselWarnings)1 << (3u * (unsigned)(place)))
#define TAMSEL_WARNING_READ_OTHERWISE(place) ((TamselWarnings)1 << (3u * (unsigned)(place) + 1u))
#define TAMSEL_WARNING_SEX_WORD(place) ((TamselWarnings)1 << (3u * (unsigned)(place) + 2u))
#define TAMSEL_WARNING_ARGUMENTS ((TamselWarnings)0x7FFF)

/* About the result and about arguments taken together, by bit number. */
typedef enum TamselResultWarning {
  TAMSEL_WARNING_NAVY_GIRTH_NOT_ABOVE_NECK = 16, /* the Navy formula has no answer */
  TAMSEL_WARNING_NAVY_HEIGHT_NOT_ABOVE_ZERO = 17,
  TAMSEL_WARNING_SYSTOLIC_BELOW_DIASTOLIC = 18,  /* swapped? */
  TAMSEL_WARNING_PULSE_PRESSURE_NARROW = 19,     /* closer than any heartbeat's */
  TAMSEL_WARNING_BLOOD_PRESSURE_LOW = 20,        /* below 90/60, which no category covers */
  TAMSEL_WARNING_AGE_UNDER_SOURCE = 21,          /* a child, for an equation from adults */
  TAMSEL_WARNING_BMI_IMPLAUSIBLE = 22,           /* a weight and a height no living body has */
  TAMSEL_WARNING_WAIST_FOR_HEIGHT = 23,          /* a girth no living body has for its height */
  TAMSEL_WARNING_HIP_FOR_HEIGHT = 24,
  TAMSEL_WARNING_NECK_FOR_HEIGHT = 25,
  TAMSEL_WARNING_WAIST_FOR_HIP = 26,
  TAMSEL_WARNING_HEIGHT_UNDER_FORMULA = 27,      /* shorter than the formula was made for */
  TAMSEL_WARNING_RESULT_NOT_A_NUMBER = 28,
  TAMSEL_WARNING_RESULT_INFINITE = 29,
  TAMSEL_WARNING_RESULT_NEGATIVE = 30,
  TAMSEL_WARNING_BODY_FAT_BELOW_ESSENTIAL = 31,  /* the formula fails for this build */
  TAMSEL_WARNING_BODY_FAT_ABOVE_WHOLE = 32,
  TAMSEL_WARNING_ADIPOSITY_ABOVE_LIVING = 33,
  TAMSEL_WARNING_LEAN_MASS_ABOVE_WEIGHT = 34,
  TAMSEL_WARNING_HEART_RATE_BELOW_RESTING = 35
} TamselResultWarning;
#define TAMSEL_WARNING_BITS 64

/* The warning's code word, such as "out_of_range" or "systolic_below_diastolic"; NULL for a bit
 * that is none. */
const char *tamsel_warning_name(unsigned bit);

/* Every sentence fits this many bytes with its terminator; longer ones are cut. */
#define TAMSEL_WARNING_BYTES 256

/* Writes the sentence of warning `bit` of the row `arguments` with `options` (as tamsel_evaluate
 * takes them), such as "weight_kg 700 is outside 2 to 400", zero-terminated, cut to `capacity`;
 * returns its size, 0 for a bit the row does not have. An argument given in its imperial unit
 * is named so: "weight_lb 1600 (725.7 kg) is outside 2 to 400 kg". */
size_t tamsel_warning_text(int formula, const double *arguments, unsigned options, unsigned bit, char *out,
                           size_t capacity);

/* --- One row --------------------------------------------------------------------------------- */

typedef struct TamselRow {
  /* The value the library's answer prints, read back: the exact result rounded to the
   * formula's decimals. NaN where there is none (a result of nan or an infinity, a missing row). */
  double value;
  TamselAnswerKind kind; /* TAMSEL_KIND_RESULT or TAMSEL_KIND_MISSING */
  unsigned category;     /* 0 for none, and for every row with a warning */
  TamselWarnings warnings;
} TamselRow;

/* NaN is a missing value, as it is in pandas and in R. Without it, NaN is a number, as the
 * text "nan" is to the library. */
#define TAMSEL_NAN_IS_MISSING 1u

/* The argument in `place` is given in its imperial unit (pounds, inches), which the caller has
 * said by name. It is turned into the formula's unit with one multiplication by the exact
 * definition (1 lb = 0.45359237 kg, 1 in = 2.54 cm), rounded once, and the row is then that of
 * the metric value. Ignored for an argument without an imperial unit, so TAMSEL_IMPERIAL_ALL
 * gives every one that has one in imperial units. */
#define TAMSEL_IMPERIAL(place) (1u << (8u + (unsigned)(place)))
#define TAMSEL_IMPERIAL_ALL (0x1Fu << 8u)

/* Evaluates one row: the formula's arguments in usage-line order, the sex as a code. Bit i of
 * `missing` marks argument i as missing, and so does a sex that is no code. A man's hip (women
 * only) is not read. Returns 0, or -1 for a number that is no formula. */
int tamsel_evaluate(int formula, const double *arguments, unsigned missing, unsigned options, TamselRow *row);

/* The number the library's answer prints for this row ("22.86", "-0.00", "nan", "inf"), without
 * a terminator, into `out` of TAMSEL_NUMBER_BYTES; 0 for a missing row or no formula. */
size_t tamsel_result_digits(int formula, const double *arguments, unsigned missing, unsigned options, char *out);

/* --- Columns --------------------------------------------------------------------------------- */

typedef struct TamselColumn {
  /* Doubles, or for the sex unsigned char codes. NULL: the argument is missing in every row. */
  const void *data;
  /* Bytes from one row's value to the next; 0 gives every row the first. */
  ptrdiff_t stride;
  /* NULL, or a byte per row, nonzero where the value is missing. */
  const unsigned char *missing;
  ptrdiff_t missing_stride;
} TamselColumn;

/* Evaluates `rows` rows of one formula, its arguments in columns (as many as the formula
 * takes, in usage-line order), into whichever of the outputs are not NULL, one item a row:
 * values, kinds (TamselAnswerKind), categories and warnings. Returns how many rows have a
 * warning, or -1 for a number that is no formula. Row i equals tamsel_evaluate of its values. */
ptrdiff_t tamsel_evaluate_columns(int formula, size_t rows, const TamselColumn *columns, unsigned options,
                                  double *values, unsigned char *kinds, unsigned char *categories,
                                  TamselWarnings *warnings);

/* --- Numbers as text ------------------------------------------------------------------------- */

/* Any number this library writes fits with its terminator: a sign and 309 digits, or "0.",
 * 323 zeros and 17 digits after it, and a sign. */
#define TAMSEL_NUMBER_BYTES 344

/* Writes the shortest text that the library reads back as `value`, zero-terminated, and
 * returns its size: "70", "1.75", "1e+20", "inf", "nan". With `positional`, never with an
 * exponent ("100000000000000000000"), as a whole-number argument must be written. `out` holds
 * TAMSEL_NUMBER_BYTES. */
size_t tamsel_write_number(double value, int positional, char *out);

#ifdef __cplusplus
}
#endif

#endif /* TAMSEL_CORE_H */

/* SPDX-License-Identifier: MIT */
/*
 * The review of an answer: what kind it is, its printed number and unit, warnings about
 * arguments and results that are probably not what the user meant, and the published category
 * of the result with its source. Every surface (the program, Python, JavaScript, R, SQL)
 * compiles this code in, so that they never disagree.
 *
 * Not part of the shared library, which exports CalcHealth alone: an artifact that wants the
 * review compiles the library's sources and review/ into itself.
 *
 * A record keeps its text in its own storage and points into it, so it must not be copied
 * byte-wise (pass it by pointer). Nothing here allocates.
 */
#ifndef TAMSEL_REVIEW_H
#define TAMSEL_REVIEW_H

#include <stddef.h>

#include "TamselCalculatorHealth.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef enum TamselAnswerKind {
  TAMSEL_KIND_RESULT = 0,
  TAMSEL_KIND_USAGE = 1,
  TAMSEL_KIND_REQUIREMENT = 2,
  TAMSEL_KIND_UNKNOWN = 3,
  TAMSEL_KIND_BANNER = 4,
  TAMSEL_KIND_LISTING = 5
} TamselAnswerKind;

/* The answer in UTF-8. Worst case: "Unknown formula: " (17 bytes) and a 1023-character keyword
 * whose characters are at most 3 bytes each (every character of the code page is in the Basic
 * Multilingual Plane) = 3,086 bytes; the listing is 1,384. Plus the terminator. */
#define TAMSEL_REVIEW_TEXT_BYTES 4096

/* At most one warning per argument (9) and a few about the result (at most 3), so 16. */
#define TAMSEL_REVIEW_MAX_WARNINGS 16

/* Every warning is cut to TAMSEL_REVIEW_WARNING_BYTES - 1 bytes (a quoted token is cut to 40
 * bytes first, so none is in practice): 16 x 256. */
#define TAMSEL_REVIEW_WARNING_BYTES 256

/* The JSON members of one record, tamsel_record_json: the text escaped (each byte at most 6,
 * "\u001b") 6 x 4,095; every warning escaped, 16 x 6 x 255; the category and its source under
 * 512; the names and punctuation under 256. 24,570 + 24,480 + 768 < 50,000. */
#define TAMSEL_REVIEW_JSON_BYTES 50000

typedef struct TamselRecord {
  TamselAnswerKind kind;
  /* The library's answer in UTF-8, its lines joined by "\n" whatever the platform uses. */
  const char *text;
  size_t text_size;
  /* For a result, the number as printed ("22.86", "-0.00"); empty for inf, -inf, nan and every
   * other kind. */
  const char *digits;
  size_t digits_size;
  /* The printed number as a double (exactly what the digits read as); NaN when digits is
   * empty. has_value says which. */
  double value;
  int has_value;
  /* "kg", "%", "bpm", "m\xC2\xB2", "calories/day", "mmHg" or "" (static text). */
  const char *unit;
  /* Zero-terminated UTF-8 sentences, in argument order, then those about the result. */
  size_t warning_count;
  const char *warnings[TAMSEL_REVIEW_MAX_WARNINGS];
  /* The published class of the printed value and where it comes from (static text); NULL for
   * formulas without one, for every other kind, and for a result that has a warning. */
  const char *category;
  const char *category_source;

  char text_storage[TAMSEL_REVIEW_TEXT_BYTES];
  char warning_storage[TAMSEL_REVIEW_MAX_WARNINGS][TAMSEL_REVIEW_WARNING_BYTES];
} TamselRecord;

/* "result", "usage", "requirement", "unknown", "banner" or "listing". */
const char *tamsel_kind_name(TamselAnswerKind kind);

/* The banner, a usage or requirement line and an unknown formula say the request was wrong. */
int tamsel_is_wrong_request(TamselAnswerKind kind);

/* Reviews `answer`, the library's answer to `request`, both UTF-8 (ill-formed bytes read as
 * U+FFFD). A pure function of its arguments: it never calls the library, and any thread may
 * call it at any time. */
void tamsel_review(const char *request, size_t request_size, const char *answer, size_t answer_size,
                   TamselRecord *record);

/* Asks the library (CalcHealth) and reviews its answer: the request in UTF-8, or zero-terminated
 * UTF-16. Like CalcHealth itself, one call at a time. A NUL ends the request, as it does for
 * the library. */
void tamsel_ask(const char *request, size_t request_size, TamselRecord *record);
void tamsel_ask16(const TamselChar16 *request, TamselRecord *record);

/* Writes the record's members as JSON, without braces:
 *   "kind":"result","text":"BMI: 22.86","value":22.86,"unit":"","warnings":[],
 *   "category":"Normal range","category_source":"WHO ..."
 * value is the digits as printed, or null; category and category_source are null when there
 * is none. `out` holds TAMSEL_REVIEW_JSON_BYTES; the text is terminated. Returns its size. */
size_t tamsel_record_json(const TamselRecord *record, char *out);

#ifdef __cplusplus
}
#endif

#endif /* TAMSEL_REVIEW_H */

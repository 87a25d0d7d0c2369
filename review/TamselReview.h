/* SPDX-License-Identifier: MIT */
/*
 * The review of a text request's answer: what kind it is, its printed number and unit, warnings
 * about arguments and results that are probably not what the user meant, and the published
 * category of the result with its source. Every surface (the program, Python, JavaScript, R,
 * SQL) compiles this code in, so that they never disagree. The numbers of a request go to the
 * same rules as a typed call (TamselCore.h, included here); only what the text alone tells (a
 * token that reads as something else, a sex word the review does not take) is found here.
 *
 * Not part of the shared library, which exports CalcHealth alone: an artifact that wants the
 * review compiles the library's sources, catalog/, core/ and review/ into itself.
 *
 * A record holds its text in itself and points only to static text, so it may be copied like
 * any struct. Nothing here allocates.
 */
#ifndef TAMSEL_REVIEW_H
#define TAMSEL_REVIEW_H

#include <stddef.h>

#include "TamselCalculatorHealth.h"
#include "core/TamselCore.h"

#ifdef __cplusplus
extern "C" {
#endif

/* The answer in UTF-8. Worst case: "Unknown formula: " (17 bytes) and a 1023-character keyword
 * whose characters are at most 3 bytes each (every character of the code page is in the Basic
 * Multilingual Plane) = 3,086 bytes; the listing is 1,384. Plus the terminator. */
#define TAMSEL_REVIEW_TEXT_BYTES 4096

/* At most one warning per argument (5) and a few about the result (at most 3), so 16. */
#define TAMSEL_REVIEW_MAX_WARNINGS 16

/* Every warning is cut to TAMSEL_REVIEW_WARNING_BYTES - 1 bytes (a quoted token is cut to 40
 * bytes first, so none is in practice). */
#define TAMSEL_REVIEW_WARNING_BYTES TAMSEL_WARNING_BYTES

/* The JSON members of one record, tamsel_record_json: the text escaped (each byte at most 6,
 * "\u001b") 6 x 4,095; every warning escaped, 16 x 6 x 255; the category, its source and its note
 * under 768; the names and punctuation under 256. 24,570 + 24,480 + 1,024 < 50,000. */
#define TAMSEL_REVIEW_JSON_BYTES 50000

typedef struct TamselRecord {
  TamselAnswerKind kind;
  /* The library's answer in UTF-8, its lines joined by "\n" whatever the platform uses. */
  size_t text_size;
  char text[TAMSEL_REVIEW_TEXT_BYTES];
  /* For a result, where the number as printed ("22.86", "-0.00") lies in text; empty for inf,
   * -inf, nan and every other kind. tamsel_record_digits gives its address. */
  size_t digits_offset;
  size_t digits_size;
  /* The printed number as a double; NaN when digits is empty. has_value says which. */
  double value;
  int has_value;
  /* "kg", "%", "bpm", "m\xC2\xB2", "calories/day", "mmHg" or "" (static text). */
  const char *unit;
  /* The sentences, zero-terminated UTF-8, in argument order, then those about the result, and
   * their codes (TamselCore.h), a bit each. */
  TamselWarnings warning_codes;
  size_t warning_count;
  char warnings[TAMSEL_REVIEW_MAX_WARNINGS][TAMSEL_REVIEW_WARNING_BYTES];
  /* The published class of the printed value, where it comes from and the caveats of that
   * source (for whom it classifies, what it rests on), static text, and the category's id; NULL
   * and 0 for formulas without one, for every other kind, and for a result that has a warning. */
  const char *category;
  const char *category_source;
  const char *category_note;
  unsigned category_id;
} TamselRecord;

static inline const char *tamsel_record_digits(const TamselRecord *record) {
  return record->text + record->digits_offset;
}

/* The banner, a usage or requirement line and an unknown formula say the request was wrong. */
int tamsel_is_wrong_request(TamselAnswerKind kind);

/* Reviews `answer`, the library's answer to `request`, both UTF-8 (ill-formed bytes read as
 * U+FFFD): the printed number is the answer's, the arguments the request's. A pure function of
 * its arguments: it never calls the library, and any thread may call it at any time. */
void tamsel_review(const char *request, size_t request_size, const char *answer, size_t answer_size,
                   TamselRecord *record);

/* Asks the library (CalcHealth) and reviews its answer: the request in UTF-8, or zero-terminated
 * UTF-16. Like CalcHealth itself, one call at a time. A NUL ends the request, as it does for
 * the library. */
void tamsel_ask(const char *request, size_t request_size, TamselRecord *record);
void tamsel_ask16(const TamselChar16 *request, TamselRecord *record);

/* Writes the record's members as JSON, without braces:
 *   "kind":"result","text":"BMI: 22.86","value":22.86,"unit":"","warnings":[],
 *   "category":"Normal range","category_source":"WHO ...","category_note":"WHO's classes for adults; ..."
 * value is the digits as printed, or null; the category's three members are null when there
 * is none. Writes at most `capacity` bytes with the terminator (TAMSEL_REVIEW_JSON_BYTES hold
 * every record); returns the size written, or 0 with `out` empty when the record does not fit. */
size_t tamsel_record_json(const TamselRecord *record, char *out, size_t capacity);

#ifdef __cplusplus
}
#endif

#endif /* TAMSEL_REVIEW_H */

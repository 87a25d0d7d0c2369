/* SPDX-License-Identifier: MIT */
/*
 * TamselCalculatorHealth: a command-line medical calculator behind one C function.
 *
 * The host passes a command line such as u"bmi 70 1.75" and gets the answer back as text,
 * such as u"BMI: 22.86". Every outcome, every user error included, is text; there are no
 * error codes.
 *
 * Contract with the host:
 *  - The answer is owned by the library. The host never frees it.
 *  - The answer stays valid, and unchanged, until the next call of CalcHealth; every call
 *    returns the same address, that of a buffer of 2000 code units, and the answer with its
 *    terminator always fits in it. Copy the answer if you need it longer.
 *  - Calls must not overlap: the library keeps its buffers in static storage, so call it from
 *    one thread at a time and never re-entrantly.
 *  - The command line may be NULL; it is only read. The result is never NULL.
 *
 * Text is UTF-16 code units: wchar_t on Windows and char16_t elsewhere, so that L"..." and
 * u"..." literals can be passed as they are.
 */
#ifndef TAMSEL_CALCULATOR_HEALTH_H
#define TAMSEL_CALCULATOR_HEALTH_H

#if defined(_WIN32)
#  include <wchar.h>
typedef wchar_t TamselChar16;
#elif defined(__cplusplus)
typedef char16_t TamselChar16;
#else
#  include <uchar.h>
typedef char16_t TamselChar16;
#endif

/* Windows exports through the module-definition file; ELF platforms through visibility. */
#if !defined(_WIN32) && (defined(__GNUC__) || defined(__clang__))
#  define TAMSEL_HEALTH_API __attribute__((visibility("default")))
#else
#  define TAMSEL_HEALTH_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Answers one command line: a formula keyword and its arguments, separated by spaces or tabs.
 * An empty or NULL command line answers with a short banner; "help" with the formula listing. */
TAMSEL_HEALTH_API const TamselChar16 *CalcHealth(const TamselChar16 *command_line);

#ifdef __cplusplus
}
#endif

#endif /* TAMSEL_CALCULATOR_HEALTH_H */

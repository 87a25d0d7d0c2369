// SPDX-License-Identifier: MIT
// Included first by every source that computes with doubles. Answers are the same bits on every
// platform only if each operation rounds once, in the order written: a fused multiply-add, or
// any of -ffast-math's liberties, changes the last bit and so, near a rounding boundary, the
// printed answer. Every build of the project says so in its flags (-ffp-contract=off, the CMake
// target tamsel_strict_arithmetic, and the same flags in the R and PostgreSQL builds) and
// defines TAMSEL_STRICT_ARITHMETIC_FLAGS. The sources also compile into other people's builds,
// so without that macro they turn contraction off themselves; and they refuse to compile where
// they cannot.
#ifndef TAMSEL_NUMERICS_STRICT_ARITHMETIC_H
#define TAMSEL_NUMERICS_STRICT_ARITHMETIC_H

#if defined(__FAST_MATH__) || (defined(__FINITE_MATH_ONLY__) && __FINITE_MATH_ONLY__) || \
    defined(__ASSOCIATIVE_MATH__) || defined(__RECIPROCAL_MATH__) || defined(__NO_SIGNED_ZEROS__)
#error "TamselCalculatorHealth needs IEEE arithmetic: build it without -ffast-math and its parts"
#endif

#if defined(_MSC_VER) && !defined(__clang__)
#if defined(_M_FP_FAST)
#error "TamselCalculatorHealth needs IEEE arithmetic: build it with /fp:precise or /fp:strict, not /fp:fast"
#endif
#pragma fp_contract(off)
#elif defined(__clang__)
// Clang contracts within an expression by default, and shows no sign of -funsafe-math-
// optimizations, whose reassociation is turned off here instead. This holds against everything
// but an explicit -ffp-contract=fast.
#pragma clang fp reassociate(off)
#pragma clang fp contract(off)
#elif defined(__GNUC__) && !defined(TAMSEL_STRICT_ARITHMETIC_FLAGS)
// GCC contracts by default in C++ whatever the dialect, wherever -march has FMA, and shows the
// contraction mode in no macro, so a build without the flags cannot be refused. GCC documents
// its optimize pragma as meant for debugging, not production, so it serves only as this
// fallback for builds that do not pass -ffp-contract=off; it holds for every function after it
// in the file, under link-time optimisation too (tests/strict_arithmetic_test.cmake).
#pragma GCC optimize("fp-contract=off")
#endif

#endif

// SPDX-License-Identifier: MIT
// Writes tests/numerics/log10_answers.inc: GNU MPFR's correctly rounded log10 of every integer
// from 1 to 10,000 and of the arguments that realistic requests hand the logarithm, so that
// every build, with or without MPFR, checks a faster log10 against them. Small integers matter
// because the powers of ten are exact and tested elsewhere, while log10(2) or log10(3) were
// not: a fast path that broke them would have gone unseen.
//
//   build/default/bin/make_log10_answers > tests/numerics/log10_answers.inc
#include <cstdio>
#include <set>

#include "mpfr_oracle.h"

namespace {

using tamsel_oracle::Function;

constexpr int last_integer = 10000;

double log10_of(double x) { return tamsel_oracle::correctly_rounded(Function::log10, x); }

// A number typed with one decimal, as the library reads it: tenths / 10 is correctly rounded,
// as is reading the decimal text.
double tenths(int count) { return count / 10.0; }

// Arguments that are not integers, as the Navy body-fat formula forms them from typical
// requests: heights from 140 to 210 cm, waist minus neck for men, and waist plus hip minus
// neck for women, with measurements typed to a tenth (women's hips to a whole centimetre).
std::set<double> realistic_arguments() {
  std::set<double> arguments;
  for (int height = 1400; height <= 2100; ++height) arguments.insert(tenths(height));
  for (int waist = 600; waist <= 1300; ++waist) {
    for (int neck = 300; neck <= 450; ++neck) arguments.insert(tenths(waist) - tenths(neck));
  }
  for (int waist = 600; waist <= 1100; waist += 5) {
    for (int hip = 85; hip <= 130; ++hip) {
      for (int neck = 280; neck <= 400; neck += 5) {
        arguments.insert((tenths(waist) + hip) - tenths(neck));
      }
    }
  }
  // The integers are recorded apart, without their arguments.
  for (auto it = arguments.begin(); it != arguments.end();) {
    it = *it == static_cast<double>(static_cast<long>(*it)) ? arguments.erase(it) : ++it;
  }
  return arguments;
}

}  // namespace

int main() {
  mpfr_set_emin(-1073);
  mpfr_set_emax(1024);
  std::printf(
      "// SPDX-License-Identifier: MIT\n"
      "// Written by tools/make_log10_answers.cpp: the double nearest log10(x), from GNU MPFR.\n"
      "#ifdef TAMSEL_LOG10_INTEGERS\n"
      "// log10(n) for n = 1, 2, ..., %d, in order.\n",
      last_integer);
  for (int n = 1; n <= last_integer; ++n) {
    std::printf("%a,%s", log10_of(n), n % 4 == 0 ? "\n" : " ");
  }
  std::printf("#endif\n#ifdef TAMSEL_LOG10_REALISTIC\n// {x, log10(x)} for realistic non-integer x.\n");
  for (const double x : realistic_arguments()) std::printf("{%a, %a},\n", x, log10_of(x));
  std::printf("#endif\n");
  return 0;
}

// SPDX-License-Identifier: MIT
// Searches for the arguments that test the library's log10 and x^1.5 hardest, with GNU MPFR
// as the judge.
//
//   find_hard_cases midpoints [samples] [keep]
//     Arguments from 0.5 to 300 (the values people type) whose log10 or x^1.5 lies closest to
//     a midpoint between two doubles, with MPFR's correctly rounded result, as C++ table rows:
//     tests/numerics/near_midpoints.inc is its output. The fast path's estimate screens
//     `samples` random arguments; MPFR measures the distance of those it lets through.
//
//   find_hard_cases requests [count] [libm-wrong]
//     Requests of bai and bodyfat_navy whose printed answer changes when the power or a
//     logarithm is one unit in the last place off, with the answer that the exact value gives:
//     "request<TAB>answer" lines, for the golden answers. With libm-wrong, only those that
//     this platform's own log10 or pow would answer wrongly.
#include <mpfr.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "TamselCalculatorHealth.h"
#include "frame/number_text.h"
#include "numerics/binary64.h"
#include "numerics/paths.h"
#include "tools/mpfr_oracle.h"

namespace {

using tamsel::numerics::bits_of;
using tamsel::numerics::double_of;
using tamsel::numerics::DoubleDouble;

using tamsel_oracle::correctly_rounded;
using tamsel_oracle::Function;
using tamsel_oracle::Random;

// The distance of f(x) from the nearest midpoint between two doubles, in gaps (0 to 1/2).
double midpoint_distance(Function function, double x) {
  mpfr_t value, whole;
  mpfr_inits2(300, value, whole, static_cast<mpfr_ptr>(nullptr));
  tamsel_oracle::evaluate(function, x, value);
  mpfr_abs(value, value, MPFR_RNDN);
  mpfr_mul_2si(value, value, 53 - mpfr_get_exp(value), MPFR_RNDN);  // a gap is now 1
  mpfr_floor(whole, value);
  mpfr_sub(value, value, whole, MPFR_RNDN);
  mpfr_sub_d(value, value, 0.5, MPFR_RNDN);
  const double distance = std::fabs(mpfr_get_d(value, MPFR_RNDN));
  mpfr_clears(value, whole, static_cast<mpfr_ptr>(nullptr));
  return distance;
}

struct Candidate {
  double x;
  double distance;
};

void find_midpoints(long samples, std::size_t keep) {
  std::printf("// SPDX-License-Identifier: MIT\n"
              "// Written by tools/find_hard_cases.cpp: arguments from 0.5 to 300 whose log10 or x^1.5 lies\n"
              "// closest to a midpoint between two doubles, among %ld random arguments, with the double\n"
              "// nearest the exact value and log2 of its distance from the midpoint, in gaps between doubles.\n",
              samples);
  Random random{42};
  for (const Function function : {Function::log10, Function::pow_three_halves}) {
    std::vector<Candidate> found;
    for (long sample = 0; sample < samples; ++sample) {
      const double x = random.uniform(0.5, 300);
      if (x == 1) continue;
      const DoubleDouble estimate = function == Function::log10 ? tamsel::numerics::paths::log10_estimate(x)
                                                                : tamsel::numerics::paths::pow_three_halves_estimate(x);
      const double half_gap = tamsel::numerics::half_gap_towards(estimate.hi, estimate.lo);
      const double estimated = (half_gap - std::fabs(estimate.lo)) / (2 * half_gap);
      if (estimated < 0x1p-11) found.push_back({x, estimated});
    }
    for (Candidate& candidate : found) candidate.distance = midpoint_distance(function, candidate.x);
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) { return a.distance < b.distance; });
    found.resize(std::min(found.size(), keep));
    for (const Candidate& candidate : found) {
      std::printf("{Function::%s, %a, %a, %.1f},\n", function == Function::log10 ? "log10" : "pow_three_halves", candidate.x,
                  correctly_rounded(function, candidate.x), std::log2(candidate.distance));
    }
  }
}

double next_up(double x) { return x >= 0 ? double_of(bits_of(x) + 1) : -double_of(bits_of(-x) - 1); }
double next_down(double x) { return -next_up(-x); }

std::string fixed(double value) {
  char text[400];
  return std::string(text, tamsel::write_fixed(text, value, 2));
}

// The shortest decimal that reads back as x.
std::string decimal(double x) {
  char text[40];
  for (int digits = 1; digits <= 17; ++digits) {
    std::snprintf(text, sizeof text, "%.*g", digits, x);
    if (std::strtod(text, nullptr) == x) break;
  }
  return text;
}

// What the library answers, as UTF-8 (the answers are ASCII).
std::string ask(const std::string& request) {
  std::u16string wide(request.begin(), request.end());
  std::string answer;
  for (const TamselChar16* unit = CalcHealth(wide.c_str()); *unit != 0; ++unit) answer += static_cast<char>(*unit);
  return answer;
}

bool report(const std::string& request, const std::string& answer) {
  const std::string library = ask(request);
  if (library != answer) {
    std::fprintf(stderr, "the library answers %s with '%s', the exact value gives '%s'\n", request.c_str(),
                 library.c_str(), answer.c_str());
    return false;
  }
  std::printf("%s\t%s\n", request.c_str(), answer.c_str());
  return true;
}

bool libm_wrong = false;  // accept only requests that the platform's maths library gets wrong

bool find_bai(Random& random) {
  const double height = random.uniform(1.40, 2.10);
  const double power = correctly_rounded(Function::pow_three_halves, height);
  if (libm_wrong && std::pow(height, 1.5) == power) return false;
  const double target = std::floor(random.uniform(18, 40) * 100) / 100 + 0.005;  // a boundary x.xx5
  double hip = (target + 18) * power;
  for (int step = 0; step < 64; ++step, hip = next_up(hip)) {
    const std::string exact = fixed(hip / power - 18.0);
    if (libm_wrong ? exact != fixed(hip / std::pow(height, 1.5) - 18.0)
                   : exact != fixed(hip / next_up(power) - 18.0) || exact != fixed(hip / next_down(power) - 18.0)) {
      return report("bai " + decimal(hip) + " " + decimal(height), "Body Adiposity Index: " + exact + "%");
    }
  }
  return false;
}

double navy(bool male, double a, double b) {
  const double density = male ? (b * 0.15456) + (1.0324 - a * 0.19077) : (b * 0.221) + (1.29579 - a * 0.35004);
  return 495.0 / density - 450.0;
}

double navy(bool male, double a, double b);

bool find_body_fat(Random& random, bool male) {
  const double waist = random.uniform(70, 120);
  const double neck = std::floor(random.uniform(30, 45));
  const double hip = male ? 0.0 : random.uniform(85, 130);
  const double circumference = male ? waist - neck : (waist + hip) - neck;
  const double a = correctly_rounded(Function::log10, circumference);
  // The rounding boundary nearest the answer for a typical height: solve for the height that
  // gives it exactly, then walk its neighbours.
  const double typical = navy(male, a, correctly_rounded(Function::log10, random.uniform(150, 200)));
  const double target = std::floor(typical * 100) / 100 + 0.005;
  const double density = 495.0 / (target + 450.0);
  const double b_target = male ? (density - (1.0324 - a * 0.19077)) / 0.15456 : (density - (1.29579 - a * 0.35004)) / 0.221;
  double height = std::pow(10.0, b_target);
  for (int step = 0; step < 64; ++step) height = next_down(height);
  for (int step = 0; step < 128; ++step, height = next_up(height)) {
    const double b = correctly_rounded(Function::log10, height);
    const std::string exact = fixed(navy(male, a, b));
    const bool depends = libm_wrong ? exact != fixed(navy(male, std::log10(circumference), std::log10(height)))
                                    : exact != fixed(navy(male, a, next_up(b))) || exact != fixed(navy(male, a, next_down(b))) ||
                                          exact != fixed(navy(male, next_up(a), b)) || exact != fixed(navy(male, next_down(a), b));
    if (depends) {
      std::string request = std::string("bodyfat_navy ") + (male ? "M " : "F ") + decimal(waist) + " " + decimal(neck) +
                            " " + decimal(height);
      if (!male) request += " " + decimal(hip);
      return report(request, "Body Fat Percentage (Navy Method): " + exact + "%");
    }
  }
  return false;
}

void find_requests(int count) {
  Random random{2026};
  int found[3] = {0, 0, 0};
  const int wanted[3] = {count / 2, count / 4, count - count / 2 - count / 4};
  for (int attempt = 0; attempt < 100000 && (found[0] < wanted[0] || found[1] < wanted[1] || found[2] < wanted[2]); ++attempt) {
    const int kind = attempt % 3;
    if (found[kind] >= wanted[kind]) continue;
    if (kind == 0 ? find_bai(random) : find_body_fat(random, kind == 1)) ++found[kind];
  }
}

}  // namespace

int main(int argc, char** argv) {
  mpfr_set_emin(-1073);  // the double format, for the correctly rounded values
  mpfr_set_emax(1024);
  if (argc >= 2 && std::strcmp(argv[1], "midpoints") == 0) {
    find_midpoints(argc >= 3 ? std::atol(argv[2]) : 1L << 26, argc >= 4 ? static_cast<std::size_t>(std::atol(argv[3])) : 200);
  } else if (argc >= 2 && std::strcmp(argv[1], "requests") == 0) {
    libm_wrong = argc >= 4 && std::strcmp(argv[3], "libm-wrong") == 0;
    find_requests(argc >= 3 ? std::atoi(argv[2]) : 24);
  } else {
    std::fprintf(stderr, "usage: find_hard_cases midpoints [samples] [keep] | requests [count]\n");
    return 2;
  }
  mpfr_free_cache();
  return 0;
}

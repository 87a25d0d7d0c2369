// SPDX-License-Identifier: MIT
// Writes numerics/log10_table.h: the constants and the reduction table of the library's
// base-10 logarithm, computed with GNU MPFR at 400 bits and rounded once to what is stored.
//
//   build/default/bin/make_log10_table > numerics/log10_table.h
#include <mpfr.h>

#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr mpfr_prec_t working_bits = 400;
constexpr int table_steps = 128;        // the table splits [1, 2] into steps of 1/128
constexpr int halving_index = 53;       // from here on the mantissa is taken as m / 2
constexpr int fraction_bits = 224;      // of the fixed-point values of the slow path
constexpr int fixed_words = 8;

struct Number {
  mpfr_t value;
  Number() { mpfr_init2(value, working_bits); }
  ~Number() { mpfr_clear(value); }
};

// The double nearest `value`.
double nearest(const mpfr_t value) { return mpfr_get_d(value, MPFR_RNDN); }

// `value` split into a double and the double nearest the rest.
void double_double(const mpfr_t value, double& hi, double& lo) {
  Number rest;
  hi = nearest(value);
  mpfr_sub_d(rest.value, value, hi, MPFR_RNDN);
  lo = nearest(rest.value);
}

// `value` rounded to nearest at 2^-fraction_bits, as the initialiser of 256-bit two's
// complement words.
std::string fixed_text(const mpfr_t value) {
  Number scaled;
  mpfr_mul_2si(scaled.value, value, fraction_bits, MPFR_RNDN);
  mpfr_rint(scaled.value, scaled.value, MPFR_RNDN);
  const bool negative = mpfr_sgn(scaled.value) < 0;
  mpfr_abs(scaled.value, scaled.value, MPFR_RNDN);
  std::uint32_t words[fixed_words];
  for (int index = 0; index < fixed_words; ++index) {
    Number word;
    mpfr_fmod_ui(word.value, scaled.value, 1ul << 16, MPFR_RNDN);
    const auto low = static_cast<std::uint32_t>(mpfr_get_ui(word.value, MPFR_RNDN));
    mpfr_sub(scaled.value, scaled.value, word.value, MPFR_RNDN);
    mpfr_div_2ui(scaled.value, scaled.value, 16, MPFR_RNDN);
    mpfr_fmod_ui(word.value, scaled.value, 1ul << 16, MPFR_RNDN);
    const auto high = static_cast<std::uint32_t>(mpfr_get_ui(word.value, MPFR_RNDN));
    mpfr_sub(scaled.value, scaled.value, word.value, MPFR_RNDN);
    mpfr_div_2ui(scaled.value, scaled.value, 16, MPFR_RNDN);
    words[index] = low | (high << 16);
  }
  if (negative) {  // two's complement
    std::uint64_t carry = 1;
    for (std::uint32_t& word : words) {
      carry += static_cast<std::uint32_t>(~word);
      word = static_cast<std::uint32_t>(carry);
      carry >>= 32;
    }
  }
  std::string text = "{{";
  for (int index = 0; index < fixed_words; ++index) {
    char word[16];
    std::snprintf(word, sizeof word, "0x%08" PRIx32 "%s", words[index], index + 1 < fixed_words ? ", " : "");
    text += word;
  }
  return text + "}}";
}

void print_fixed(const mpfr_t value) { std::printf("%s", fixed_text(value).c_str()); }

// Q(z) = (log(1 + z) - z + z^2/2) / z^3 = 1/3 - z/4 + z^2/5 - ..., whose polynomial the fast
// path evaluates in double.
void tail_quotient(const mpfr_t z, mpfr_t result) {
  Number square, head;
  mpfr_log1p(result, z, MPFR_RNDN);
  mpfr_sqr(square.value, z, MPFR_RNDN);
  mpfr_div_2ui(head.value, square.value, 1, MPFR_RNDN);
  mpfr_sub(head.value, z, head.value, MPFR_RNDN);  // z - z^2/2
  mpfr_sub(result, result, head.value, MPFR_RNDN);
  mpfr_mul(square.value, square.value, z, MPFR_RNDN);
  mpfr_div(result, result, square.value, MPFR_RNDN);
}

// The polynomial of degree tail_degree that interpolates Q at the Chebyshev nodes of the
// interval z lies in, its coefficients rounded to doubles, and its largest error against Q on a
// fine grid.
constexpr int tail_degree = 5;
constexpr int tail_coefficients = tail_degree + 1;

void print_tail_polynomial() {
  Number nodes[tail_coefficients], values[tail_coefficients];
  Number matrix[tail_coefficients][tail_coefficients];
  Number pi, angle, half_width;
  mpfr_const_pi(pi.value, MPFR_RNDN);
  // |z| <= 2^-8 + 2^-26, as r has 26 bits: the interval covers that.
  mpfr_set_d(half_width.value, 0x1p-8 + 0x1p-25, MPFR_RNDN);
  for (int i = 0; i < tail_coefficients; ++i) {
    // z_i = 2^-8 cos((2i + 1) pi / 2n)
    mpfr_mul_ui(angle.value, pi.value, static_cast<unsigned long>(2 * i + 1), MPFR_RNDN);
    mpfr_div_ui(angle.value, angle.value, 2 * tail_coefficients, MPFR_RNDN);
    mpfr_cos(nodes[i].value, angle.value, MPFR_RNDN);
    mpfr_mul(nodes[i].value, nodes[i].value, half_width.value, MPFR_RNDN);
    tail_quotient(nodes[i].value, values[i].value);
    mpfr_set_ui(matrix[i][0].value, 1, MPFR_RNDN);
    for (int j = 1; j < tail_coefficients; ++j) mpfr_mul(matrix[i][j].value, matrix[i][j - 1].value, nodes[i].value, MPFR_RNDN);
  }
  // Gaussian elimination on the Vandermonde system, with partial pivoting.
  Number factor, product;
  for (int column = 0; column < tail_coefficients; ++column) {
    int pivot = column;
    for (int row = column + 1; row < tail_coefficients; ++row) {
      if (mpfr_cmpabs(matrix[row][column].value, matrix[pivot][column].value) > 0) pivot = row;
    }
    for (int j = 0; j < tail_coefficients; ++j) mpfr_swap(matrix[column][j].value, matrix[pivot][j].value);
    mpfr_swap(values[column].value, values[pivot].value);
    for (int row = column + 1; row < tail_coefficients; ++row) {
      mpfr_div(factor.value, matrix[row][column].value, matrix[column][column].value, MPFR_RNDN);
      for (int j = column; j < tail_coefficients; ++j) {
        mpfr_mul(product.value, factor.value, matrix[column][j].value, MPFR_RNDN);
        mpfr_sub(matrix[row][j].value, matrix[row][j].value, product.value, MPFR_RNDN);
      }
      mpfr_mul(product.value, factor.value, values[column].value, MPFR_RNDN);
      mpfr_sub(values[row].value, values[row].value, product.value, MPFR_RNDN);
    }
  }
  double coefficients[tail_coefficients];
  for (int row = tail_coefficients; row-- > 0;) {
    Number sum;
    mpfr_set(sum.value, values[row].value, MPFR_RNDN);
    for (int j = row + 1; j < tail_coefficients; ++j) {
      mpfr_mul_d(product.value, matrix[row][j].value, coefficients[j], MPFR_RNDN);
      mpfr_sub(sum.value, sum.value, product.value, MPFR_RNDN);
    }
    // Back substitution with the coefficients already rounded, so that each absorbs the
    // rounding of the ones above it.
    mpfr_div(sum.value, sum.value, matrix[row][row].value, MPFR_RNDN);
    coefficients[row] = nearest(sum.value);
  }
  // The error of the rounded polynomial against Q, on a grid of 20001 points.
  Number z, exact, approximation, error;
  double worst = 0;
  for (int point = -10000; point <= 10000; ++point) {
    if (point == 0) continue;
    mpfr_set_si(z.value, point, MPFR_RNDN);
    mpfr_div_ui(z.value, z.value, 10000, MPFR_RNDN);
    mpfr_mul(z.value, z.value, half_width.value, MPFR_RNDN);
    tail_quotient(z.value, exact.value);
    mpfr_set_d(approximation.value, coefficients[tail_degree], MPFR_RNDN);
    for (int j = tail_degree; j-- > 0;) {
      mpfr_mul(approximation.value, approximation.value, z.value, MPFR_RNDN);
      mpfr_add_d(approximation.value, approximation.value, coefficients[j], MPFR_RNDN);
    }
    mpfr_sub(error.value, approximation.value, exact.value, MPFR_RNDN);
    const double size = std::fabs(mpfr_get_d(error.value, MPFR_RNDN));
    if (size > worst) worst = size;
  }
  std::printf("// Q(z) = (log(1 + z) - z + z^2/2) / z^3 for |z| <= 2^-8 + 2^-25: the polynomial of degree %d that\n"
              "// interpolates it at the Chebyshev nodes, in doubles. Its error is at most max|Q^(6)| / (6! 2^5)\n"
              "// 2^-48 < 81 / 23040 * 2^-48 < 2^-56 by the interpolation remainder, plus the rounding of the\n"
              "// coefficients; measured on 20000 points, the largest is 2^%.1f.\n"
              "inline constexpr double log1p_tail[%d] = {",
              tail_degree, std::log2(worst), tail_coefficients);
  for (int j = 0; j < tail_coefficients; ++j) std::printf("%a%s", coefficients[j], j + 1 < tail_coefficients ? ", " : "};\n\n");
}

}  // namespace

int main() {
  std::printf(
      "// SPDX-License-Identifier: MIT\n"
      "// Constants and reduction table of the base-10 logarithm. Generated by\n"
      "// tools/make_log10_table.cpp with GNU MPFR; do not edit by hand.\n"
      "#ifndef TAMSEL_NUMERICS_LOG10_TABLE_H\n"
      "#define TAMSEL_NUMERICS_LOG10_TABLE_H\n\n"
      "#include \"wide_integer.h\"\n\n"
      "namespace tamsel::numerics {\n\n"
      "// The mantissa m in [1, 2] is matched with the nearest c = 1 + step/%d; from step %d on\n"
      "// (c > sqrt 2) it is taken as m / 2 with the exponent one higher, so that the result never\n"
      "// comes from two large terms that cancel.\n"
      "constexpr int log10_table_steps = %d;\n"
      "constexpr int log10_halving_step = %d;\n\n",
      table_steps, halving_index, table_steps, halving_index);

  print_tail_polynomial();

  Number log10_2, inverse_ln10, rest;
  mpfr_set_ui(log10_2.value, 2, MPFR_RNDN);
  mpfr_log10(log10_2.value, log10_2.value, MPFR_RNDN);
  // The high part keeps 42 bits, so that it times any binary exponent (11 bits) is exact.
  Number high_part;
  mpfr_set_prec(high_part.value, 42);
  mpfr_set(high_part.value, log10_2.value, MPFR_RNDN);
  mpfr_sub(rest.value, log10_2.value, high_part.value, MPFR_RNDN);
  std::printf("// log10(2) in two parts: the high part has 42 bits, so it times any binary exponent is exact.\n");
  std::printf("inline constexpr double log10_2_hi = %a;\n", mpfr_get_d(high_part.value, MPFR_RNDN));
  std::printf("inline constexpr double log10_2_lo = %a;\n", nearest(rest.value));
  mpfr_set_ui(inverse_ln10.value, 10, MPFR_RNDN);
  mpfr_log(inverse_ln10.value, inverse_ln10.value, MPFR_RNDN);
  mpfr_ui_div(inverse_ln10.value, 1, inverse_ln10.value, MPFR_RNDN);
  double hi, lo;
  double_double(inverse_ln10.value, hi, lo);
  // A 17-bit part, whose products with numbers of 18 bits and with their squares are exact,
  // and the double nearest the rest.
  Number short_part;
  mpfr_set_prec(short_part.value, 17);
  mpfr_set(short_part.value, inverse_ln10.value, MPFR_RNDN);
  mpfr_sub(rest.value, inverse_ln10.value, short_part.value, MPFR_RNDN);
  std::printf("// 1 / ln(10) as a double-double, and as a part of 17 bits and the double nearest the rest.\n");
  std::printf("inline constexpr double inverse_ln10_hi = %a;\ninline constexpr double inverse_ln10_lo = %a;\n", hi, lo);
  std::printf("inline constexpr double inverse_ln10_short = %a;\ninline constexpr double inverse_ln10_rest = %a;\n",
              mpfr_get_d(short_part.value, MPFR_RNDN), nearest(rest.value));
  std::printf("// The same two constants to 2^-225, two's complement with 224 fraction bits, for the slow path.\n");
  std::printf("inline constexpr WideInteger log10_2_fixed = ");
  print_fixed(log10_2.value);
  std::printf(";\ninline constexpr WideInteger inverse_ln10_fixed = ");
  print_fixed(inverse_ln10.value);
  std::printf(";\n\n"
              "struct Log10Step {\n"
              "  double reciprocal;    // r: 1 / c rounded to 26 bits\n"
              "  double minus_log_hi;  // T = -log10(r), or -log10(2r) once halved, as a double-double\n"
              "  double minus_log_lo;  // within 2^-106 |T|\n"
              "};\n\n"
              "inline constexpr Log10Step log10_steps[%d] = {\n", table_steps + 1);

  std::vector<double> third_parts;
  for (int step = 0; step <= table_steps; ++step) {
    // r is 1 / c for c = 1 + step/128, rounded to 26 bits so that its products with the halves
    // of a split mantissa are exact; T = -log10(r), or -log10(2r) once the mantissa is halved.
    Number reciprocal, table_value;
    mpfr_set_prec(reciprocal.value, 26);
    mpfr_set_ui(reciprocal.value, table_steps, MPFR_RNDN);
    mpfr_div_ui(reciprocal.value, reciprocal.value, static_cast<unsigned long>(table_steps + step), MPFR_RNDN);
    const double r = nearest(reciprocal.value);
    mpfr_set_d(table_value.value, step >= halving_index ? 2 * r : r, MPFR_RNDN);
    mpfr_log10(table_value.value, table_value.value, MPFR_RNDN);
    mpfr_neg(table_value.value, table_value.value, MPFR_RNDN);
    if (mpfr_zero_p(table_value.value)) mpfr_set_zero(table_value.value, 1);  // r = 1: +0, not -0
    double_double(table_value.value, hi, lo);
    std::printf("    {%a, %a, %a},\n", r, hi, lo);
    // The next 53 bits, for the slow path: the three parts hold T to 2^-159 |T|.
    Number rest_of_t;
    mpfr_sub_d(rest_of_t.value, table_value.value, hi, MPFR_RNDN);
    mpfr_sub_d(rest_of_t.value, rest_of_t.value, lo, MPFR_RNDN);
    third_parts.push_back(nearest(rest_of_t.value));
  }
  std::printf("};\n\n// The third part of each step's T, for the slow path: with the double-double above it\n"
              "// holds T to 2^-159 |T|.\n"
              "inline constexpr double log10_steps_third_part[%d] = {\n", table_steps + 1);
  for (const double part : third_parts) std::printf("    %a,\n", part);
  std::printf("};\n\n}  // namespace tamsel::numerics\n\n#endif\n");
  mpfr_free_cache();
  return 0;
}

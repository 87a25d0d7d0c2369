// SPDX-License-Identifier: MIT
#include "numerics/strict_arithmetic.h"  // first: it governs how everything after it computes

#include "arguments.h"

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "catalog/keyword_lookup.h"
#include "frame/byte_copy.h"
#include "frame/number_text.h"
#include "frame/tokens.h"
#include "core/bounded_text.h"
#include "core/warning_text.h"

namespace tamsel::review {
namespace {

// A plain decimal has at most this many digits: their integer is below 2^53, so it is exact.
constexpr std::size_t max_plain_digits = 15;

// Every power of ten a plain decimal divides by, each exact.
constexpr double powers_of_ten[] = {1e0, 1e1, 1e2, 1e3, 1e4, 1e5, 1e6, 1e7, 1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};

// Tokens are copied with a terminator for the library's own number reading.
constexpr std::size_t token_copy_size = 1024;

char lower_ascii(char byte) { return byte >= 'A' && byte <= 'Z' ? static_cast<char>(byte - 'A' + 'a') : byte; }

bool is_digit(char byte) { return byte >= '0' && byte <= '9'; }

bool is_space(char byte) { return byte == ' ' || (byte >= '\t' && byte <= '\r'); }

// The library's own reading, from a terminated copy of the token.
double library_reading(std::string_view token, ArgumentType type) {
  char copy[token_copy_size];
  std::size_t size = token.size() < token_copy_size - 1 ? token.size() : token_copy_size - 1;
  for (std::size_t index = 0; index < size; ++index) copy[index] = token[index];
  copy[size] = '\0';
  return type == ArgumentType::whole ? static_cast<double>(tamsel::read_integer(copy)) : tamsel::read_real(copy);
}

// Appends the digits from `p` on to `mantissa`; returns the first byte that is no digit. Past
// 19 digits the sum wraps, harmlessly: the callers only use it up to 15.
const char* add_digits(const char* p, const char* end, std::uint64_t& mantissa) {
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - unsigned{'0'};
    if (digit > 9) break;
    mantissa = mantissa * 10 + digit;
  }
  return p;
}

// The same in text whose end is marked by a byte that is no digit, so no bound is needed.
const char* add_marked_digits(const char* p, std::uint64_t& mantissa) {
  for (;; ++p) {
    const unsigned digit = static_cast<unsigned>(static_cast<unsigned char>(*p)) - unsigned{'0'};
    if (digit > 9) return p;
    mantissa = mantissa * 10 + digit;
  }
}

// Digits with at most one point, up to 15 of them: their integer is below 2^53 and the power of
// ten is exact, so one division rounds correctly, exactly as a full reading does.
double exact_decimal(std::uint64_t mantissa, std::size_t decimals) {
  return static_cast<double>(mantissa) / powers_of_ten[decimals];
}

}  // namespace

// The printed number is found and, with up to 15 digits (every result but a huge one), read
// exactly in the same pass.
std::size_t read_printed_number(std::string_view text, double& value) {
  const char* const begin = text.data();
  const char* const end = begin + text.size();
  const bool negative = begin != end && *begin == '-';
  const char* const whole = begin + (negative ? 1 : 0);
  std::uint64_t mantissa = 0;
  const char* p = add_digits(whole, end, mantissa);
  if (p == whole) return 0;
  std::size_t digits = static_cast<std::size_t>(p - whole);
  std::size_t decimals = 0;
  if (end - p >= 2 && *p == '.' && is_digit(p[1])) {
    const char* const fraction = p + 1;
    p = add_digits(fraction, end, mantissa);
    decimals = static_cast<std::size_t>(p - fraction);
    digits += decimals;
  }
  const std::size_t length = static_cast<std::size_t>(p - begin);
  if (digits > max_plain_digits) {
    value = library_reading(text.substr(0, length), ArgumentType::real);
  } else {
    const double magnitude = exact_decimal(mantissa, decimals);
    value = negative ? -magnitude : magnitude;
  }
  return length;
}

namespace {

std::size_t skip_digits(std::string_view text, std::size_t index) {
  while (index < text.size() && is_digit(text[index])) ++index;
  return index;
}

bool word_at(std::string_view text, std::size_t index, std::string_view lower) {
  const std::string_view typed = text.substr(index, lower.size());
  return is_folded_word(typed.data(), typed.size(), lower.data(), lower.size());
}

// The length of what atof reads of `token` in the C locale: white space, one sign, then
// "inf", "infinity", "nan", "nan(...)" or decimal digits with a point and an exponent. 0 when
// nothing is a number.
std::size_t real_prefix(std::string_view token) {
  std::size_t index = 0;
  while (index < token.size() && is_space(token[index])) ++index;
  if (index < token.size() && (token[index] == '+' || token[index] == '-')) ++index;
  if (word_at(token, index, "infinity")) return index + 8;
  if (word_at(token, index, "inf")) return index + 3;
  if (word_at(token, index, "nan")) {
    index += 3;
    if (index < token.size() && token[index] == '(') {
      std::size_t close = index + 1;
      while (close < token.size() && (is_digit(token[close]) || token[close] == '_' ||
                                      (lower_ascii(token[close]) >= 'a' && lower_ascii(token[close]) <= 'z'))) {
        ++close;
      }
      if (close < token.size() && token[close] == ')') return close + 1;
    }
    return index;
  }
  const std::size_t start = index;
  index = skip_digits(token, index);
  std::size_t digits = index - start;
  if (index < token.size() && token[index] == '.') {
    const std::size_t fraction = index + 1;
    index = skip_digits(token, fraction);
    digits += index - fraction;
  }
  if (digits == 0) return 0;
  if (index < token.size() && (token[index] == 'e' || token[index] == 'E')) {
    std::size_t exponent = index + 1;
    if (exponent < token.size() && (token[exponent] == '+' || token[exponent] == '-')) ++exponent;
    const std::size_t end = skip_digits(token, exponent);
    if (end != exponent) index = end;
  }
  return index;
}

// The length of what atoi reads: white space, one sign, decimal digits; 0 when no digit.
std::size_t integer_prefix(std::string_view token) {
  std::size_t index = 0;
  while (index < token.size() && is_space(token[index])) ++index;
  if (index < token.size() && (token[index] == '+' || token[index] == '-')) ++index;
  const std::size_t digits = index;
  index = skip_digits(token, index);
  return index == digits ? 0 : index;
}

// The first delimiter from `p` on, or `end`, in a padded request: the zeros past the end are
// no delimiters, so a block that reaches into them finds nothing there. Where SSE2 is there
// (every x86-64), sixteen bytes are looked at a time; every compiler that defines __SSE2__ also
// has the builtin used here.
const char* find_padded_delimiter(const char* p, const char* end) {
#if defined(__SSE2__)
  const __m128i spaces = _mm_set1_epi8(' ');
  const __m128i tabs = _mm_set1_epi8('\t');
  for (; p < end; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto found = static_cast<unsigned>(
        _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(block, spaces), _mm_cmpeq_epi8(block, tabs))));
    if (found != 0) return p + __builtin_ctz(found);
  }
  return end;
#else
  while (p != end && !is_delimiter(*p)) ++p;
  return p;
#endif
}

// The first byte from `p` on that is no delimiter; the zero at the end of the copy is none.
// Tokens are nearly always parted by one space, stepped over without a branch; the loop then
// tests with | rather than ||, which would branch twice.
const char* skip_delimiters(const char* p) {
  p += *p == ' ' ? 1 : 0;
  while ((*p == ' ') | (*p == '\t')) ++p;
  return p;
}

// "M", "F", "male" or "female" in either case: a sex the review takes without a word.
bool is_accepted_sex(std::string_view token) { return tamsel_sex_code(token.data(), token.size()) >= 0; }

}  // namespace

// A plain decimal, which nearly every argument is, is read in the same pass that finds its
// end: digits with at most one point, up to 15 digits (exact, and one division rounds
// correctly), and for a whole number up to nine digits without a point (within the 32-bit
// range at which the library saturates). Anything else is read by the library's own reader.
template <ArgumentType type>
bool read_argument(const char*& p, const PaddedRequest& request, Argument& argument) {
  const char* const end = request.end;
  p = skip_delimiters(p);
  const char* const start = p;
  const char* const shown = request.request + (start - request.bytes);
  if constexpr (type == ArgumentType::sex) {
    p = find_padded_delimiter(p, end);
    argument.token = std::string_view(shown, static_cast<std::size_t>(p - start));
    argument.plain = false;
    argument.value = *start == 'M' || *start == 'm' ? 1.0 : 0.0;
    argument.wholly_read = is_accepted_sex(argument.token);
    return p != start;
  } else {
    std::uint64_t mantissa = 0;
    p = add_marked_digits(start, mantissa);
    const bool has_point = *p == '.';
    std::size_t decimals = 0;
    if (has_point) {
      const char* const fraction = p + 1;
      p = add_marked_digits(fraction, mantissa);
      decimals = static_cast<std::size_t>(p - fraction);
    }
    const bool only_number = p == end || is_delimiter(*p);
    // A number that ends the token has already found the token's end.
    if (!only_number) p = find_padded_delimiter(p, end);
    const auto size = static_cast<std::size_t>(p - start);
    argument.token = std::string_view(shown, size);
    constexpr std::size_t max_plain_whole = 9;
    const std::size_t most_digits = type == ArgumentType::real ? max_plain_digits : has_point ? 0 : max_plain_whole;
    const std::size_t digits = size - (has_point ? 1 : 0);
    argument.plain = only_number & (digits - 1 < most_digits);  // digits - 1 wraps for none
    if (argument.plain) {
      argument.value = exact_decimal(mantissa, decimals);
      argument.wholly_read = true;
      return true;
    }
    if (size == 0) return false;  // a missing argument is read by nobody
    argument.value = library_reading(argument.token, type);
    const std::size_t prefix = type == ArgumentType::real ? real_prefix(argument.token) : integer_prefix(argument.token);
    argument.wholly_read = prefix != 0 && prefix == size;
    return true;
  }
}

template bool read_argument<ArgumentType::real>(const char*&, const PaddedRequest&, Argument&);
template bool read_argument<ArgumentType::whole>(const char*&, const PaddedRequest&, Argument&);
template bool read_argument<ArgumentType::sex>(const char*&, const PaddedRequest&, Argument&);

const catalog::Formula* find_formula(std::string_view keyword) { return catalog::find_formula(keyword); }

void pad_request(std::string_view request, PaddedRequest& padded) {
  if (request.size() > max_request_bytes) request = request.substr(0, max_request_bytes);
  // Short requests go in a few fixed moves: a general copy of a size known only when running
  // starts slowly.
  tamsel::copy_bytes(padded.bytes, request.data(), request.size());
  std::memset(padded.bytes + request.size(), 0, 1 + request_padding);
  padded.end = padded.bytes + request.size();
  padded.request = request.data();
}

void read_arguments(std::string_view request, Arguments& out) {
  PaddedRequest padded;
  pad_request(request, padded);
  read_arguments(padded, out);
}

std::size_t ascii_prefix(const PaddedRequest& request) {
  const char* p = request.bytes;
#if defined(__SSE2__)
  // Sixteen bytes at a time: the zero after the copy, and its padding, end every run.
  for (;; p += 16) {
    const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const auto ascii = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpgt_epi8(block, _mm_setzero_si128())));
    if (ascii != 0xFFFFu) return static_cast<std::size_t>(p - request.bytes) + static_cast<unsigned>(__builtin_ctz(~ascii));
  }
#else
  while (static_cast<unsigned>(static_cast<unsigned char>(*p)) - 1u < 0x7Fu) ++p;
  return static_cast<std::size_t>(p - request.bytes);
#endif
}

const catalog::Formula* read_keyword(const PaddedRequest& request, const char*& p) {
  p = skip_delimiters(request.bytes);
  const char* const keyword = p;
  p = find_padded_delimiter(p, request.end);
  return catalog::find_formula(std::string_view(keyword, static_cast<std::size_t>(p - keyword)));
}

void read_arguments(const PaddedRequest& padded, Arguments& out) {
  out.count = 0;
  out.male = false;
  out.followed = false;
  out.text_warnings = 0;
  const char* p = nullptr;
  out.formula = read_keyword(padded, p);
  if (out.formula == nullptr) return;
  const FormulaId id = catalog::id_of(*out.formula);
  out.row = {{id, {}, false}, 0, 0, false, 0};
  const ArgumentType* const types = catalog::argument_types.of[static_cast<std::size_t>(id)];
  for (std::size_t place = 0; place < out.formula->argument_count; ++place) {
    Argument& argument = out.items[place];
    argument.type = types[place];
    bool given = false;
    switch (argument.type) {
      case ArgumentType::real: given = read_argument<ArgumentType::real>(p, padded, argument); break;
      case ArgumentType::whole: given = read_argument<ArgumentType::whole>(p, padded, argument); break;
      case ArgumentType::sex:
        given = read_argument<ArgumentType::sex>(p, padded, argument);
        out.male = argument.value != 0;
        if (given && !argument.wholly_read) out.text_warnings |= TAMSEL_WARNING_SEX_WORD(place);
        break;
    }
    if (!given) break;
    out.row.reading.values[place] = argument.value;
    if (argument.wholly_read && argument.type != ArgumentType::sex) out.row.wholly_read |= 1u << place;
    out.count = place + 1;
  }
  out.row.reading.male = out.male;
  out.row.count = out.count;
  p = skip_delimiters(p);
  out.followed = *p != '\0';
}

std::size_t write_range_table(std::string_view line_end, char* out, std::size_t capacity) {
  constexpr std::size_t name_width = 20;
  core::BoundedText text(out, capacity);
  for (const catalog::ArgumentKind& kind : catalog::argument_kinds) {
    if (kind.range_count == 0) continue;
    text.put("  ");
    text.put(kind.name);
    for (std::size_t pad = kind.name.size(); pad < name_width; ++pad) text.put(' ');
    core::put_ranges(kind, text, true);
    if (kind.type == ArgumentType::whole) text.put(", whole numbers");
    text.put(line_end);
  }
  return text.size();
}

}  // namespace tamsel::review

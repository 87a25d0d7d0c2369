// SPDX-License-Identifier: MIT
// Asking the calculator from a test: requests in, answers as UTF-8 for readable failures.
#ifndef TAMSEL_TESTS_CALC_REQUEST_H
#define TAMSEL_TESTS_CALC_REQUEST_H

#include <gtest/gtest.h>

#include <initializer_list>
#include <ostream>
#include <string>
#include <string_view>

#include "TamselCalculatorHealth.h"

namespace tamsel_test {

using WideText = std::basic_string<TamselChar16>;

inline WideText wide_text(std::u16string_view units) { return WideText(units.begin(), units.end()); }

// Every byte becomes the code unit of the same value (Latin-1), enough for test requests.
inline WideText wide_text(std::string_view bytes) {
  WideText wide;
  for (const char byte : bytes) wide.push_back(static_cast<TamselChar16>(static_cast<unsigned char>(byte)));
  return wide;
}

// UTF-8 of an answer; the library only answers with characters of the basic plane.
inline std::string utf8_text(const TamselChar16* units) {
  std::string text;
  for (; *units != 0; ++units) {
    const auto unit = static_cast<unsigned>(*units);
    if (unit < 0x80) {
      text += static_cast<char>(unit);
    } else if (unit < 0x800) {
      text += static_cast<char>(0xC0 | (unit >> 6));
      text += static_cast<char>(0x80 | (unit & 0x3F));
    } else {
      text += static_cast<char>(0xE0 | (unit >> 12));
      text += static_cast<char>(0x80 | ((unit >> 6) & 0x3F));
      text += static_cast<char>(0x80 | (unit & 0x3F));
    }
  }
  return text;
}

inline std::string ask(const WideText& request) { return utf8_text(CalcHealth(request.c_str())); }
inline std::string ask(std::string_view request) { return ask(wide_text(request)); }
inline std::string ask(std::u16string_view request) { return ask(wide_text(request)); }

// One request and the answer it must get, for table-driven tests.
struct Exchange {
  const char* request;
  const char* answer;
};

inline void PrintTo(const Exchange& exchange, std::ostream* os) { *os << '"' << exchange.request << '"'; }

// A table of requests and their answers: each test program instantiates it with its own
// cases, as INSTANTIATE_TEST_SUITE_P(BodyIndices, RequestTable, testing::Values(...)).
class RequestTable : public testing::TestWithParam<Exchange> {};

TEST_P(RequestTable, GetsItsAnswer) { EXPECT_EQ(ask(GetParam().request), GetParam().answer); }

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(RequestTable);

// The lines of a multi-line answer, which the library separates with CR LF on Windows.
#ifdef _WIN32
constexpr const char answer_line_separator[] = "\r\n";
#else
constexpr const char answer_line_separator[] = "\n";
#endif

inline std::string joined_lines(std::initializer_list<const char*> lines) {
  std::string text;
  for (const char* line : lines) {
    if (!text.empty()) text += answer_line_separator;
    text += line;
  }
  return text;
}

}  // namespace tamsel_test

#endif

// SPDX-License-Identifier: MIT
// The built-in Windows-1252 table, checked in both directions against sources that share
// none of its code: Python's cp1252 codec (cp1252_reference.h) everywhere, and on Windows the
// system's own code page 1252 as well. This program links the built-in table alone, even on
// Windows, where the library itself converts with the system.
#include <gtest/gtest.h>

#include <cstdio>
#include <initializer_list>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

#include "cp1252_reference.h"
#include "frame/text_conversion.h"

namespace tamsel_test {
namespace {

using WideText = std::basic_string<TamselChar16>;

WideText wide_text(std::initializer_list<unsigned> units) {
  WideText wide;
  for (const unsigned unit : units) wide.push_back(static_cast<TamselChar16>(unit));
  return wide;
}

bool is_surrogate(unsigned unit) { return unit >= 0xD800 && unit <= 0xDFFF; }

// The byte of a character in the reference, or '?' for one the code page lacks.
char reference_byte(unsigned unit) {
  for (unsigned byte = 1; byte < 256; ++byte) {
    if (cp1252_reference[byte] == unit) return static_cast<char>(byte);
  }
  return '?';
}

std::string narrow(const WideText& wide) {
  char bytes[16];
  const std::size_t length = tamsel::narrow_from_wide(wide.c_str(), bytes, sizeof bytes);
  return std::string(bytes, length);
}

unsigned widened(unsigned char byte) {
  const char text[1] = {static_cast<char>(byte)};
  TamselChar16 wide[2] = {0xFFFF, 0xFFFF};
  tamsel::wide_from_narrow(text, 1, wide, 2);
  EXPECT_EQ(wide[1], 0) << "terminator after byte " << byte;
  return static_cast<unsigned>(wide[0]);
}

std::string hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "%04X", value);
  return text;
}

TEST(BuiltInCodePage, WidensEveryByteAsTheReference) {
  std::string all;
  for (unsigned byte = 1; byte < 256; ++byte) {
    EXPECT_EQ(widened(static_cast<unsigned char>(byte)), cp1252_reference[byte]) << "byte " << hex(byte);
    all += static_cast<char>(byte);
  }
  // One high byte sends the whole text through the table, ASCII included.
  TamselChar16 wide[256];
  tamsel::wide_from_narrow(all.data(), all.size(), wide, 256);
  for (unsigned byte = 1; byte < 256; ++byte) {
    EXPECT_EQ(wide[byte - 1], cp1252_reference[byte]) << "byte " << hex(byte) << " among all the others";
  }
  EXPECT_EQ(wide[255], 0);
}

// Alone, and twice in a row, since plain ASCII goes two units at a time.
TEST(BuiltInCodePage, NarrowsEveryCodeUnitAsTheReference) {
  int failures = 0;
  for (unsigned unit = 1; unit <= 0xFFFF && failures < 10; ++unit) {
    if (is_surrogate(unit)) continue;
    const char byte = reference_byte(unit);
    const std::string alone = narrow(wide_text({unit}));
    const std::string twice = narrow(wide_text({unit, unit}));
    const std::string after_a = narrow(wide_text({'a', unit, unit}));
    if (alone != std::string(1, byte) || twice != std::string(2, byte) || after_a != "a" + std::string(2, byte)) {
      ADD_FAILURE() << "U+" << hex(unit) << " gives " << alone << " / " << twice << " / " << after_a;
      ++failures;
    }
  }
}

TEST(BuiltInCodePage, StopsAtAnOddCapacity) {
  const WideText wide = wide_text({'a', 'b', 'c', 'd', 'e'});
  char bytes[4] = {0, 0, 0, 'x'};
  EXPECT_EQ(tamsel::narrow_from_wide(wide.c_str(), bytes, 3), 3u);
  EXPECT_EQ(std::string(bytes, 4), "abcx");
  EXPECT_EQ(tamsel::narrow_from_wide(wide_text({'a'}).c_str(), bytes, 3), 1u);
}

struct Surrogates {
  WideText wide;
  const char* narrow;  // a pair is one character the code page lacks, a lone half is one too
};

void PrintTo(const Surrogates& text, std::ostream* os) {
  for (const TamselChar16 unit : text.wide) *os << "U+" << hex(static_cast<unsigned>(unit)) << ' ';
}

class SurrogateText : public testing::TestWithParam<Surrogates> {};

TEST_P(SurrogateText, BuiltInTable) { EXPECT_EQ(narrow(GetParam().wide), GetParam().narrow); }

INSTANTIATE_TEST_SUITE_P(
    EachEndOfBothRanges, SurrogateText,
    testing::Values(Surrogates{wide_text({0xD800, 0xDC00}), "?"},  // U+10000
                    Surrogates{wide_text({0xDBFF, 0xDFFF}), "?"},  // U+10FFFF
                    Surrogates{wide_text({0xD800, 0xDFFF}), "?"}, Surrogates{wide_text({0xDBFF, 0xDC00}), "?"},
                    Surrogates{wide_text({'a', 0xD800, 0xDC00, 'b'}), "a?b"},
                    Surrogates{wide_text({0xDC00}), "?"}, Surrogates{wide_text({0xDFFF}), "?"},
                    Surrogates{wide_text({0xD800}), "?"}, Surrogates{wide_text({0xDBFF, 'x'}), "?x"},
                    Surrogates{wide_text({0xDC00, 0xDC00}), "??"}, Surrogates{wide_text({0xDFFF, 0xDFFF}), "??"},
                    Surrogates{wide_text({0xDC00, 0xD800}), "??"}, Surrogates{wide_text({0xD800, 0xDBFF}), "??"},
                    Surrogates{wide_text({0xD800, 0xD800, 0xDC00}), "??"},
                    // Just outside the ranges: no pair.
                    Surrogates{wide_text({0xD7FF, 0xDC00}), "??"}, Surrogates{wide_text({0xD800, 0xE000}), "??"}));

#ifdef _WIN32
constexpr UINT windows_1252 = 1252;

unsigned windows_widened(unsigned char byte) {
  const char text[1] = {static_cast<char>(byte)};
  wchar_t wide[2] = {};
  EXPECT_EQ(MultiByteToWideChar(windows_1252, 0, text, 1, wide, 2), 1) << "byte " << hex(byte);
  return static_cast<unsigned>(wide[0]);
}

std::string windows_narrow(const WideText& wide, DWORD flags) {
  char bytes[16];
  const int length = WideCharToMultiByte(windows_1252, flags, wide.c_str(), static_cast<int>(wide.size()), bytes,
                                         sizeof bytes, flags == 0 ? nullptr : "?", nullptr);
  return std::string(bytes, static_cast<std::size_t>(length > 0 ? length : 0));
}

TEST(WindowsCodePage1252, WidensEveryByteAsTheBuiltInTable) {
  for (unsigned byte = 1; byte < 256; ++byte) {
    EXPECT_EQ(windows_widened(static_cast<unsigned char>(byte)), widened(static_cast<unsigned char>(byte)))
        << "byte " << hex(byte);
  }
}

// Without flags Windows writes a look-alike ("best fit", A for U+0100) for some characters the
// code page lacks, where the table writes '?'; with WC_NO_BEST_FIT_CHARS both write '?'. A
// look-alike never widens back to the character it stands for.
TEST(WindowsCodePage1252, NarrowsEveryCodeUnitAsTheBuiltInTable) {
  int failures = 0;
  for (unsigned unit = 1; unit <= 0xFFFF && failures < 10; ++unit) {
    const WideText wide = wide_text({unit});  // a lone surrogate is a character the page lacks
    const std::string table = narrow(wide);
    const std::string exact = windows_narrow(wide, WC_NO_BEST_FIT_CHARS);
    const std::string best_fit = windows_narrow(wide, 0);
    const bool look_alike = table == "?" && best_fit.size() == 1 &&
                            windows_widened(static_cast<unsigned char>(best_fit[0])) != unit;
    if (exact != table || (best_fit != table && !look_alike)) {
      ADD_FAILURE() << "U+" << hex(unit) << ": table " << table << ", Windows " << exact << ", best fit " << best_fit;
      ++failures;
    }
  }
}

bool holds_pair(const WideText& wide) {
  for (std::size_t index = 0; index + 1 < wide.size(); ++index) {
    if (wide[index] >= 0xD800 && wide[index] <= 0xDBFF && wide[index + 1] >= 0xDC00 && wide[index + 1] <= 0xDFFF) {
      return true;
    }
  }
  return false;
}

TEST_P(SurrogateText, Windows) {
  if (holds_pair(GetParam().wide)) {
    GTEST_SKIP() << "Wine writes one '?' for each half of a pair, the table one for the character";
  }
  EXPECT_EQ(windows_narrow(GetParam().wide, WC_NO_BEST_FIT_CHARS), GetParam().narrow);
}
#endif

}  // namespace
}  // namespace tamsel_test

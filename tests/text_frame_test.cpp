// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "calc_request.h"
#include "frame/text_conversion.h"
#include "frame/tokens.h"

namespace tamsel_test {
namespace {

const std::string banner = joined_lines({"Tamsel Health Calculator - Command Line Medical Calculator",
                                         "Usage: program.exe [formula] [parameters...]",
                                         "Use 'help' or '-h' to see all available formulas"});

TEST(Entry, NothingToDoAnswersWithTheBanner) {
  EXPECT_EQ(utf8_text(CalcHealth(nullptr)), banner);
  EXPECT_EQ(ask(""), banner);
  EXPECT_EQ(ask("   \t \t  "), banner);
}

TEST(Entry, OnlySpacesAndTabsSeparateTokens) {
  EXPECT_EQ(ask("  bmi\t70   1.75 "), "BMI: 22.86");
  EXPECT_EQ(ask("max_hr 30\n"), "Maximum Heart Rate: 190 bpm");
  EXPECT_EQ(ask("max_hr\n 30"), "Unknown formula: max_hr\n");
  EXPECT_EQ(ask("bmi\r 70 1.75"), "Unknown formula: bmi\r");
  EXPECT_EQ(ask("bmi\v70 1.75"), "Unknown formula: bmi\v70");
}

TEST(Entry, KeepsTenTokensAtMost) {
  EXPECT_EQ(ask("bmi 70 1.75 1 2 3 4 5 6 7 8 9"), "Usage: bmi [weight_kg] [height_m]");
  char text[] = "a b c d e f g h i j k l";
  tamsel::TokenList list;
  tamsel::split_tokens(text, list);
  ASSERT_EQ(list.count, 10u);
  EXPECT_STREQ(list.tokens[9], "j");
  EXPECT_EQ(list.lengths[9], 1u);
}

// The one-pass split of plain ASCII lines must find exactly the tokens of the general path,
// and hand every other line to it.
struct PlainLine {
  std::u16string line;
  bool plain;  // whether the one-pass split takes it
};

// GoogleTest would otherwise print the parameter's bytes, padding included, which valgrind
// rightly reports as uninitialised.
void PrintTo(const PlainLine& value, std::ostream* out) {
  *out << value.line.size() << " units, " << (value.plain ? "plain" : "general");
}

class OnePassSplit : public testing::TestWithParam<PlainLine> {};

TEST_P(OnePassSplit, FindsTheTokensOfTheGeneralPath) {
  const std::basic_string<TamselChar16> line(GetParam().line.begin(), GetParam().line.end());
  char general_text[tamsel::token_buffer_size];
  const std::size_t length =
      tamsel::narrow_from_wide(line.c_str(), general_text, tamsel::max_command_bytes);
  general_text[length] = '\0';
  tamsel::TokenList general;
  tamsel::split_tokens(general_text, general);

  char plain_text[tamsel::token_buffer_size];
  std::fill(std::begin(plain_text), std::end(plain_text), 'x');  // no zero to lean on
  tamsel::TokenList plain;
  ASSERT_EQ(tamsel::split_plain_line(line.c_str(), plain_text, plain), GetParam().plain);
  if (!GetParam().plain) return;
  ASSERT_EQ(plain.count, general.count);
  EXPECT_FALSE(plain.argument_cut || plain.keyword_cut);
  for (std::size_t index = 0; index < plain.count; ++index) {
    EXPECT_EQ(plain.lengths[index], general.lengths[index]) << index;
    EXPECT_STREQ(plain.tokens[index], general.tokens[index]) << index;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, OnePassSplit,
    testing::Values(PlainLine{u"", true}, PlainLine{u" \t  ", true}, PlainLine{u"bmi 70 1.75", true},
                    PlainLine{u"\t bmi\t\t70  1.75 \t", true}, PlainLine{u"bmi 70 1.75\x7F", true},
                    PlainLine{u"bmi\r 70\n1.75\v", false},  // control characters: the general path
                    PlainLine{u"a b c d e f g h i j k l", true}, PlainLine{u"a b c d e f g h i j", true},
                    PlainLine{u"a b c d e f g h i j \u00E9", true},  // past the tenth token: never read
                    PlainLine{u"bmi 70 1.75\u00B2", false}, PlainLine{u"caf\u00E9 1", false},
                    PlainLine{u"bmi \u20AC", false}, PlainLine{u"\u00A0bmi", false},
                    PlainLine{u"bmi 70 \xD83D\xDE00", false},
                    PlainLine{std::u16string(1022, u'a'), true}, PlainLine{std::u16string(1023, u'a'), false},
                    PlainLine{std::u16string(1021, u' ') + u"a", true},
                    PlainLine{std::u16string(1023, u' '), false}, PlainLine{std::u16string(3000, u' ') + u"bmi", false},
                    PlainLine{u"bmi 70 " + std::u16string(1016, u'1'), false}));

// The one-pass split copies a token in rounds of four units and checks the bound once a round:
// tokens of every length across two rounds, each ended by every kind of unit, and lines that
// end on each side of the bound.
std::vector<PlainLine> token_ends() {
  std::vector<PlainLine> lines;
  const std::u16string letters = u"!bcdefgh~\x7F";
  for (std::size_t length = 1; length <= 10; ++length) {
    const std::u16string token = letters.substr(0, length);
    lines.push_back({u"bmi " + token, true});
    lines.push_back({u"bmi " + token + u" 1", true});
    lines.push_back({u"bmi " + token + u"\t\t1", true});
    lines.push_back({token + u"  ", true});
    lines.push_back({u"bmi " + token + u"\u00E9 1", false});
    lines.push_back({u"bmi " + token + u"\u0121", false});  // '!' in its low byte
    lines.push_back({u"bmi " + token + u"\x80", false});
    lines.push_back({u"bmi " + token + u"\r1", false});
    lines.push_back({u"bmi " + token + u"\x1F", false});
    lines.push_back({u"bmi \x01" + token, false});
  }
  for (std::size_t end = 1012; end <= 1025; ++end) {
    const std::u16string lead(end - 7, u' ');
    lines.push_back({lead + u"abcdefg", end < tamsel::max_command_bytes});
    lines.push_back({lead + u"abcdefg ", end + 1 < tamsel::max_command_bytes});
    lines.push_back({u"x" + lead.substr(1) + u"abcdefg", end < tamsel::max_command_bytes});
  }
  return lines;
}

INSTANTIATE_TEST_SUITE_P(TokenEnds, OnePassSplit, testing::ValuesIn(token_ends()));

TEST(Entry, ReturnsTheSameBufferWithTheLatestAnswer) {
  const TamselChar16* first = CalcHealth(wide_text(std::string_view("bmi 70 1.75")).c_str());
  const TamselChar16* second = CalcHealth(wide_text(std::string_view("max_hr 30")).c_str());
  EXPECT_EQ(first, second);
  EXPECT_EQ(utf8_text(first), "Maximum Heart Rate: 190 bpm");
}

// The token buffer keeps the first 1023 narrow bytes of a command line.
TEST(LongCommandLine, IsTokenisedFromItsFirst1023Bytes) {
  const std::string request = "bmi 70 1.75" + std::string(1489, ' ') + "junk";
  ASSERT_EQ(request.size(), 1504u);
  EXPECT_EQ(ask(request), "BMI: 22.86");
  // The cut falls just before a token, which simply goes.
  EXPECT_EQ(ask("bmi 70 1.75" + std::string(1012, ' ') + "5"), "BMI: 22.86");
  // The cut falls just after a whole token.
  EXPECT_EQ(ask("bmi 70" + std::string(1013, ' ') + "1.75 5"), "BMI: 22.86");
}

TEST(LongCommandLine, NeverComputesFromACutArgument) {
  // The cut leaves "70 1" of "70 1.75": the height must not be read as 1.
  EXPECT_EQ(ask("bmi" + std::string(1016, ' ') + "70 1.75"), "Usage: bmi [weight_kg] [height_m]");
  EXPECT_EQ(ask("bodyfat_navy M 90 40" + std::string(1000, ' ') + "1800"),
            "Usage: bodyfat_navy [M/F] [waist_cm] [neck_cm] [height_cm] [hip_cm (F only)]");
  EXPECT_EQ(ask("bodyfat_navy F 75 33 165" + std::string(996, ' ') + "1000"),
            "Female requires: waist, neck, height, hip");
  // Even a cut argument that was one too many keeps the request from being computed.
  EXPECT_EQ(ask("bmi 70 1.75" + std::string(1009, ' ') + "1234"), "Usage: bmi [weight_kg] [height_m]");
  EXPECT_EQ(ask("bodyfat_navy M 90 40 180" + std::string(996, ' ') + "1234"),
            "Male requires: waist, neck, height");
}

TEST(LongCommandLine, EchoesACutKeywordAsItArrived) {
  EXPECT_EQ(ask(std::string(1500, 'x')), "Unknown formula: " + std::string(1023, 'x'));
  EXPECT_EQ(ask(std::string(1023, 'x') + " 1 2"), "Unknown formula: " + std::string(1023, 'x'));
}

TEST(LongCommandLine, FiftyMillionUnitsAreAnsweredAtOnce) {
  WideText request = wide_text(std::string_view("bmi 70 1.75 "));
  request.resize(50'000'000, u'9');
  EXPECT_EQ(ask(request), "Usage: bmi [weight_kg] [height_m]");
  std::fill(request.begin() + 11, request.end(), u'\t');
  EXPECT_EQ(ask(request), "BMI: 22.86");
}

struct CodePage {
  std::u16string wide;
  const char* narrow;  // what the keyword becomes in Windows-1252
  const char* echoed;  // and what comes back, as UTF-8
};

// The narrow form the platform gives a text: the built-in Windows-1252 table, or on Windows
// the system's own conversion, which maps some characters to look-alikes ("best fit").
std::string platform_narrow(const CodePage& page) {
#ifdef _WIN32
  char narrow[16] = {};
  const WideText wide = wide_text(page.wide);
  const int count = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), static_cast<int>(wide.size()), narrow,
                                        sizeof narrow, nullptr, nullptr);
  return std::string(narrow, static_cast<std::size_t>(count));
#else
  return page.narrow;
#endif
}

void PrintTo(const CodePage& page, std::ostream* os) { *os << '"' << page.narrow << '"'; }

class WindowsCodePage : public testing::TestWithParam<CodePage> {};

TEST_P(WindowsCodePage, MapsCharactersToBytesAndBack) {
  char narrow[8] = {};
  const WideText wide = wide_text(GetParam().wide);
  const std::string expected = platform_narrow(GetParam());
  const std::size_t length = tamsel::narrow_from_wide(wide.c_str(), narrow, sizeof narrow);
  EXPECT_EQ(std::string(narrow, length), expected);
  TamselChar16 back[8];
  tamsel::wide_from_narrow(expected.c_str(), expected.size(), back, 8);
  EXPECT_EQ(ask(wide), "Unknown formula: " + utf8_text(back));
#ifndef _WIN32
  EXPECT_EQ(utf8_text(back), GetParam().echoed);
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Characters, WindowsCodePage,
    testing::Values(CodePage{u"\u20AC", "\x80", "\u20AC"}, CodePage{u"\u0081", "\x81", "\u0081"},
                    CodePage{u"\u009D", "\x9D", "\u009D"}, CodePage{u"\u0178", "\x9F", "\u0178"},
                    CodePage{u"\u00E9t\u00E9", "\xE9t\xE9", "\u00E9t\u00E9"},
                    CodePage{u"\u00FF", "\xFF", "\u00FF"},
                    // Characters the code page lacks become one question mark each.
                    CodePage{u"\u0080", "?", "?"}, CodePage{u"\u0100", "?", "?"},
                    CodePage{u"\u4E2D\u6587", "??", "??"},
                    CodePage{u"\U0001F600", "?", "?"},
                    CodePage{std::u16string(1, u'\xD83D'), "?", "?"},
                    CodePage{std::u16string(1, u'\xDE00') + u"x", "?x", "?x"}));

TEST(WindowsCodePageText, SquareMetresWidenToUnicode) {
  TamselChar16 wide[4];
  tamsel::wide_from_narrow("m\xB2", 2, wide, 4);
  EXPECT_EQ(wide[1], 0x00B2);
  EXPECT_EQ(ask("bsa 70 175"), "Body Surface Area: 1.845 m\u00B2");
}

TEST(WindowsCodePageText, StopsAtTheCapacity) {
  const WideText wide = wide_text(std::string_view("abcdef"));
  char narrow[4];
  EXPECT_EQ(tamsel::narrow_from_wide(wide.c_str(), narrow, 4), 4u);
  TamselChar16 units[3];
  tamsel::wide_from_narrow("abcdef", 6, units, 3);
  EXPECT_EQ(utf8_text(units), "ab");
  tamsel::wide_from_narrow("abc", 3, units, 3);  // the terminator needs a place too
  EXPECT_EQ(utf8_text(units), "ab");
  units[0] = 'x';
  tamsel::wide_from_narrow("abc", 3, units, 1);
  EXPECT_EQ(units[0], 0);
}

// The answer is widened in whole blocks, past its length: the units up to the terminator must
// be those of the plain conversion, whatever lies beyond, high bytes included.
TEST(AnswerWidening, GivesThePlainConversionsUnits) {
  static char narrow[tamsel::output_text_size];
  static TamselChar16 blocks[tamsel::result_text_size];
  static TamselChar16 plain[tamsel::result_text_size];
  for (std::size_t index = 0; index < sizeof narrow; ++index) {
    // Mostly ASCII, with the odd byte from 0x80 to 0xFF, stale ones past the length included.
    narrow[index] = static_cast<char>(index % 7 == 3 ? 0x80 + index % 128 : 0x20 + index % 90);
  }
  for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{15},
                                   std::size_t{16}, std::size_t{17}, std::size_t{1999}, std::size_t{2000}}) {
    for (const bool ascii_only : {true, false}) {
      std::string saved(narrow, length < sizeof narrow ? length : sizeof narrow);
      if (ascii_only) std::fill(narrow, narrow + saved.size(), 'a');
      std::fill(std::begin(blocks), std::end(blocks), TamselChar16{0x2222});
      tamsel::widen_answer(narrow, length, blocks);
      tamsel::wide_from_narrow(narrow, length, plain, tamsel::result_text_size);
      const std::size_t kept = length < sizeof narrow ? length : sizeof narrow - 1;
      EXPECT_TRUE(std::equal(plain, plain + kept + 1, blocks)) << length << (ascii_only ? " ascii" : "");
      std::copy(saved.begin(), saved.end(), narrow);
    }
  }
}

}  // namespace
}  // namespace tamsel_test

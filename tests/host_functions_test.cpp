// SPDX-License-Identifier: MIT
// The host's own functions: reading arguments as the library does, classifying answers,
// warnings, and text bound for a terminal.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "app/answer_record.h"
#include "app/terminal_text.h"
#include "app/utf8_text.h"
#include "calc_request.h"
#include "review/unicode.h"

namespace tamsel_test {
namespace {

TamselRecord review;

TEST(AnswerRecord, JsonAndCsvEscapeWhatTheyMust) {
  const std::string request = "say \"hi\",\\ \x01\x7f\xc2\x85\xff";
  const std::string listing = "Available Medical Calculations:\r\nBody Composition:";
  tamsel_review(request.data(), request.size(), listing.data(), listing.size(), &review);
  std::string json;
  tamsel_host::append_json_record({7, request, review}, json);
  EXPECT_EQ(json,
            "{\"line\":7,\"request\":\"say \\\"hi\\\",\\\\ \\u0001\\u007f\\u0085\xef\xbf\xbd\",\"kind\":\"listing\","
            "\"text\":\"Available Medical Calculations:\\nBody Composition:\",\"value\":null,\"unit\":\"\","
            "\"warnings\":[],\"category\":null,\"category_source\":null,\"category_note\":null}");
  std::string csv;
  tamsel_host::append_csv_record({7, request, review}, csv);
  EXPECT_EQ(csv,
            "7,\"say \"\"hi\"\",\\ \x01\x7f\xc2\x85\xef\xbf\xbd\",listing,"
            "\"Available Medical Calculations:\nBody Composition:\",,,,,,");
  const std::string bmi = "bmi 70 1,75";
  tamsel_ask(bmi.data(), bmi.size(), &review);
  csv.clear();
  tamsel_host::append_csv_record({1, bmi, review}, csv);
  EXPECT_EQ(csv, "1,\"bmi 70 1,75\",result,BMI: 70.00,70.00,,\"height_m \"\"1,75\"\" reads as 1; the decimal point is '.'\",,,");
}

// Every control character is escaped by its own number, at each end of the C0 and C1 ranges,
// in the request and in the warning that quotes it.
TEST(AnswerRecord, JsonEscapesEachControlCharacterExactly) {
  struct Case {
    const char* control;
    const char* escaped;
  };
  for (const Case& c : std::vector<Case>{{"\x01", "1.75\\u0001"},
                                         {"\x1f", "1.75\\u001f"},
                                         {"\x7f", "1.75\\u007f"},
                                         {"\xc2\x80", "1.75\\u0080"},
                                         {"\xc2\x9f", "1.75\\u009f"},
                                         {"\xc2\xa0", "1.75\xc2\xa0"}}) {
    const std::string request = std::string("bmi 70 1.75") + c.control;
    tamsel_ask(request.data(), request.size(), &review);
    std::string json;
    tamsel_host::append_json_record({1, request, review}, json);
    const std::size_t first = json.find(c.escaped);
    ASSERT_NE(first, std::string::npos) << json;
    EXPECT_NE(json.find(c.escaped, first + 1), std::string::npos) << json;  // the warning's quote
  }
}

// A spreadsheet runs a cell that starts with =, +, -, @, tab or CR; every text cell is guarded,
// quoted or not, and nothing else changes.
TEST(AnswerRecord, NoCsvTextCellRunsAsAFormula) {
  struct Case {
    const char* request;
    const char* row;
  };
  for (const Case& c : std::vector<Case>{
           {"=1+1 2", "1,'=1+1 2,unknown,Unknown formula: =1+1,,,,,"},
           {"+x", "1,'+x,unknown,Unknown formula: +x,,,,,"},
           {"-x", "1,'-x,unknown,Unknown formula: -x,,,,,"},
           {"@SUM(A1)", "1,'@SUM(A1),unknown,Unknown formula: @SUM(A1),,,,,"},
           {"\t=x", "1,'\t=x,unknown,Unknown formula: =x,,,,,"},
           {"\r=x", "1,\"'\r=x\",unknown,\"Unknown formula: \r=x\",,,,,"},
           {"=x,\"y\"", "1,\"'=x,\"\"y\"\"\",unknown,\"Unknown formula: =x,\"\"y\"\"\",,,,,"},
           {"a=b", "1,a=b,unknown,Unknown formula: a=b,,,,,"},
           {"lbm M 0 71.9", "1,lbm M 0 71.9,result,Lean Body Mass: -0.00 kg,-0.00,kg,"}}) {
    tamsel_ask(c.request, std::strlen(c.request), &review);
    std::string csv;
    tamsel_host::append_csv_record({1, c.request, review}, csv);
    EXPECT_EQ(csv.substr(0, std::strlen(c.row)), c.row) << c.request;
  }
}

TEST(TerminalText, ShowsControlCharactersInsteadOfSendingThem) {
  struct Case {
    const char* text;
    bool keep_line_breaks;
    const char* shown;
  };
  for (const Case& c : std::vector<Case>{
           {"Unknown formula: \x1b]0;pwned\x07", false, "Unknown formula: ^[]0;pwned^G"},
           {"a\tb", false, "a\tb"},
           {"a\nb\r\nc", false, "a^Jb^M^Jc"},
           {"a\nb\r\nc\rd", true, "a\nb\r\nc^Md"},
           {"\x7f\x01", false, "^?^A"},
           {"\xc2\x9b" "31m \xc2\x85", false, "\xef\xbf\xbd" "31m \xef\xbf\xbd"},  // C1 controls
           {"\xc2\x80|\xc2\x9f|\xc2\xa0", false, "\xef\xbf\xbd|\xef\xbf\xbd|\xc2\xa0"},  // the C1 range's ends
           {"caf\xc3\xa9 m\xc2\xb2 \xe2\x82\xac", false, "caf\xc3\xa9 m\xc2\xb2 \xe2\x82\xac"},
           {"\xff\x9b\xe2\x82", false, "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"}}) {
    std::string shown;
    tamsel_host::append_visible(c.text, c.keep_line_breaks, shown);
    EXPECT_EQ(shown, c.shown) << c.text;
  }
}

TEST(TerminalText, DropsTheEscapeSequencesThatKeysSend) {
  struct Case {
    const char* typed;
    const char* kept;
    bool removed;
  };
  for (const Case& c : std::vector<Case>{{"bmi 70 1.75", "bmi 70 1.75", false},
                                         {"\x1b[A", "", true},                    // Up
                                         {"max_hr 30\x1b[D\x1b[C", "max_hr 30", true},
                                         {"\x1b[1;5Cbmi", "bmi", true},           // Ctrl+Right
                                         {"\x1b[15~map", "map", true},            // F5
                                         {"\x1bOPmap\x1bOH", "map", true},         // F1, Home
                                         {"\x1b\x1b[Amap", "map", true},          // Alt+Up
                                         {"\x1bxmap", "map", true},               // Alt+x
                                         {"\x1b]0;t\x07", "0;t\x07", true},       // no key sends OSC
                                         {"map\x1b[1;5", "map", true},            // cut short
                                         {"map\x1b", "map", true},
                                         {"map\x1bO", "map", true},
                                         {"caf\xc3\xa9\x1b[C", "caf\xc3\xa9", true},
                                         // parameters come before intermediates: "/" ends them
                                         {"x\x1b[/1my", "x1my", true}}) {
    std::string line = c.typed;
    EXPECT_EQ(tamsel_host::strip_escape_sequences(line), c.removed) << c.typed;
    EXPECT_EQ(line, c.kept) << c.typed;
  }
}

std::size_t warnings_about(const TamselRecord& record, const std::string& argument) {
  std::size_t count = 0;
  for (std::size_t index = 0; index < record.warning_count; ++index) {
    const std::string warning = record.warnings[index];
    count += warning.rfind(argument + " ", 0) == 0 && warning.find(" outside ") != std::string::npos ? 1 : 0;
  }
  return count;
}

// Every plausible range includes its bounds and nothing beyond them, at both ends.
TEST(ArgumentReview, RangesIncludeTheirBoundsAndNoMore) {
  struct Case {
    const char* request;
    const char* argument;
    bool outside;
  };
  for (const Case& c : std::vector<Case>{
           {"bmi 2 1.75", "weight_kg", false},           {"bmi 400 1.75", "weight_kg", false},
           {"bmi 1.99 1.75", "weight_kg", true},         {"bmi 400.01 1.75", "weight_kg", true},
           {"bmi 70 0.3", "height_m", false},            {"bmi 70 2.75", "height_m", false},
           {"bmi 70 0.29", "height_m", true},            {"bmi 70 2.76", "height_m", true},
           {"bsa 70 30", "height_cm", false},            {"bsa 70 275", "height_cm", false},
           {"bsa 70 29.9", "height_cm", true},           {"bsa 70 275.1", "height_cm", true},
           {"whr 30 100", "waist_cm", false},            {"whr 250 100", "waist_cm", false},
           {"whr 29.9 100", "waist_cm", true},           {"whr 250.5 100", "waist_cm", true},
           {"whr 100 30", "hip_cm", false},              {"whr 100 250", "hip_cm", false},
           {"whr 100 29.9", "hip_cm", true},             {"whr 100 250.5", "hip_cm", true},
           {"bodyfat_navy M 90 15 180", "neck_cm", false}, {"bodyfat_navy M 90 80 180", "neck_cm", false},
           {"bodyfat_navy M 90 14.9 180", "neck_cm", true}, {"bodyfat_navy M 90 80.1 180", "neck_cm", true},
           {"max_hr 1", "age", false},                   {"max_hr 120", "age", false},
           {"max_hr 0", "age", true},                    {"max_hr 121", "age", true},
           {"tdee 300 1.5", "bmr", false},               {"tdee 5000 1.5", "bmr", false},
           {"tdee 299 1.5", "bmr", true},                {"tdee 5001 1.5", "bmr", true},
           {"tdee 1800 1", "activity_factor", false},    {"tdee 1800 2.5", "activity_factor", false},
           {"tdee 1800 0.99", "activity_factor", true},  {"tdee 1800 2.51", "activity_factor", true},
           {"target_hr 30 0.3", "intensity_percent", false}, {"target_hr 30 1", "intensity_percent", false},
           {"target_hr 30 30", "intensity_percent", false},  {"target_hr 30 100", "intensity_percent", false},
           {"target_hr 30 0.29", "intensity_percent", true}, {"target_hr 30 29", "intensity_percent", true},
           {"target_hr 30 1.01", "intensity_percent", true}, {"target_hr 30 101", "intensity_percent", true},
           {"map 50 20", "systolic", false},             {"map 300 200", "systolic", false},
           {"map 49 20", "systolic", true},              {"map 301 80", "systolic", true},
           {"map 120 20", "diastolic", false},           {"map 300 200", "diastolic", false},
           {"map 120 19", "diastolic", true},            {"map 300 201", "diastolic", true}}) {
    tamsel_ask(c.request, std::strlen(c.request), &review);
    EXPECT_EQ(warnings_about(review, c.argument), c.outside ? 1U : 0U) << c.request;
  }
}

// Tokens the library reads whole, in every form it accepts, draw no "reads as" warning: the
// review must measure each form's length as the library does.
TEST(ArgumentReview, WholeNumbersInEveryFormAreNotDoubted) {
  struct Case {
    const char* request;
    const char* warning;  // the only one expected, or "" for none
  };
  for (const Case& c : std::vector<Case>{
           {"bmi 70 1.500000000000", ""},  // twelve decimals: exactly 1.5
           {"bmi 70 2.000000000000000", ""},
           {"bmi 20 0.8000000000000", ""},
           {"bmi infinity 1.75", "weight_kg infinity is outside 2 to 400"},
           {"bmi -INFINITY 1.75", "weight_kg -INFINITY is outside 2 to 400"},
           {"bmi nan(1) 1.75", "weight_kg nan(1) is outside 2 to 400"},
           {"bmi nan(x_1) 1.75", "weight_kg nan(x_1) is outside 2 to 400"}}) {
    tamsel_ask(c.request, std::strlen(c.request), &review);
    ASSERT_EQ(review.warning_count, *c.warning == '\0' ? 0U : 1U) << c.request;
    if (review.warning_count == 1) {
      EXPECT_STREQ(review.warnings[0], c.warning) << c.request;
    }
  }
}

// A long token is quoted cut short, and the cut never splits a character, wherever the
// characters fall.
TEST(ArgumentReview, LongTokensAreCutOnACharacterBoundary) {
  for (const char* character : {"\xc3\xa9", "\xe2\x82\xac", "\xf0\x9f\x98\x80"}) {
    for (std::size_t ascii = 0; ascii < 4; ++ascii) {
      std::string token(ascii, 'a');
      for (int count = 0; count < 40; ++count) token += character;
      const std::string request = "bmi " + token + " 1.75";
      tamsel_ask(request.data(), request.size(), &review);
      ASSERT_EQ(review.warning_count, 1U) << request;
      const std::string warning = review.warnings[0];
      const std::size_t open = warning.find('"');
      const std::size_t cut = warning.find("\xe2\x80\xa6\"");  // the ellipsis, then the closing quote
      ASSERT_NE(cut, std::string::npos) << warning;
      const std::string kept = warning.substr(open + 1, cut - open - 1);
      EXPECT_EQ(token.compare(0, kept.size(), kept), 0) << warning;
      EXPECT_EQ((kept.size() - ascii) % std::strlen(character), 0U) << warning;
      EXPECT_GT(kept.size(), 30U) << warning;
    }
  }
}

// A warning about the result names the numbers it is about, as typed.
TEST(ArgumentReview, ResultWarningsNameTheirNumbers) {
  struct Case {
    const char* request;
    std::vector<std::string> warnings;
  };
  for (const Case& c : std::vector<Case>{
           {"bodyfat_navy M 90 40 -5",
            {"height_cm -5 is outside 30 to 275", "height -5 is not above 0, so the Navy formula has no answer"}},
           {"bodyfat_navy M 40 40.5 180", {"waist 40 is not above neck 40.5, so the Navy formula has no answer"}},
           {"bodyfat_navy F 30 70 165 35",
            {"waist 30 and hip 35 together are not above neck 70, so the Navy formula has no answer"}},
           {"map 80 120", {"systolic 80 is below diastolic 120; swapped?"}},
           // a height in inches is 137 cm to 229 cm in centimetres, no more and no less
           {"ideal_devine M 53.8",
            {"height 53.8 cm is under the 5 feet (152.4 cm) the Devine formula was made for: below it, the formula runs on "
             "past its data"}},
           {"ideal_devine M 54", {"height 54 cm is under the 5 feet (152.4 cm) the Devine formula was made for; height in inches?"}},
           {"ideal_devine M 90.1",
            {"height 90.1 cm is under the 5 feet (152.4 cm) the Devine formula was made for; height in inches?"}},
           {"ideal_devine M 90.2",
            {"height 90.2 cm is under the 5 feet (152.4 cm) the Devine formula was made for: below it, the formula runs on "
             "past its data"}}}) {
    tamsel_ask(c.request, std::strlen(c.request), &review);
    EXPECT_EQ(std::vector<std::string>(review.warnings, review.warnings + review.warning_count), c.warnings)
        << c.request;
  }
}

// Requests reach the library as UTF-16 and answers come back from it, through the host's
// conversions and the review's: every maximal ill-formed subsequence is one U+FFFD, and every
// well-formed character survives, at each range's ends.
TEST(Utf8Text, ConvertsToUtf16AtTheEdgesOfEveryRange) {
  constexpr TamselChar16 bad = 0xFFFD;
  struct Case {
    const char* bytes;
    std::vector<TamselChar16> units;
  };
  for (const Case& c : std::vector<Case>{
           {"\xc2\x80", {0x80}},                                    // the lowest continuation byte
           {"\xdf\xbf", {0x7FF}},
           {"\xe0\xa0\x80", {0x800}},
           {"\xe0\x9f\xbf", {bad, bad, bad}},                        // overlong
           {"\xef\x80\x80", {0xF000}},
           {"\xef\xbf\xbf", {0xFFFF}},
           {"\xed\x9f\xbf", {0xD7FF}},
           {"\xed\xa0\x80", {bad, bad, bad}},                        // a surrogate
           {"\xf0\x90\x80\x80", {0xD800, 0xDC00}},                   // U+10000
           {"\xf0\x9f\x98\x80" "A", {0xD83D, 0xDE00, 'A'}},             // U+1F600
           {"\xf0\xbf\xbf\xbf", {0xD8BF, 0xDFFF}},                   // U+3FFFF
           {"\xf0\x80\x80\x80", {bad, bad, bad, bad}},                // overlong
           {"\xf0\xc0\x80\x80", {bad, bad, bad, bad}},
           {"\xf4\x8f\xbf\xbf", {0xDBFF, 0xDFFF}},                   // U+10FFFF
           {"\xf4\x90\x80\x80", {bad, bad, bad, bad}},                // above U+10FFFF
           {"\xf5\x80\x80\x80", {bad, bad, bad, bad}},                // never a lead byte
           {"\xe2\x82\x7f", {bad, 0x7F}},                            // cut short by ASCII
           {"\xf0\x90\x80\x7f", {bad, 0x7F}},
           {"\xe2\x82", {bad}}}) {
    const tamsel_host::WideText expected(c.units.begin(), c.units.end());
    tamsel_host::WideText wide;
    tamsel_host::append_utf16(c.bytes, wide);
    EXPECT_EQ(wide, expected) << c.bytes;
    TamselChar16 units[16];
    std::fill(std::begin(units), std::end(units), TamselChar16{'x'});
    const std::size_t size = tamsel::review::utf16_from_utf8(c.bytes, units, 16);
    EXPECT_EQ(tamsel_host::WideText(units, size), expected) << c.bytes;
    EXPECT_EQ(units[size], 0) << c.bytes;
  }
}

TEST(Utf8Text, ConvertsFromUtf16WithLoneSurrogatesReplaced) {
  struct Case {
    std::vector<TamselChar16> units;
    const char* bytes;
  };
  for (const Case& c : std::vector<Case>{{{0xD800, 0xDC00, 'A'}, "\xf0\x90\x80\x80" "A"},
                                         {{0xDBFF, 0xDFFF}, "\xf4\x8f\xbf\xbf"},
                                         {{0xD83D, 0xDE00, 0xD83D, 0xDE01}, "\xf0\x9f\x98\x80\xf0\x9f\x98\x81"},
                                         {{0xDC00, 0xDC00}, "\xef\xbf\xbd\xef\xbf\xbd"},
                                         {{0xD800, 0x41}, "\xef\xbf\xbd" "A"},
                                         {{0xDFFF}, "\xef\xbf\xbd"},
                                         {{0x7F, 0x80, 0x7FF, 0x800}, "\x7f\xc2\x80\xdf\xbf\xe0\xa0\x80"},
                                         {{0xE000, 0xFFFF}, "\xee\x80\x80\xef\xbf\xbf"},
                                         // A high surrogate before a unit just outside the low ones.
                                         {{0xD800, 0xDBFF}, "\xef\xbf\xbd\xef\xbf\xbd"},
                                         {{0xDBFF, 0xE000}, "\xef\xbf\xbd\xee\x80\x80"},
                                         {{0xD7FF}, "\xed\x9f\xbf"}}) {
    const tamsel_host::WideText wide(c.units.begin(), c.units.end());
    std::string bytes;
    tamsel_host::append_utf8(wide.c_str(), bytes);
    EXPECT_EQ(bytes, c.bytes) << wide.size();
    char out[32];
    std::fill(std::begin(out), std::end(out), 'x');
    const std::size_t size = tamsel::review::utf8_from_utf16(wide.c_str(), out, sizeof out, 16);
    EXPECT_EQ(std::string(out, size), c.bytes) << wide.size();
    EXPECT_EQ(out[size], '\0') << wide.size();
  }
}

// ASCII moves a word at a time: whatever unit ends the run (a terminator, a character beyond
// ASCII, a surrogate) and wherever it falls within a word, the result must equal the one a unit
// at a time gives, and nothing after the terminator may be read into it.
TEST(Utf8Text, WordAtATimeConversionsStopWhereTheRunEnds) {
  // Each side of the edges where packing sixteen units into bytes saturates: 0xFF, 0x100, 0x7FFF
  // and 0x8000.
  const std::vector<std::vector<TamselChar16>> enders = {{0},      {0x80},   {0xE9},   {0x7F, 0x80},     {0x20AC},
                                                         {0xFF},   {0x100},  {0x7FFF}, {0xD83D, 0xDE00}, {0xDC00},
                                                         {0x8000}, {0xFF41}};
  for (std::size_t length = 0; length < 36; ++length) {
    for (std::size_t at = 0; at <= length; ++at) {
      for (const std::vector<TamselChar16>& ender : enders) {
        // The library's answer buffer: what follows the terminator is stale text.
        std::vector<TamselChar16> units(2000, TamselChar16{'Z'});
        for (std::size_t index = 0; index < length; ++index) units[index] = static_cast<TamselChar16>('a' + index % 26);
        std::copy(ender.begin(), ender.end(), units.begin() + static_cast<std::ptrdiff_t>(at));
        units[std::max(length, at + ender.size())] = 0;
        const tamsel_host::WideText wide(units.data());
        std::string expected;
        tamsel_host::append_utf8(wide.c_str(), expected);
        // Filled anew for each call, so that no earlier call's bytes can stand in for missing ones.
        char one_by_one[64];
        char by_words[64];
        std::fill(std::begin(one_by_one), std::end(one_by_one), '#');
        std::fill(std::begin(by_words), std::end(by_words), '#');
        const std::size_t size = tamsel::review::utf8_from_utf16(units.data(), one_by_one, sizeof one_by_one, 64);
        EXPECT_EQ(std::string(one_by_one, size), expected) << length << " " << at;
        const std::size_t word_size = tamsel::review::utf8_from_utf16(units.data(), by_words, sizeof by_words, 64, units.size());
        EXPECT_EQ(std::string(by_words, word_size), expected) << length << " " << at;
        EXPECT_EQ(by_words[word_size], '\0');
        // And back: bytes to units, the other word-at-a-time loop (a lone surrogate came out
        // as U+FFFD, and goes back as that).
        tamsel_host::WideText expected_back;
        tamsel_host::append_utf16(expected, expected_back);
        TamselChar16 back[64];
        const std::size_t back_size = tamsel::review::utf16_from_utf8(expected, back, 64);
        EXPECT_EQ(tamsel_host::WideText(back, back_size), expected_back) << length << " " << at;
      }
    }
  }
  // Bytes that end a run of ASCII, at every place in a block of 8 or 16 bytes, the last of
  // which may overlap the one before.
  for (std::size_t at = 0; at < 37; ++at) {
    for (const char ender : {'\0', '\x80', '\xC3', '\xFF', '\x7F'}) {
      std::string bytes(40, 'q');
      for (std::size_t index = 0; index < bytes.size(); ++index) bytes[index] = static_cast<char>('a' + index % 26);
      bytes[at] = ender;
      TamselChar16 wide[48] = {};
      const std::size_t widened = tamsel::review::widen_ascii(bytes.data(), bytes.size(), wide);
      const std::size_t expected = ender == '\x7F' ? bytes.size() : at;
      EXPECT_EQ(widened, expected) << at << " " << static_cast<int>(ender);
      for (std::size_t index = 0; index < widened; ++index) EXPECT_EQ(wide[index], static_cast<unsigned char>(bytes[index]));
      // Nothing past the given size is read or widened.
      EXPECT_EQ(tamsel::review::widen_ascii(bytes.data(), at, wide), at);
    }
  }
}

// The review's buffers are fixed: a conversion stops before a character that would not fit,
// and after as many characters as asked, always terminated.
TEST(Utf8Text, TheReviewsConversionsStopWhereTheyMust) {
  const std::u16string smile = u"a\U0001F600b";
  TamselChar16 units[4];
  EXPECT_EQ(tamsel::review::utf16_from_utf8("a\xf0\x9f\x98\x80" "b", units, 3), 1U);  // the pair would not fit
  EXPECT_EQ(units[1], 0);
  EXPECT_EQ(tamsel::review::utf16_from_utf8("a\xf0\x9f\x98\x80" "b", units, 4), 3U);
  const tamsel_host::WideText wide(smile.begin(), smile.end());
  char bytes[8];
  EXPECT_EQ(tamsel::review::utf8_from_utf16(wide.c_str(), bytes, 5, 16), 1U);  // 1 + 4 bytes need 6
  EXPECT_EQ(std::string(bytes), "a");
  EXPECT_EQ(tamsel::review::utf8_from_utf16(wide.c_str(), bytes, sizeof bytes, 2), 5U);
  EXPECT_EQ(std::string(bytes), "a\xf0\x9f\x98\x80");
  // ASCII is cut at the same places, whether it goes a unit or a block at a time.
  std::vector<TamselChar16> letters(64, 0);
  for (std::size_t index = 0; index < 40; ++index) letters[index] = static_cast<TamselChar16>('a' + index % 26);
  for (const std::size_t readable : {std::size_t{0}, letters.size()}) {
    for (std::size_t limit = 1; limit < 24; ++limit) {
      char cut[32];
      std::fill(std::begin(cut), std::end(cut), '#');
      EXPECT_EQ(tamsel::review::utf8_from_utf16(letters.data(), cut, sizeof cut, limit, readable), limit) << limit;
      EXPECT_EQ(cut[limit], '\0') << limit;
      EXPECT_EQ(std::string(cut), std::string(letters.begin(), letters.begin() + static_cast<std::ptrdiff_t>(limit))) << limit;
      std::fill(std::begin(cut), std::end(cut), '#');
      EXPECT_EQ(tamsel::review::utf8_from_utf16(letters.data(), cut, limit + 1, 64, readable), limit) << limit;
      EXPECT_EQ(cut[limit], '\0') << limit;
      EXPECT_EQ(cut[limit + 1], '#') << limit;  // nothing past the capacity
    }
  }
}

}  // namespace
}  // namespace tamsel_test

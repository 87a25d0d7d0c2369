// SPDX-License-Identifier: MIT
// What each formula is, written down once: its keyword, its arguments with their types, units
// and plausible ranges, the line its result is printed in, its place in the listing and the
// published scheme that classifies its result. The library's usage lines and listing, the
// review's rules and every binding's metadata are made from this table.
#ifndef TAMSEL_CATALOG_FORMULA_TABLE_H
#define TAMSEL_CATALOG_FORMULA_TABLE_H

#include <cstddef>
#include <limits>
#include <string_view>

namespace tamsel::catalog {

// In the order the library compares keywords; the C interface numbers formulas the same way.
enum class FormulaId : unsigned char {
  bmi, bmr_harris, bmr_mifflin, bodyfat_navy, whr, ideal_devine, ideal_robinson, ideal_miller, bsa,
  lbm, tdee, max_hr, target_hr, bai, wthr, bp_category, map, pulse_pressure
};
constexpr std::size_t formula_count = 18;

// bodyfat_navy's, the most a formula takes.
constexpr std::size_t max_arguments = 5;

// How the library reads an argument: as atof reads a number, as atoi reads one, or by the first
// letter ('M' or 'm' is male, anything else female).
enum class ArgumentType : unsigned char { real, whole, sex };

// A span of plausible values, with the words the warnings and the help print for it.
struct Range {
  double low;
  double high;
  std::string_view low_text;
  std::string_view high_text;
  std::string_view reading;  // how a value in this span is taken, where there are two
};

// Another unit a value may have been given in, what turns it into the argument's unit, and
// where the turned value must then lie for the hint to be named: a metric slip may be anyone's,
// inches and pounds are an adult's.
struct OtherUnit {
  std::string_view name;  // "inches"
  double factor;          // 2.54 for inches given as centimetres
  double low;
  double high;
};

// The exact definitions of the imperial units, which every turn to metric and every hint uses.
inline constexpr double kilograms_per_pound = 0.45359237;
inline constexpr double centimetres_per_inch = 2.54;
inline constexpr double metres_per_inch = 0.0254;

// The imperial unit a typed caller may give a metric argument in, when it says so by name, and
// the exact definition that turns it into the argument's unit (one multiplication, rounded once).
struct Imperial {
  std::string_view name;  // "weight_lb"; empty for an argument without one
  std::string_view unit;  // "lb" or "in"
  double factor;          // 0.45359237 kg a pound; 2.54 cm, or 0.0254 m, an inch
};

// One kind of argument, by the name the usage lines give it. Several formulas share a kind.
struct ArgumentKind {
  std::string_view name;  // "weight_kg"; "M/F" for the sex
  std::string_view binding_name;  // what the bindings call it: "sex" for "M/F"
  ArgumentType type;
  std::string_view unit;   // "kg", "m", "cm", "years", "calories/day", "mmHg" or ""
  std::string_view label;  // for people: "Weight"
  std::string_view hint;   // what a field adds to its unit, or ""
  Range ranges[2];
  std::size_t range_count;
  // A value outside the ranges that one of these brings into them was probably given in that
  // unit: every one that does is named.
  OtherUnit others[3];
  std::size_t other_count;
  Imperial imperial;
};

enum class ArgumentId : unsigned char {
  weight_kg, height_m, height_cm, waist_cm, hip_cm, neck_cm, age, bmr, activity_factor, intensity_percent,
  systolic, diastolic, sex
};
constexpr std::size_t argument_kind_count = 13;

// Plausible values for an adult or a child, wide enough that no real measurement is flagged,
// narrow enough to catch a unit mix-up or a slipped digit; and the other units a value outside
// them may have been typed in. docs/formulas.md gives their sources.
inline constexpr ArgumentKind argument_kinds[argument_kind_count] = {
    {"weight_kg", "weight_kg", ArgumentType::real, "kg", "Weight", "", {{2, 400, "2", "400", ""}, {}}, 1,
     {{"pounds", kilograms_per_pound, 30, 250}, {"grams", 0.001, 2, 400}}, 2, {"weight_lb", "lb", kilograms_per_pound}},
    {"height_m", "height_m", ArgumentType::real, "m", "Height", "", {{0.3, 2.75, "0.3", "2.75", ""}, {}}, 1,
     {{"centimetres", 0.01, 0.3, 2.75}, {"inches", metres_per_inch, 1.2, 2.2}, {"feet", 0.3048, 1.2, 2.2}}, 3,
     {"height_in", "in", metres_per_inch}},
    {"height_cm", "height_cm", ArgumentType::real, "cm", "Height", "", {{30, 275, "30", "275", ""}, {}}, 1,
     {{"metres", 100, 30, 275}, {"inches", centimetres_per_inch, 120, 220}, {"feet", 30.48, 120, 220}}, 3,
     {"height_in", "in", centimetres_per_inch}},
    {"waist_cm", "waist_cm", ArgumentType::real, "cm", "Waist", "", {{30, 250, "30", "250", ""}, {}}, 1,
     {{"metres", 100, 30, 250}, {"inches", centimetres_per_inch, 50, 200}}, 2, {"waist_in", "in", centimetres_per_inch}},
    {"hip_cm", "hip_cm", ArgumentType::real, "cm", "Hip", "", {{30, 250, "30", "250", ""}, {}}, 1,
     {{"metres", 100, 30, 250}, {"inches", centimetres_per_inch, 60, 200}}, 2, {"hip_in", "in", centimetres_per_inch}},
    {"neck_cm", "neck_cm", ArgumentType::real, "cm", "Neck", "", {{15, 80, "15", "80", ""}, {}}, 1,
     {{"metres", 100, 15, 80}, {"inches", centimetres_per_inch, 25, 60}}, 2, {"neck_in", "in", centimetres_per_inch}},
    {"age", "age", ArgumentType::whole, "years", "Age", "", {{1, 120, "1", "120", ""}, {}}, 1, {}, 0, {}},
    // The calculator's own rates for real people reach down to about 390 (a small woman of 90).
    {"bmr", "bmr", ArgumentType::real, "calories/day", "BMR", "", {{300, 5000, "300", "5000", ""}, {}}, 1, {}, 0, {}},
    {"activity_factor", "activity_factor", ArgumentType::real, "", "Activity factor", "\xC3\x97 BMR, 1.2 to 1.9",
     {{1, 2.5, "1", "2.5", ""}, {}}, 1, {}, 0, {}},
    // The library takes a value above 1 as a percentage and one of 1 or less as a fraction.
    {"intensity_percent", "intensity_percent", ArgumentType::real, "", "Intensity",
     "% of maximum heart rate, 70 or 0.7",
     {{0.3, 1, "0.3", "1", "a fraction"}, {30, 100, "30", "100", "a per cent"}}, 2, {}, 0, {}},
    {"systolic", "systolic", ArgumentType::whole, "mmHg", "Systolic pressure", "", {{50, 300, "50", "300", ""}, {}},
     1, {}, 0, {}},
    {"diastolic", "diastolic", ArgumentType::whole, "mmHg", "Diastolic pressure", "",
     {{20, 200, "20", "200", ""}, {}}, 1, {}, 0, {}},
    {"M/F", "sex", ArgumentType::sex, "", "Sex", "", {{}, {}}, 0, {}, 0, {}},
};

constexpr const ArgumentKind& argument_kind(ArgumentId id) { return argument_kinds[static_cast<std::size_t>(id)]; }

// The listing's groups, in its order.
enum class Group : unsigned char { body_composition, metabolic, ideal_weight, cardiovascular };
constexpr std::size_t group_count = 4;
inline constexpr std::string_view group_names[group_count] = {"Body Composition", "Metabolic Calculations", "Ideal Weight",
                                                       "Cardiovascular"};

// The published classifications of a result; docs/formulas.md gives each with its source.
enum class Scheme : unsigned char { none, bmi, blood_pressure, waist_to_height, body_fat };

// No formula's arguments or result are marked "women only" but bodyfat_navy's hip.
constexpr std::size_t no_argument = max_arguments;

struct Formula {
  std::string_view keyword;
  std::string_view title;  // the listing's name for it, as printed
  Group group;
  std::size_t argument_count;
  ArgumentId arguments[max_arguments];  // in the usage line's order
  std::size_t women_only;               // the argument only women give, or no_argument
  // How the listing names the arguments where it differs from the usage line; empty where not.
  std::string_view listing_arguments;
  // The result line: its printf format in the library's code page (a "%%" prints one percent
  // sign, 0xB2 is the superscript two), and the same line's parts in UTF-8.
  std::string_view format;
  std::string_view label;  // the text before ": "
  int decimals;            // -1 for a whole number ("%d")
  std::string_view unit;   // "kg", "%", "bpm", "m\xC2\xB2", "calories/day", "mmHg" or ""
  Scheme scheme;
  // A formula derived from adults that takes an age: the age of adulthood, under which it warns,
  // and the adults of its source ("adults aged 19 to 78"); 0 for the others.
  int least_age = 0;
  std::string_view source_ages = "";
  // A formula made for heights from this one on, in centimetres, with its words; 0 for none.
  double least_height_cm = 0;
  std::string_view least_height_text = "";
};

using A = ArgumentId;
inline constexpr Formula formulas[formula_count] = {
    {"bmi", "Body Mass Index", Group::body_composition, 2, {A::weight_kg, A::height_m}, no_argument, "",
     "BMI: %.2f", "BMI", 2, "", Scheme::bmi},
    {"bmr_harris", "BMR (Harris-Benedict)", Group::metabolic, 4, {A::sex, A::weight_kg, A::height_cm, A::age},
     no_argument, "", "BMR (Harris-Benedict): %.2f calories/day", "BMR (Harris-Benedict)", 2, "calories/day",
     Scheme::none, 18, "measurements of adults"},
    {"bmr_mifflin", "BMR (Mifflin-St Jeor)", Group::metabolic, 4, {A::sex, A::weight_kg, A::height_cm, A::age},
     no_argument, "", "BMR (Mifflin-St Jeor): %.2f calories/day", "BMR (Mifflin-St Jeor)", 2, "calories/day",
     Scheme::none, 18, "adults aged 19 to 78"},
    {"bodyfat_navy", "Body Fat % (Navy Method)", Group::body_composition, 5,
     {A::sex, A::waist_cm, A::neck_cm, A::height_cm, A::hip_cm}, 4, "[M/F] [waist] [neck] [height] [hip]",
     "Body Fat Percentage (Navy Method): %.2f%%", "Body Fat Percentage (Navy Method)", 2, "%", Scheme::body_fat},
    {"whr", "Waist-Hip Ratio", Group::body_composition, 2, {A::waist_cm, A::hip_cm}, no_argument, "",
     "Waist-Hip Ratio: %.3f", "Waist-Hip Ratio", 3, "", Scheme::none},
    {"ideal_devine", "Ideal Weight (Devine)", Group::ideal_weight, 2, {A::sex, A::height_cm}, no_argument, "",
     "Ideal Weight (Devine): %.2f kg", "Ideal Weight (Devine)", 2, "kg", Scheme::none, 0, "", 152.4,
     "5 feet (152.4 cm)"},
    {"ideal_robinson", "Ideal Weight (Robinson)", Group::ideal_weight, 2, {A::sex, A::height_cm}, no_argument, "",
     "Ideal Weight (Robinson): %.2f kg", "Ideal Weight (Robinson)", 2, "kg", Scheme::none, 0, "", 152.4,
     "5 feet (152.4 cm)"},
    {"ideal_miller", "Ideal Weight (Miller)", Group::ideal_weight, 2, {A::sex, A::height_cm}, no_argument, "",
     "Ideal Weight (Miller): %.2f kg", "Ideal Weight (Miller)", 2, "kg", Scheme::none, 0, "", 152.4,
     "5 feet (152.4 cm)"},
    {"bsa", "Body Surface Area", Group::body_composition, 2, {A::weight_kg, A::height_cm}, no_argument, "",
     "Body Surface Area: %.3f m\xB2", "Body Surface Area", 3, "m\xC2\xB2", Scheme::none},
    {"lbm", "Lean Body Mass", Group::body_composition, 3, {A::sex, A::weight_kg, A::height_cm}, no_argument, "",
     "Lean Body Mass: %.2f kg", "Lean Body Mass", 2, "kg", Scheme::none},
    {"tdee", "Total Daily Energy Expenditure", Group::metabolic, 2, {A::bmr, A::activity_factor}, no_argument, "",
     "Total Daily Energy Expenditure: %.2f calories/day", "Total Daily Energy Expenditure", 2, "calories/day",
     Scheme::none},
    {"max_hr", "Maximum Heart Rate", Group::cardiovascular, 1, {A::age}, no_argument, "",
     "Maximum Heart Rate: %.0f bpm", "Maximum Heart Rate", 0, "bpm", Scheme::none, 18, "adults aged 18 to 81"},
    {"target_hr", "Target Heart Rate", Group::cardiovascular, 2, {A::age, A::intensity_percent}, no_argument,
     "[age] [intensity_decimal]", "Target Heart Rate: %.0f bpm", "Target Heart Rate", 0, "bpm", Scheme::none, 18,
     "adults aged 18 to 81"},
    {"bai", "Body Adiposity Index", Group::body_composition, 2, {A::hip_cm, A::height_m}, no_argument, "",
     "Body Adiposity Index: %.2f%%", "Body Adiposity Index", 2, "%", Scheme::none},
    {"wthr", "Waist-to-Height Ratio", Group::body_composition, 2, {A::waist_cm, A::height_cm}, no_argument, "",
     "Waist-to-Height Ratio: %.3f", "Waist-to-Height Ratio", 3, "", Scheme::waist_to_height},
    {"bp_category", "Blood Pressure Category", Group::cardiovascular, 2, {A::systolic, A::diastolic}, no_argument,
     "", "Blood Pressure Category: %d", "Blood Pressure Category", -1, "", Scheme::blood_pressure},
    {"map", "Mean Arterial Pressure", Group::cardiovascular, 2, {A::systolic, A::diastolic}, no_argument, "",
     "Mean Arterial Pressure: %.1f mmHg", "Mean Arterial Pressure", 1, "mmHg", Scheme::none},
    {"pulse_pressure", "Pulse Pressure", Group::cardiovascular, 2, {A::systolic, A::diastolic}, no_argument, "",
     "Pulse Pressure: %.0f mmHg", "Pulse Pressure", 0, "mmHg", Scheme::none},
};

constexpr const Formula& formula(FormulaId id) { return formulas[static_cast<std::size_t>(id)]; }
// The id of an entry of the table.
constexpr FormulaId id_of(const Formula& entry) { return static_cast<FormulaId>(&entry - formulas); }

constexpr const ArgumentKind& argument_of(FormulaId id, std::size_t place) {
  return argument_kind(formula(id).arguments[place]);
}

// A result line's parts in UTF-8 must be those of its format: the label, ": ", the number's
// conversion, then the unit, after a space unless it is the percent sign.
constexpr bool unit_matches(std::string_view suffix, std::string_view unit) {
  if (suffix == "%%") return unit == "%";
  if (suffix.empty() || unit.empty()) return suffix.empty() && unit.empty();
  if (suffix[0] != ' ') return false;
  std::size_t at = 0;
  for (std::size_t index = 1; index < suffix.size(); ++index) {
    if (suffix[index] == '\xB2') {  // the code page's superscript two, two bytes in UTF-8
      if (unit.substr(at, 2) != "\xC2\xB2") return false;
      at += 2;
    } else {
      if (at >= unit.size() || unit[at] != suffix[index]) return false;
      ++at;
    }
  }
  return at == unit.size();
}

constexpr bool parts_match_format(const Formula& entry) {
  const std::string_view format = entry.format;
  const std::size_t label = entry.label.size();
  if (format.substr(0, label) != entry.label || format.substr(label, 2) != ": ") return false;
  const std::string_view rest = format.substr(label + 2);
  if (entry.decimals < 0) return rest.substr(0, 2) == "%d" && unit_matches(rest.substr(2), entry.unit);
  const char decimals[] = {'%', '.', static_cast<char>('0' + entry.decimals), 'f'};
  return rest.substr(0, 4) == std::string_view(decimals, 4) && unit_matches(rest.substr(4), entry.unit);
}

constexpr bool every_format_matches() {
  for (const Formula& entry : formulas) {
    if (!parts_match_format(entry)) return false;
  }
  return true;
}
static_assert(every_format_matches(), "a result line's label, decimals or unit differ from its format");

// Each formula's arguments' types, looked up once when compiling: the review reads every
// request's.
struct ArgumentTypes {
  ArgumentType of[formula_count][max_arguments];
};

constexpr ArgumentTypes make_argument_types() {
  ArgumentTypes types{};
  for (std::size_t id = 0; id < formula_count; ++id) {
    for (std::size_t place = 0; place < formulas[id].argument_count; ++place) {
      types.of[id][place] = argument_kind(formulas[id].arguments[place]).type;
    }
  }
  return types;
}

inline constexpr ArgumentTypes argument_types = make_argument_types();

// What a living body has, for the rules that look at several arguments or at the result:
// docs/formulas.md gives each bound's source.
struct Span {
  double low;
  double high;
};
struct BodyLimits {
  Span bmi;                    // the BMI a weight and a height make
  Span typical_bmi;            // where a hint must bring it to be named
  Span waist_for_height;       // girth / height
  Span hip_for_height;
  Span neck_for_height;
  Span waist_for_hip;
  double most_body_fat;        // a Navy result above this is no body
  double most_adiposity_index; // a BAI above this is no living body's fat
  double least_body_fat_male;  // essential fat
  double least_body_fat_female;
  double least_pulse_pressure; // mmHg between systolic and diastolic
  double least_heart_rate;     // bpm: below any resting rate
  double low_systolic;         // below these, low blood pressure
  double low_diastolic;
};

inline constexpr BodyLimits body_limits = {
    {7, 120}, {12, 60}, {0.25, 1.4}, {0.35, 1.6}, {0.1, 0.45}, {0.45, 1.6}, 100, 70, 2, 10, 10, 40, 90, 60,
};

// The listing groups the formulas, in this order.
inline constexpr FormulaId listing_order[formula_count] = {
    FormulaId::bmi,          FormulaId::bodyfat_navy,   FormulaId::whr,          FormulaId::wthr,
    FormulaId::bai,          FormulaId::bsa,            FormulaId::lbm,          FormulaId::bmr_harris,
    FormulaId::bmr_mifflin,  FormulaId::tdee,           FormulaId::ideal_devine, FormulaId::ideal_robinson,
    FormulaId::ideal_miller, FormulaId::max_hr,         FormulaId::target_hr,    FormulaId::bp_category,
    FormulaId::map,          FormulaId::pulse_pressure,
};

// --- Classification schemes ----------------------------------------------------------------

// One class of a scheme: a result from `from` up to the next class's `from` belongs to it (for
// the blood-pressure scheme, the category number itself). Ids count from 1 across every scheme;
// 0 is no class.
struct Category {
  Scheme scheme;
  std::string_view name;
  double from;         // for body fat, a man's lower bound
  double female_from;  // a woman's, for body fat alone
  std::string_view note;  // the caveats of its source, in short
};

constexpr double below_every_value = -std::numeric_limits<double>::infinity();

// The caveats every surface shows beside a category.
constexpr std::string_view bmi_note = "WHO's classes for adults; children and adolescents are classed by BMI-for-age";
constexpr std::string_view pressure_note =
    "ACC/AHA categories for adults, from this one reading; the guideline stages the average of two or more "
    "readings taken on two or more occasions";
constexpr std::string_view waist_note = "NICE's classes for adults; not used at a BMI of 35 or more";
constexpr std::string_view body_fat_note = "ACE's chart for adults; a trade reference, not a peer-reviewed classification";

inline constexpr Category categories[] = {
    {Scheme::none, "", 0, 0, ""},  // id 0: no class
    {Scheme::bmi, "Severe thinness", below_every_value, 0, bmi_note},
    {Scheme::bmi, "Moderate thinness", 16, 0, bmi_note},
    {Scheme::bmi, "Mild thinness", 17, 0, bmi_note},
    {Scheme::bmi, "Normal range", 18.5, 0, bmi_note},
    // WHO's own wider name beside it: "pre-obese" alone puzzles patients.
    {Scheme::bmi, "Pre-obese (overweight)", 25, 0, bmi_note},
    {Scheme::bmi, "Obese class I", 30, 0, bmi_note},
    {Scheme::bmi, "Obese class II", 35, 0, bmi_note},
    {Scheme::bmi, "Obese class III", 40, 0, bmi_note},
    {Scheme::blood_pressure, "Normal", 0, 0, pressure_note},
    {Scheme::blood_pressure, "Elevated", 1, 0, pressure_note},
    {Scheme::blood_pressure, "Hypertension, stage 1", 2, 0, pressure_note},
    {Scheme::blood_pressure, "Hypertension, stage 2", 3, 0, pressure_note},
    {Scheme::blood_pressure, "Hypertensive crisis", 4, 0,
     "this calculator's bound: systolic 180 or more, or diastolic 120 or more; the guideline's crisis is above "
     "180 and/or above 120, confirmed by a repeat reading; ACC/AHA categories for adults"},
    // The guideline gives no class below 0.4.
    {Scheme::waist_to_height, "Healthy central adiposity", 0.4, 0, waist_note},
    {Scheme::waist_to_height, "Increased central adiposity", 0.5, 0, waist_note},
    {Scheme::waist_to_height, "High central adiposity", 0.6, 0, waist_note},
    {Scheme::body_fat, "Essential fat", below_every_value, below_every_value, body_fat_note},
    {Scheme::body_fat, "Athletes", 6, 14, body_fat_note},
    {Scheme::body_fat, "Fitness", 14, 21, body_fat_note},
    {Scheme::body_fat, "Average", 18, 25, body_fat_note},
    {Scheme::body_fat, "Obese", 25, 32, body_fat_note},
};
constexpr std::size_t category_count = sizeof categories / sizeof categories[0];

struct SchemeSource {
  Scheme scheme;
  std::string_view name;
  std::string_view source;
};

inline constexpr SchemeSource scheme_sources[] = {
    {Scheme::none, "", ""},
    {Scheme::bmi, "WHO adult BMI classification",
     "WHO Technical Report Series 894 (2000), Table 2.1; thinness grades from WHO Technical Report Series 854 "
     "(1995)"},
    {Scheme::blood_pressure, "ACC/AHA blood pressure category",
     "Whelton et al., 2017 ACC/AHA guideline for high blood pressure in adults, Hypertension 71 (2018) "
     "e13-e115"},
    {Scheme::waist_to_height, "NICE waist-to-height ratio",
     "NICE guideline CG189, Obesity: identification, assessment and management (2022 update); Ashwell and "
     "Gibson, BMJ Open 6 (2016) e010159"},
    {Scheme::body_fat, "ACE body fat chart",
     "American Council on Exercise, body fat chart (ACE Personal Trainer Manual); a trade reference, not a "
     "peer-reviewed classification"},
};

constexpr const SchemeSource& scheme_source(Scheme scheme) {
  return scheme_sources[static_cast<std::size_t>(scheme)];
}

// The first category id of a scheme and how many it has.
struct SchemeSpan {
  std::size_t first;
  std::size_t count;
};

constexpr SchemeSpan find_scheme_span(Scheme scheme) {
  SchemeSpan span{0, 0};
  for (std::size_t id = 1; id < category_count; ++id) {
    if (categories[id].scheme != scheme) continue;
    if (span.count == 0) span.first = id;
    ++span.count;
  }
  return span;
}

constexpr std::size_t scheme_count = sizeof scheme_sources / sizeof scheme_sources[0];

struct SchemeSpans {
  SchemeSpan of[scheme_count];
};

constexpr SchemeSpans make_scheme_spans() {
  SchemeSpans spans{};
  for (std::size_t scheme = 0; scheme < scheme_count; ++scheme) spans.of[scheme] = find_scheme_span(static_cast<Scheme>(scheme));
  return spans;
}

inline constexpr SchemeSpans scheme_spans = make_scheme_spans();

constexpr SchemeSpan scheme_span(Scheme scheme) { return scheme_spans.of[static_cast<std::size_t>(scheme)]; }

// --- Classes looked up by the printed number -------------------------------------------------

// The class of a printed value, by the value in units of its last decimal (2286 for "22.86"):
// every bound of a scheme is a whole number of such units, and a multiple of `step` of them, so
// that one slot of `step` units holds one class. The last slot holds every larger value, the
// first every value below `step` (negative ones included, which belong to the same class).
constexpr std::size_t max_unit_slots = 96;

struct UnitSlots {
  std::size_t step;
  std::size_t count;
  unsigned char male[max_unit_slots];    // and every one for schemes without sex
  unsigned char female[max_unit_slots];
  bool exact;  // every bound is a whole number of units and a multiple of step
};

// The formula a scheme classifies, whose decimals the printed number has.
constexpr int decimals_of(Scheme scheme) {
  for (const Formula& entry : formulas) {
    if (entry.scheme == scheme) return entry.decimals < 0 ? 0 : entry.decimals;
  }
  return 0;
}

constexpr long long units_of(double bound, int decimals, bool& whole) {
  double scaled = bound;
  for (int step = 0; step < decimals; ++step) scaled *= 10;
  // The nearest whole number: thresholds such as 0.4 are decimals that a double only approaches.
  const auto units = static_cast<long long>(scaled < 0 ? scaled - 0.5 : scaled + 0.5);
  const double away = scaled - static_cast<double>(units);
  if (away > 1e-9 || away < -1e-9) whole = false;
  return units;
}

constexpr std::size_t greatest_common_divisor(std::size_t a, std::size_t b) {
  while (b != 0) {
    const std::size_t rest = a % b;
    a = b;
    b = rest;
  }
  return a;
}

// The class of `units` (a value of at least 0) for one sex: the last whose bound it reaches.
constexpr unsigned char class_at(Scheme scheme, long long units, bool female, int decimals, bool& whole) {
  unsigned char found = 0;
  for (std::size_t id = 1; id < category_count; ++id) {
    if (categories[id].scheme != scheme) continue;
    const double from = female ? categories[id].female_from : categories[id].from;
    if (from == below_every_value || units_of(from, decimals, whole) <= units) found = static_cast<unsigned char>(id);
  }
  return found;
}

constexpr UnitSlots make_unit_slots(Scheme scheme) {
  UnitSlots slots{};
  slots.exact = true;
  const int decimals = decimals_of(scheme);
  std::size_t step = 0;
  long long last = 0;
  for (std::size_t id = 1; id < category_count; ++id) {
    if (categories[id].scheme != scheme) continue;
    for (const double from : {categories[id].from, categories[id].female_from}) {
      if (from == below_every_value) continue;
      const long long units = units_of(from, decimals, slots.exact);
      if (units < 0) slots.exact = false;
      step = greatest_common_divisor(step, static_cast<std::size_t>(units));
      if (units > last) last = units;
    }
  }
  slots.step = step == 0 ? 1 : step;
  slots.count = static_cast<std::size_t>(last) / slots.step + 1;
  if (slots.count > max_unit_slots) slots.exact = false;
  for (std::size_t slot = 0; slot < slots.count && slot < max_unit_slots; ++slot) {
    const auto units = static_cast<long long>(slot * slots.step);
    slots.male[slot] = class_at(scheme, units, false, decimals, slots.exact);
    slots.female[slot] = class_at(scheme, units, scheme == Scheme::body_fat, decimals, slots.exact);
  }
  return slots;
}

struct SchemeUnitSlots {
  UnitSlots of[scheme_count];
};

constexpr SchemeUnitSlots make_scheme_unit_slots() {
  SchemeUnitSlots all{};
  for (std::size_t scheme = 0; scheme < scheme_count; ++scheme) {
    all.of[scheme] = make_unit_slots(static_cast<Scheme>(scheme));
  }
  return all;
}

inline constexpr SchemeUnitSlots unit_slots = make_scheme_unit_slots();

constexpr bool every_scheme_has_exact_slots() {
  for (const UnitSlots& slots : unit_slots.of) {
    if (!slots.exact) return false;
  }
  return true;
}
static_assert(every_scheme_has_exact_slots(), "a class bound that is no whole number of printed units");

constexpr bool sources_follow_the_schemes() {
  for (std::size_t scheme = 0; scheme < scheme_count; ++scheme) {
    if (static_cast<std::size_t>(scheme_sources[scheme].scheme) != scheme) return false;
  }
  return true;
}
static_assert(sources_follow_the_schemes(), "scheme_sources lists the schemes in their order");

}  // namespace tamsel::catalog

#endif

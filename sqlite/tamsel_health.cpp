// SPDX-License-Identifier: MIT
//
// The calculator as a SQLite loadable extension: calc_health, health_value and health_record
// (the reviewed answer as JSON text, which SQLite's JSON functions read); and a typed function
// for each formula of the table (bmi(weight_kg, height_m) and its _record, _category and
// _imperial forms), which hands the row's numbers to the core without any text between.
//
//   .load ./tamsel_health           (sqlite3 shell)
//   SELECT health_value('bmi 70 1.75'), bmi(70, 1.75);
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include <pthread.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "TamselReview.h"

namespace {

// The JSON members and the braces around them.
constexpr size_t record_json_bytes = TAMSEL_REVIEW_JSON_BYTES + 2;

// One record (about 8 KB) and its JSON (50 KB) are too large for the stack of every thread
// that may run a query, and the library itself keeps one answer at a time. Connections on
// different threads may call at once, so they take turns; results are copied out (TRANSIENT)
// before the turn ends. A POSIX mutex rather than std::mutex, whose lock may throw, and nothing
// may be thrown through SQLite.
pthread_mutex_t turn = PTHREAD_MUTEX_INITIALIZER;
TamselRecord record;
char record_json[record_json_bytes];

struct Turn {
  Turn() noexcept { pthread_mutex_lock(&turn); }
  ~Turn() { pthread_mutex_unlock(&turn); }
  Turn(const Turn &) = delete;
  Turn &operator=(const Turn &) = delete;
};

// Reviews the request, or sets the result to NULL (NULL in, NULL out) or to an out-of-memory
// error, which SQLite reports, and says no.
bool ask(sqlite3_context *context, sqlite3_value *request) {
  if (sqlite3_value_type(request) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return false;
  }
  // A number or a blob is read as its text, as SQLite's own text functions read it.
  const unsigned char *bytes = sqlite3_value_text(request);
  if (bytes == nullptr) {
    sqlite3_result_error_nomem(context);
    return false;
  }
  tamsel_ask(reinterpret_cast<const char *>(bytes), static_cast<size_t>(sqlite3_value_bytes(request)),
             &record);
  return true;
}

void calc_health(sqlite3_context *context, int, sqlite3_value **arguments) {
  Turn hold;
  if (ask(context, arguments[0]))
    sqlite3_result_text(context, record.text, static_cast<int>(record.text_size), SQLITE_TRANSIENT);
}

// The printed number of a result; NULL for every other kind and for inf, -inf and nan.
void health_value(sqlite3_context *context, int, sqlite3_value **arguments) {
  Turn hold;
  if (!ask(context, arguments[0])) return;
  if (record.kind == TAMSEL_KIND_RESULT && record.has_value && std::isfinite(record.value))
    sqlite3_result_double(context, record.value);
  else
    sqlite3_result_null(context);
}

void health_record(sqlite3_context *context, int, sqlite3_value **arguments) {
  Turn hold;
  if (!ask(context, arguments[0])) return;
  record_json[0] = '{';
  size_t size = tamsel_record_json(&record, record_json + 1, TAMSEL_REVIEW_JSON_BYTES);
  if (size == 0) {  // never for the review's own records; a cut record would be a wrong one
    sqlite3_result_error(context, "health_record: the record does not fit", -1);
    return;
  }
  record_json[size + 1] = '}';
  sqlite3_result_text(context, record_json, static_cast<int>(size + 2), SQLITE_TRANSIENT);
}

// A number as request text that the calculator reads back exactly. SQLite's own conversion
// (w || '') keeps 15 significant digits, which loses the last bits of computed values (0.1 + 0.2
// becomes 0.3), and its printf turns NULL into 0. NULL stays NULL; integers and text pass
// unchanged.
void health_number(sqlite3_context *context, int, sqlite3_value **arguments) {
  sqlite3_value *number = arguments[0];
  switch (sqlite3_value_type(number)) {
    case SQLITE_NULL:
      sqlite3_result_null(context);
      return;
    case SQLITE_FLOAT: {
      // The core's writer, which the review reads back: the shortest text, in no locale.
      char text[TAMSEL_NUMBER_BYTES];
      size_t size = tamsel_write_number(sqlite3_value_double(number), 0, text);
      sqlite3_result_text(context, text, static_cast<int>(size), SQLITE_TRANSIENT);
      return;
    }
    default:
      sqlite3_result_value(context, number);
      return;
  }
}

// --- Typed functions --------------------------------------------------------------------------
//
// One entry for each kind of result serves every formula; the registration hands each name its
// formula, from the table. They keep no state, so they need no turn.

enum class Gives { value, json_record, category };

// What a row with a warning gives: its value (as the text functions do), NULL, or an error.
enum class OnWarning { value, null, error };

// The longest name: a keyword (at most 14 bytes) with "_imperial" and "_category", and the
// terminator, well within 48.
constexpr size_t name_bytes = 48;

struct Typed {
  int formula;
  const TamselFormulaInfo *info;
  unsigned options;  // TAMSEL_IMPERIAL_ALL for the _imperial functions
  Gives gives;
  char name[name_bytes];
};

// Every formula, metric and imperial, each as value, record and category.
constexpr size_t typed_capacity = TAMSEL_FORMULA_COUNT * 2 * 3;

struct Catalog {
  Typed functions[typed_capacity];
  size_t count;
};

bool has_imperial(const TamselFormulaInfo &info) {
  for (size_t place = 0; place < info.argument_count; ++place)
    if (info.arguments[place].imperial_name != nullptr) return true;
  return false;
}

// The functions the table gives, made once for every connection that loads the extension.
Catalog make_catalog() noexcept {
  static const char *const suffixes[] = {"", "_record", "_category"};
  Catalog catalog{};
  for (int formula = 0; formula < TAMSEL_FORMULA_COUNT; ++formula) {
    const TamselFormulaInfo *info = tamsel_formula_info(formula);
    for (int imperial = 0; imperial < 2; ++imperial) {
      if (imperial != 0 && !has_imperial(*info)) continue;
      for (Gives gives : {Gives::value, Gives::json_record, Gives::category}) {
        if (gives == Gives::category && info->scheme == nullptr) continue;
        Typed &typed = catalog.functions[catalog.count++];
        typed.formula = formula;
        typed.info = info;
        typed.options = imperial != 0 ? TAMSEL_IMPERIAL_ALL : 0u;
        typed.gives = gives;
        std::snprintf(typed.name, name_bytes, "%s%s%s", info->keyword, imperial != 0 ? "_imperial" : "",
                      suffixes[static_cast<int>(gives)]);
      }
    }
  }
  return catalog;
}

const char *argument_name(const Typed &typed, size_t place) {
  const TamselArgumentInfo &argument = typed.info->arguments[place];
  return typed.options != 0 && argument.imperial_name != nullptr ? argument.imperial_name : argument.name;
}

// Reports `message` (made by sqlite3_mprintf) as the call's error.
void fail(sqlite3_context *context, char *message) {
  if (message == nullptr) {
    sqlite3_result_error_nomem(context);
    return;
  }
  sqlite3_result_error(context, message, -1);
  sqlite3_free(message);
}

// The sex as the table's code: the words the review takes without a warning (M, F, male, female,
// in either case); every other is refused, which the text path would read as female.
bool sex_code(sqlite3_context *context, const Typed &typed, size_t place, sqlite3_value *value, double *code) {
  const char *word = reinterpret_cast<const char *>(sqlite3_value_text(value));
  if (word != nullptr && sqlite3_value_type(value) == SQLITE_TEXT) {
    const int sex = tamsel_sex_code(word, static_cast<size_t>(sqlite3_value_bytes(value)));
    if (sex >= 0) {
      *code = sex;
      return true;
    }
  }
  fail(context, sqlite3_mprintf("%s: %s must be 'M', 'F', 'male' or 'female', not %Q", typed.name,
                                argument_name(typed, place), word));
  return false;
}

// A number: an INTEGER or a REAL, or text that SQLite reads wholly as one ('70', not '70,5').
bool number(sqlite3_context *context, const Typed &typed, size_t place, sqlite3_value *value, double *out) {
  int type = sqlite3_value_numeric_type(value);
  if (type == SQLITE_INTEGER || type == SQLITE_FLOAT) {
    *out = sqlite3_value_double(value);
    return true;
  }
  fail(context, sqlite3_mprintf("%s: %s must be a number, not %Q", typed.name, argument_name(typed, place),
                                reinterpret_cast<const char *>(sqlite3_value_text(value))));
  return false;
}

bool on_warning_of(sqlite3_context *context, const Typed &typed, sqlite3_value *value, OnWarning *on_warning) {
  const char *word = reinterpret_cast<const char *>(sqlite3_value_text(value));
  if (word != nullptr && std::strcmp(word, "value") == 0)
    *on_warning = OnWarning::value;
  else if (word != nullptr && std::strcmp(word, "null") == 0)
    *on_warning = OnWarning::null;
  else if (word != nullptr && std::strcmp(word, "error") == 0)
    *on_warning = OnWarning::error;
  else {
    fail(context, sqlite3_mprintf("%s: on_warning must be 'value', 'null' or 'error', not %Q", typed.name, word));
    return false;
  }
  return true;
}

// The row of the call's arguments, or false with the result set: NULL for a NULL that the row
// needs (a man's hip it does not) or a NULL on_warning, an error for an argument of the wrong
// kind. The arguments come in the table's order, on_warning after them.
bool evaluate_call(sqlite3_context *context, int count, sqlite3_value **values, const Typed &typed,
                   double *arguments, TamselRow *row, OnWarning *on_warning) {
  size_t places = typed.info->argument_count;
  *on_warning = OnWarning::value;
  if (static_cast<size_t>(count) > places) {
    if (sqlite3_value_type(values[places]) == SQLITE_NULL) {
      sqlite3_result_null(context);
      return false;
    }
    if (!on_warning_of(context, typed, values[places], on_warning)) return false;
  }
  unsigned missing = 0;
  for (size_t place = 0; place < places; ++place) {
    arguments[place] = 0;
    // A call without the last, women-only argument (a man's bodyfat_navy) leaves it missing.
    if (place >= static_cast<size_t>(count) || sqlite3_value_type(values[place]) == SQLITE_NULL) {
      missing |= 1u << place;
      continue;
    }
    bool read = typed.info->arguments[place].type == TAMSEL_ARGUMENT_SEX
                    ? sex_code(context, typed, place, values[place], &arguments[place])
                    : number(context, typed, place, values[place], &arguments[place]);
    if (!read) return false;
  }
  tamsel_evaluate(typed.formula, arguments, missing, typed.options, row);
  if (row->kind == TAMSEL_KIND_MISSING) {
    sqlite3_result_null(context);
    return false;
  }
  return true;
}

// A JSON string: quotes, backslashes and control characters escaped, UTF-8 as it is.
void append_json_string(sqlite3_str *out, const char *text) {
  if (text == nullptr) {
    sqlite3_str_appendall(out, "null");
    return;
  }
  sqlite3_str_appendchar(out, 1, '"');
  for (const char *at = text; *at != '\0'; ++at) {
    unsigned char c = static_cast<unsigned char>(*at);
    if (c == '"' || c == '\\')
      sqlite3_str_appendf(out, "\\%c", c);
    else if (c < 0x20)
      sqlite3_str_appendf(out, "\\u%04x", c);
    else
      sqlite3_str_appendchar(out, 1, static_cast<char>(c));
  }
  sqlite3_str_appendchar(out, 1, '"');
}

// A JSON number as the core writes it (which JSON and the calculator read back exactly), or
// null for none.
void append_json_number(sqlite3_str *out, double value) {
  if (!std::isfinite(value)) {
    sqlite3_str_appendall(out, "null");
    return;
  }
  char text[TAMSEL_NUMBER_BYTES];
  sqlite3_str_append(out, text, static_cast<int>(tamsel_write_number(value, 0, text)));
}

// Appends the row's warning sentences, each as the core writes it, joined by "; ", or as the
// items of a JSON array.
void append_warnings(sqlite3_str *out, const Typed &typed, const double *arguments, TamselWarnings warnings,
                     bool json) {
  char sentence[TAMSEL_WARNING_BYTES];
  bool first = true;
  for (unsigned bit = 0; bit < TAMSEL_WARNING_BITS; ++bit) {
    if ((warnings >> bit & 1u) == 0 ||
        tamsel_warning_text(typed.formula, arguments, typed.options, bit, sentence, sizeof sentence) == 0)
      continue;
    if (!first) sqlite3_str_appendall(out, json ? "," : "; ");
    first = false;
    if (json)
      append_json_string(out, sentence);
    else
      sqlite3_str_appendall(out, sentence);
  }
}

// Whether the row gives its value: it has no warning, or on_warning says 'value'. 'error' sets
// the call's error to the row's warnings.
bool gives_value(sqlite3_context *context, const Typed &typed, OnWarning on_warning, const double *arguments,
                 const TamselRow &row, bool *failed) {
  *failed = false;
  if (row.warnings == 0 || on_warning == OnWarning::value) return true;
  if (on_warning == OnWarning::null) return false;
  sqlite3_str *message = sqlite3_str_new(nullptr);
  sqlite3_str_appendf(message, "%s: ", typed.name);
  append_warnings(message, typed, arguments, row.warnings, false);
  fail(context, sqlite3_str_finish(message));
  *failed = true;
  return false;
}

// The result of a string that sqlite3_str built, or its error.
void result_str(sqlite3_context *context, sqlite3_str *text) {
  if (sqlite3_str_errcode(text) != SQLITE_OK) {
    sqlite3_free(sqlite3_str_finish(text));
    sqlite3_result_error_nomem(context);
    return;
  }
  int size = sqlite3_str_length(text);
  sqlite3_result_text(context, sqlite3_str_finish(text), size, sqlite3_free);
}

void typed_call(sqlite3_context *context, int count, sqlite3_value **values) {
  const Typed &typed = *static_cast<const Typed *>(sqlite3_user_data(context));
  double arguments[TAMSEL_MAX_ARGUMENTS];
  TamselRow row;
  OnWarning on_warning;
  bool failed;
  if (!evaluate_call(context, count, values, typed, arguments, &row, &on_warning)) return;
  bool value = gives_value(context, typed, on_warning, arguments, row, &failed);
  if (failed) return;
  switch (typed.gives) {
    case Gives::value:
      // A result of inf or nan prints no number, so it has no value, as in health_value.
      if (value && !std::isnan(row.value))
        sqlite3_result_double(context, row.value);
      else
        sqlite3_result_null(context);
      return;
    case Gives::category:
      // A row with a warning has no category, whatever on_warning says.
      if (row.category == TAMSEL_CATEGORY_NONE)
        sqlite3_result_null(context);
      else
        sqlite3_result_text(context, tamsel_category_name(row.category), -1, SQLITE_STATIC);
      return;
    case Gives::json_record:
      break;
  }
  sqlite3_str *json = sqlite3_str_new(nullptr);
  sqlite3_str_appendall(json, "{\"value\":");
  append_json_number(json, value ? row.value : NAN);
  sqlite3_str_appendall(json, ",\"unit\":");
  append_json_string(json, typed.info->unit);
  sqlite3_str_appendall(json, ",\"kind\":");
  append_json_string(json, tamsel_kind_name(row.kind));
  sqlite3_str_appendall(json, ",\"category\":");
  append_json_string(json, tamsel_category_name(row.category));
  sqlite3_str_appendall(json, ",\"category_source\":");
  append_json_string(json, tamsel_category_source(row.category));
  sqlite3_str_appendall(json, ",\"category_note\":");
  append_json_string(json, tamsel_category_note(row.category));
  sqlite3_str_appendall(json, ",\"warnings\":[");
  append_warnings(json, typed, arguments, row.warnings, true);
  sqlite3_str_appendall(json, "]}");
  result_str(context, json);
}

// The table's entry for a formula, as JSON: what its typed functions take and give.
void health_formula(sqlite3_context *context, int, sqlite3_value **values) {
  if (sqlite3_value_type(values[0]) == SQLITE_NULL) {
    sqlite3_result_null(context);
    return;
  }
  const char *keyword = reinterpret_cast<const char *>(sqlite3_value_text(values[0]));
  const TamselFormulaInfo *info =
      keyword == nullptr ? nullptr
                         : tamsel_formula_info(tamsel_find_formula(keyword, static_cast<size_t>(sqlite3_value_bytes(values[0]))));
  if (info == nullptr) {
    sqlite3_result_null(context);
    return;
  }
  static const char *const types[] = {"real", "whole", "sex"};
  sqlite3_str *json = sqlite3_str_new(nullptr);
  sqlite3_str_appendall(json, "{\"keyword\":");
  append_json_string(json, info->keyword);
  sqlite3_str_appendall(json, ",\"title\":");
  append_json_string(json, info->title);
  sqlite3_str_appendall(json, ",\"unit\":");
  append_json_string(json, info->unit);
  sqlite3_str_appendf(json, ",\"decimals\":%d,\"scheme\":", info->decimals);
  append_json_string(json, info->scheme);
  sqlite3_str_appendall(json, ",\"categories\":[");
  for (size_t index = 0; index < info->category_count; ++index) {
    if (index != 0) sqlite3_str_appendchar(json, 1, ',');
    append_json_string(json, tamsel_category_name(info->first_category + static_cast<unsigned>(index)));
  }
  sqlite3_str_appendall(json, "],\"arguments\":[");
  for (size_t place = 0; place < info->argument_count; ++place) {
    const TamselArgumentInfo &argument = info->arguments[place];
    sqlite3_str_appendall(json, place == 0 ? "{\"name\":" : ",{\"name\":");
    append_json_string(json, argument.name);
    sqlite3_str_appendall(json, ",\"type\":");
    append_json_string(json, types[argument.type]);
    sqlite3_str_appendall(json, ",\"unit\":");
    append_json_string(json, argument.unit);
    sqlite3_str_appendf(json, ",\"women_only\":%s,\"ranges\":[", argument.women_only != 0 ? "true" : "false");
    for (size_t span = 0; span < argument.range_count; ++span) {
      sqlite3_str_appendall(json, span == 0 ? "[" : ",[");
      append_json_number(json, argument.low[span]);
      sqlite3_str_appendchar(json, 1, ',');
      append_json_number(json, argument.high[span]);
      sqlite3_str_appendchar(json, 1, ']');
    }
    sqlite3_str_appendall(json, "],\"imperial_name\":");
    append_json_string(json, argument.imperial_name);
    sqlite3_str_appendall(json, ",\"imperial_unit\":");
    append_json_string(json, argument.imperial_unit);
    sqlite3_str_appendall(json, ",\"imperial_factor\":");
    append_json_number(json, argument.imperial_name != nullptr ? argument.imperial_factor : NAN);
    sqlite3_str_appendchar(json, 1, '}');
  }
  sqlite3_str_appendall(json, "]}");
  result_str(context, json);
}

}  // namespace

// SQLite derives this name from the file name tamsel_health.so.
extern "C" __attribute__((visibility("default"))) int sqlite3_tamselhealth_init(
    sqlite3 *db, char **, const sqlite3_api_routines *api) {
  SQLITE_EXTENSION_INIT2(api);
  // Deterministic: usable in indexes, generated columns and CHECK constraints. Innocuous: no
  // side effects, so allowed in schemas that untrusted users may have written.
  int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
#ifdef SQLITE_INNOCUOUS
  flags |= SQLITE_INNOCUOUS;
#endif
  struct Function {
    const char *name;
    void (*call)(sqlite3_context *, int, sqlite3_value **);
  };
  static const Function functions[] = {
      {"calc_health", calc_health},
      {"health_value", health_value},
      {"health_record", health_record},
      {"health_number", health_number}};
  for (const Function &function : functions) {
    int status = sqlite3_create_function(db, function.name, 1, flags, nullptr, function.call, nullptr, nullptr);
    if (status != SQLITE_OK) return status;
  }
  int status = sqlite3_create_function(db, "health_formula", 1, flags, nullptr, health_formula, nullptr, nullptr);
  if (status != SQLITE_OK) return status;

  // Each typed function with the formula's arguments, and with on_warning after them; one whose
  // last argument only women give (bodyfat_navy's hip) also without it.
  static const Catalog catalog = make_catalog();
  for (size_t index = 0; index < catalog.count; ++index) {
    const Typed &typed = catalog.functions[index];
    int places = static_cast<int>(typed.info->argument_count);
    bool optional_last = typed.info->arguments[places - 1].women_only != 0;
    for (int count = optional_last ? places - 1 : places; count <= places + 1; ++count) {
      status = sqlite3_create_function(db, typed.name, count, flags, const_cast<Typed *>(&typed), typed_call,
                                       nullptr, nullptr);
      if (status != SQLITE_OK) return status;
    }
  }
  return SQLITE_OK;
}

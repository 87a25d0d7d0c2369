// SPDX-License-Identifier: MIT
//
// The calculator as a SQLite loadable extension: calc_health, health_value and health_record
// (the reviewed answer as JSON text, which SQLite's JSON functions read).
//
//   .load ./tamsel_health           (sqlite3 shell)
//   SELECT health_value('bmi 70 1.75');
#include <sqlite3ext.h>
SQLITE_EXTENSION_INIT1

#include <pthread.h>

#include <cmath>

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
  return SQLITE_OK;
}

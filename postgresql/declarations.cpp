// SPDX-License-Identifier: MIT
// Writes the SQL that declares the extension's typed functions, from the formula table, so that
// their names, arguments and types are the table's: the build appends it to tamsel_health.sql
// to make the extension's script. The C entries check each declaration against the table again
// when first called.
#include <cstdio>
#include <string>

#include "core/TamselCore.h"

namespace {

enum class Gives { value, record, category };

const char* sql_type(TamselArgumentType type) {
  switch (type) {
    case TAMSEL_ARGUMENT_WHOLE: return "integer";
    case TAMSEL_ARGUMENT_SEX: return "text";
    case TAMSEL_ARGUMENT_REAL: break;
  }
  return "double precision";
}

bool has_imperial(const TamselFormulaInfo& info) {
  for (std::size_t place = 0; place < info.argument_count; ++place)
    if (info.arguments[place].imperial_name != nullptr) return true;
  return false;
}

const char* argument_name(const TamselArgumentInfo& argument, bool imperial) {
  return imperial && argument.imperial_name != nullptr ? argument.imperial_name : argument.name;
}

const char* argument_unit(const TamselArgumentInfo& argument, bool imperial) {
  return imperial && argument.imperial_name != nullptr ? argument.imperial_unit : argument.unit;
}

// A SQL string literal.
std::string quoted(const std::string& text) {
  std::string literal = "'";
  for (char c : text) literal += c == '\'' ? std::string("''") : std::string(1, c);
  return literal + "'";
}

void declare(const TamselFormulaInfo& info, bool imperial, Gives gives) {
  std::string name = info.keyword;
  if (imperial) name += "_imperial";
  const char* returns = "double precision";
  const char* entry = "tamsel_typed_value";
  std::string comment = info.title;
  switch (gives) {
    case Gives::value:
      comment += ", the value the calculator prints";
      break;
    case Gives::record:
      name += "_record";
      returns = "tamsel_health_result";
      entry = "tamsel_typed_record";
      comment += ": value, unit, kind, category and warnings";
      break;
    case Gives::category:
      name += "_category";
      returns = "text";
      entry = "tamsel_typed_category";
      comment = std::string("The ") + info.scheme + " of " + info.title;
      break;
  }

  // A woman-only argument comes last and may be NULL for a man, so such a function takes NULLs
  // itself (NULL for every other argument a row needs) rather than being STRICT.
  bool women_only = false;
  std::string arguments;
  std::string types;
  std::string units;
  for (std::size_t place = 0; place < info.argument_count; ++place) {
    const TamselArgumentInfo& argument = info.arguments[place];
    const char* unit = argument_unit(argument, imperial);
    arguments += std::string(argument_name(argument, imperial)) + " " + sql_type(argument.type);
    if (argument.women_only != 0) {
      arguments += " DEFAULT NULL";
      women_only = true;
    }
    arguments += ", ";
    types += std::string(sql_type(argument.type)) + ", ";
    if (*unit != '\0') units += std::string(units.empty() ? "; " : ", ") + argument_name(argument, imperial) + ": " + unit;
  }
  std::printf("CREATE FUNCTION %s(%son_warning text DEFAULT 'value')\n", name.c_str(), arguments.c_str());
  std::printf("    RETURNS %s AS 'MODULE_PATHNAME', '%s'\n", returns, entry);
  std::printf("    LANGUAGE C IMMUTABLE %s PARALLEL SAFE;\n", women_only ? "CALLED ON NULL INPUT" : "STRICT");
  std::printf("COMMENT ON FUNCTION %s(%stext) IS\n    %s;\n", name.c_str(), types.c_str(), quoted(comment + units).c_str());
}

}  // namespace

int main() {
  std::printf("\n-- The typed functions, declared from the formula table.\n");
  for (int formula = 0; formula < TAMSEL_FORMULA_COUNT; ++formula) {
    const TamselFormulaInfo& info = *tamsel_formula_info(formula);
    std::printf("\n-- %s: %s\n", info.keyword, info.title);
    for (bool imperial : {false, true}) {
      if (imperial && !has_imperial(info)) continue;
      declare(info, imperial, Gives::value);
      declare(info, imperial, Gives::record);
      if (info.scheme != nullptr) declare(info, imperial, Gives::category);
    }
  }
  return std::ferror(stdout) != 0 || std::fflush(stdout) != 0 ? 1 : 0;
}

// SPDX-License-Identifier: MIT
#include "crt_baseline.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formulas/body_fat.h"
#include "formulas/body_indices.h"
#include "formulas/cardiovascular.h"
#include "formulas/ideal_weight.h"
#include "formulas/metabolic_rates.h"

namespace {

char token_buffer[1024];
char output_text[2000];
TamselChar16 result_text[2000];

using tamsel::Sex;

Sex sex_of(const char* token) { return token[0] == 'M' || token[0] == 'm' ? Sex::male : Sex::female; }
double real(const char* token) { return std::strtod(token, nullptr); }
int integer(const char* token) { return static_cast<int>(std::strtol(token, nullptr, 10)); }

void answer(const char* const* t, int n) {
  const char* k = t[0];
  char* out = output_text;
  const std::size_t size = sizeof output_text;
  if (n == 0) {
    std::snprintf(out, size, "%s\n%s\n%s", "Tamsel Health Calculator - Command Line Medical Calculator",
                  "Usage: program.exe [formula] [parameters...]", "Use 'help' or '-h' to see all available formulas");
  } else if (std::strcmp(k, "bmi") == 0 && n == 3) {
    std::snprintf(out, size, "BMI: %.2f", tamsel::body_mass_index(real(t[1]), real(t[2])));
  } else if (std::strcmp(k, "bmr_harris") == 0 && n == 5) {
    std::snprintf(out, size, "BMR (Harris-Benedict): %.2f calories/day",
                  tamsel::bmr_harris_benedict(sex_of(t[1]), real(t[2]), real(t[3]), integer(t[4])));
  } else if (std::strcmp(k, "bmr_mifflin") == 0 && n == 5) {
    std::snprintf(out, size, "BMR (Mifflin-St Jeor): %.2f calories/day",
                  tamsel::bmr_mifflin_st_jeor(sex_of(t[1]), real(t[2]), real(t[3]), integer(t[4])));
  } else if (std::strcmp(k, "bodyfat_navy") == 0 && n >= 5) {
    const Sex sex = sex_of(t[1]);
    std::snprintf(out, size, "Body Fat Percentage (Navy Method): %.2f%%",
                  tamsel::navy_body_fat_percent(sex, real(t[2]), real(t[3]), real(t[4]), n == 6 ? real(t[5]) : 0.0));
  } else if (std::strcmp(k, "whr") == 0 && n == 3) {
    std::snprintf(out, size, "Waist-Hip Ratio: %.3f", tamsel::waist_hip_ratio(real(t[1]), real(t[2])));
  } else if (std::strcmp(k, "ideal_devine") == 0 && n == 3) {
    std::snprintf(out, size, "Ideal Weight (Devine): %.2f kg", tamsel::ideal_weight_devine(sex_of(t[1]), real(t[2])));
  } else if (std::strcmp(k, "ideal_robinson") == 0 && n == 3) {
    std::snprintf(out, size, "Ideal Weight (Robinson): %.2f kg", tamsel::ideal_weight_robinson(sex_of(t[1]), real(t[2])));
  } else if (std::strcmp(k, "ideal_miller") == 0 && n == 3) {
    std::snprintf(out, size, "Ideal Weight (Miller): %.2f kg", tamsel::ideal_weight_miller(sex_of(t[1]), real(t[2])));
  } else if (std::strcmp(k, "bsa") == 0 && n == 3) {
    std::snprintf(out, size, "Body Surface Area: %.3f m\xB2", tamsel::body_surface_area(real(t[1]), real(t[2])));
  } else if (std::strcmp(k, "lbm") == 0 && n == 4) {
    std::snprintf(out, size, "Lean Body Mass: %.2f kg", tamsel::lean_body_mass(sex_of(t[1]), real(t[2]), real(t[3])));
  } else if (std::strcmp(k, "tdee") == 0 && n == 3) {
    std::snprintf(out, size, "Total Daily Energy Expenditure: %.2f calories/day",
                  tamsel::total_daily_energy_expenditure(real(t[1]), real(t[2])));
  } else if (std::strcmp(k, "max_hr") == 0 && n == 2) {
    std::snprintf(out, size, "Maximum Heart Rate: %.0f bpm", tamsel::max_heart_rate(integer(t[1])));
  } else if (std::strcmp(k, "target_hr") == 0 && n == 3) {
    std::snprintf(out, size, "Target Heart Rate: %.0f bpm", tamsel::target_heart_rate(integer(t[1]), real(t[2])));
  } else if (std::strcmp(k, "bai") == 0 && n == 3) {
    std::snprintf(out, size, "Body Adiposity Index: %.2f%%", tamsel::body_adiposity_index(real(t[1]), real(t[2])));
  } else if (std::strcmp(k, "wthr") == 0 && n == 3) {
    std::snprintf(out, size, "Waist-to-Height Ratio: %.3f", tamsel::waist_to_height_ratio(real(t[1]), real(t[2])));
  } else if (std::strcmp(k, "bp_category") == 0 && n == 3) {
    std::snprintf(out, size, "Blood Pressure Category: %d", tamsel::blood_pressure_category(integer(t[1]), integer(t[2])));
  } else if (std::strcmp(k, "map") == 0 && n == 3) {
    std::snprintf(out, size, "Mean Arterial Pressure: %.1f mmHg", tamsel::mean_arterial_pressure(integer(t[1]), integer(t[2])));
  } else if (std::strcmp(k, "pulse_pressure") == 0 && n == 3) {
    std::snprintf(out, size, "Pulse Pressure: %.0f mmHg", tamsel::pulse_pressure(integer(t[1]), integer(t[2])));
  } else {
    std::snprintf(out, size, "Unknown formula: %s", k);
  }
}

}  // namespace

const TamselChar16* crt_calc_health(const TamselChar16* command_line) {
  std::size_t length = 0;
  for (; command_line[length] != 0 && length < sizeof token_buffer - 1; ++length) {
    const auto unit = static_cast<unsigned>(command_line[length]);
    token_buffer[length] = unit < 0x100 ? static_cast<char>(unit) : '?';
  }
  token_buffer[length] = '\0';
  const char* tokens[10];
  int count = 0;
  char* state = nullptr;
  for (char* token = strtok_r(token_buffer, " \t", &state); token != nullptr && count < 10;
       token = strtok_r(nullptr, " \t", &state)) {
    tokens[count++] = token;
  }
  answer(tokens, count);
  std::size_t index = 0;
  for (; output_text[index] != '\0'; ++index) {
    result_text[index] = static_cast<TamselChar16>(static_cast<unsigned char>(output_text[index]));
  }
  result_text[index] = 0;
  return result_text;
}

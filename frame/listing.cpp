// SPDX-License-Identifier: MIT
#include "listing.h"

namespace tamsel {
namespace {

// Format strings with no arguments: "%%" prints one percent sign.
constexpr const char* listing_lines[] = {
    "Available Medical Calculations:",
    "Body Composition:",
    "  bmi [weight_kg] [height_m]                    - Body Mass Index",
    "  bodyfat_navy [M/F] [waist] [neck] [height] [hip] - Body Fat %% (Navy Method)",
    "  whr [waist_cm] [hip_cm]                       - Waist-Hip Ratio",
    "  wthr [waist_cm] [height_cm]                   - Waist-to-Height Ratio",
    "  bai [hip_cm] [height_m]                       - Body Adiposity Index",
    "  bsa [weight_kg] [height_cm]                   - Body Surface Area",
    "  lbm [M/F] [weight_kg] [height_cm]             - Lean Body Mass",
    "Metabolic Calculations:",
    "  bmr_harris [M/F] [weight_kg] [height_cm] [age] - BMR (Harris-Benedict)",
    "  bmr_mifflin [M/F] [weight_kg] [height_cm] [age] - BMR (Mifflin-St Jeor)",
    "  tdee [bmr] [activity_factor]                  - Total Daily Energy Expenditure",
    "Ideal Weight:",
    "  ideal_devine [M/F] [height_cm]                - Ideal Weight (Devine)",
    "  ideal_robinson [M/F] [height_cm]              - Ideal Weight (Robinson)",
    "  ideal_miller [M/F] [height_cm]                - Ideal Weight (Miller)",
    "Cardiovascular:",
    "  max_hr [age]                                  - Maximum Heart Rate",
    "  target_hr [age] [intensity_decimal]           - Target Heart Rate",
    "  bp_category [systolic] [diastolic]            - Blood Pressure Category",
    "  map [systolic] [diastolic]                    - Mean Arterial Pressure",
    "  pulse_pressure [systolic] [diastolic]         - Pulse Pressure",
};

}  // namespace

void write_listing(OutputText& out) noexcept {
  for (const char* line : listing_lines) write_line(out, line);
}

}  // namespace tamsel

# SPDX-License-Identifier: MIT
"""Requests with the answers the library must give, and how each answer is classified."""

BANNER = ("Tamsel Health Calculator - Command Line Medical Calculator\n"
          "Usage: program.exe [formula] [parameters...]\n"
          "Use 'help' or '-h' to see all available formulas")

LISTING = """\
Available Medical Calculations:
Body Composition:
  bmi [weight_kg] [height_m]                    - Body Mass Index
  bodyfat_navy [M/F] [waist] [neck] [height] [hip] - Body Fat % (Navy Method)
  whr [waist_cm] [hip_cm]                       - Waist-Hip Ratio
  wthr [waist_cm] [height_cm]                   - Waist-to-Height Ratio
  bai [hip_cm] [height_m]                       - Body Adiposity Index
  bsa [weight_kg] [height_cm]                   - Body Surface Area
  lbm [M/F] [weight_kg] [height_cm]             - Lean Body Mass
Metabolic Calculations:
  bmr_harris [M/F] [weight_kg] [height_cm] [age] - BMR (Harris-Benedict)
  bmr_mifflin [M/F] [weight_kg] [height_cm] [age] - BMR (Mifflin-St Jeor)
  tdee [bmr] [activity_factor]                  - Total Daily Energy Expenditure
Ideal Weight:
  ideal_devine [M/F] [height_cm]                - Ideal Weight (Devine)
  ideal_robinson [M/F] [height_cm]              - Ideal Weight (Robinson)
  ideal_miller [M/F] [height_cm]                - Ideal Weight (Miller)
Cardiovascular:
  max_hr [age]                                  - Maximum Heart Rate
  target_hr [age] [intensity_decimal]           - Target Heart Rate
  bp_category [systolic] [diastolic]            - Blood Pressure Category
  map [systolic] [diastolic]                    - Mean Arterial Pressure
  pulse_pressure [systolic] [diastolic]         - Pulse Pressure"""

# Every formula once, with the unit its result line names.
RESULTS = [
    ("bmi 70 1.75", "BMI: 22.86", 22.86, ""),
    ("bodyfat_navy M 90 40 180", "Body Fat Percentage (Navy Method): 18.37%", 18.37, "%"),
    ("bodyfat_navy F 75 33 165 100", "Body Fat Percentage (Navy Method): 29.43%", 29.43, "%"),
    ("whr 80 100", "Waist-Hip Ratio: 0.800", 0.8, ""),
    ("wthr 85 170", "Waist-to-Height Ratio: 0.500", 0.5, ""),
    ("bai 100 1.75", "Body Adiposity Index: 25.20%", 25.2, "%"),
    ("bsa 70 175", "Body Surface Area: 1.845 m\u00b2", 1.845, "m\u00b2"),
    ("lbm M 80 180", "Lean Body Mass: 61.42 kg", 61.42, "kg"),
    ("bmr_harris M 80 180 30", "BMR (Harris-Benedict): 1853.63 calories/day", 1853.63, "calories/day"),
    ("bmr_mifflin F 60 165 30", "BMR (Mifflin-St Jeor): 1320.25 calories/day", 1320.25, "calories/day"),
    ("tdee 1800 1.55", "Total Daily Energy Expenditure: 2790.00 calories/day", 2790.0, "calories/day"),
    ("ideal_devine M 180", "Ideal Weight (Devine): 74.99 kg", 74.99, "kg"),
    ("ideal_robinson F 165", "Ideal Weight (Robinson): 57.43 kg", 57.43, "kg"),
    ("ideal_miller M 180", "Ideal Weight (Miller): 71.52 kg", 71.52, "kg"),
    ("max_hr 30", "Maximum Heart Rate: 190 bpm", 190.0, "bpm"),
    ("target_hr 30 70", "Target Heart Rate: 133 bpm", 133.0, "bpm"),
    ("bp_category 150 85", "Blood Pressure Category: 3", 3.0, ""),
    ("map 120 80", "Mean Arterial Pressure: 93.3 mmHg", 93.3, "mmHg"),
    ("pulse_pressure 120 80", "Pulse Pressure: 40 mmHg", 40.0, "mmHg"),
    # Numbers that are not values, and a negative zero that keeps its sign.
    ("bmi 1 0", "BMI: inf", None, ""),
    ("bmi -1 0", "BMI: -inf", None, ""),
    ("bmi 0 0", "BMI: nan", None, ""),
    ("lbm M 47.17 0", "Lean Body Mass: -0.00 kg", -0.0, "kg"),
]

USAGE_LINES = {
    "bmi": "Usage: bmi [weight_kg] [height_m]",
    "bmr_harris": "Usage: bmr_harris [M/F] [weight_kg] [height_cm] [age]",
    "bmr_mifflin": "Usage: bmr_mifflin [M/F] [weight_kg] [height_cm] [age]",
    "bodyfat_navy": "Usage: bodyfat_navy [M/F] [waist_cm] [neck_cm] [height_cm] [hip_cm (F only)]",
    "whr": "Usage: whr [waist_cm] [hip_cm]",
    "ideal_devine": "Usage: ideal_devine [M/F] [height_cm]",
    "ideal_robinson": "Usage: ideal_robinson [M/F] [height_cm]",
    "ideal_miller": "Usage: ideal_miller [M/F] [height_cm]",
    "bsa": "Usage: bsa [weight_kg] [height_cm]",
    "lbm": "Usage: lbm [M/F] [weight_kg] [height_cm]",
    "tdee": "Usage: tdee [bmr] [activity_factor]",
    "max_hr": "Usage: max_hr [age]",
    "target_hr": "Usage: target_hr [age] [intensity_percent]",
    "bai": "Usage: bai [hip_cm] [height_m]",
    "wthr": "Usage: wthr [waist_cm] [height_cm]",
    "bp_category": "Usage: bp_category [systolic] [diastolic]",
    "map": "Usage: map [systolic] [diastolic]",
    "pulse_pressure": "Usage: pulse_pressure [systolic] [diastolic]",
}

# (request, answer, kind) for every kind of answer that is not a result.
OTHER_ANSWERS = [(keyword, line, "usage") for keyword, line in USAGE_LINES.items()] + [
    ("bodyfat_navy M 90 40 180 100", "Male requires: waist, neck, height", "requirement"),
    ("bodyfat_navy F 75 33 165", "Female requires: waist, neck, height, hip", "requirement"),
    ("xyz 1 2", "Unknown formula: xyz", "unknown"),
    ("x\ny 1", "Unknown formula: x\ny", "unknown"),  # the echo keeps the line break
    ("Usage: 1", "Unknown formula: Usage:", "unknown"),
    ("z" * 3000, "Unknown formula: " + "z" * 1023, "unknown"),  # only 1023 bytes are read
    ("", BANNER, "banner"),
    (" \t ", BANNER, "banner"),
    ("help", LISTING, "listing"),
    ("--help", LISTING, "listing"),
]

# Every request above with its answer.
ALL = [(request, answer) for request, answer, _, _ in RESULTS] + [
    (request, answer) for request, answer, _ in OTHER_ANSWERS]

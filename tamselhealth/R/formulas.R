# SPDX-License-Identifier: MIT

# Checks and recycles the arguments like base R arithmetic (a length-1 argument recycles, any
# zero-length one makes the answer empty, other lengths must agree), then asks the library
# row by row.
formula_call <- function(keyword, arguments, what, call) {
  what <- match.arg(what, c("value", "category", "record"))
  for (name in names(arguments)) {
    arguments[[name]] <- argument_vector(arguments[[name]], name)
  }
  lengths <- vapply(arguments, length, numeric(1))
  rows <- if (any(lengths == 0)) 0 else max(lengths)
  wrong <- lengths != 1 & lengths != rows & rows != 0
  if (any(wrong)) {
    stop(simpleError(paste0(
      "arguments must have the same length or length 1: ",
      paste0(names(arguments), " has ", lengths, collapse = ", ")
    ), call))
  }
  returned <- .Call(C_tamselhealth_formula, keyword, unname(arguments), as.double(rows), output_codes[[what]])
  finish_call(returned, what, call)
}

argument_vector <- function(x, name) {
  if (name == "sex") {
    if (is.factor(x) || (is.logical(x) && all(is.na(x)))) return(as.character(x))
    if (!is.character(x)) stop("sex must be a factor or a character vector, such as \"M\" or \"F\"", call. = FALSE)
    return(x)
  }
  if (is.numeric(x) || (is.logical(x) && all(is.na(x)))) return(as.double(x))
  stop(name, " must be numeric", call. = FALSE)
}

bmi <- function(weight_kg, height_m, what = c("value", "category", "record")) {
  formula_call("bmi", list(weight_kg = weight_kg, height_m = height_m), what, sys.call())
}

whr <- function(waist_cm, hip_cm, what = c("value", "category", "record")) {
  formula_call("whr", list(waist_cm = waist_cm, hip_cm = hip_cm), what, sys.call())
}

wthr <- function(waist_cm, height_cm, what = c("value", "category", "record")) {
  formula_call("wthr", list(waist_cm = waist_cm, height_cm = height_cm), what, sys.call())
}

bai <- function(hip_cm, height_m, what = c("value", "category", "record")) {
  formula_call("bai", list(hip_cm = hip_cm, height_m = height_m), what, sys.call())
}

bsa <- function(weight_kg, height_cm, what = c("value", "category", "record")) {
  formula_call("bsa", list(weight_kg = weight_kg, height_cm = height_cm), what, sys.call())
}

bodyfat_navy <- function(sex, waist_cm, neck_cm, height_cm, hip_cm = NA, what = c("value", "category", "record")) {
  # A forgotten hip would otherwise make every woman's row NA without a word.
  women <- (is.character(sex) || is.factor(sex)) && any(!grepl("^[Mm]", as.character(sex)) & !is.na(sex))
  if (missing(hip_cm) && women) {
    warning(simpleWarning("hip_cm was not given, so the rows of women are NA", sys.call()))
  }
  formula_call("bodyfat_navy", list(sex = sex, waist_cm = waist_cm, neck_cm = neck_cm, height_cm = height_cm,
                                    hip_cm = hip_cm), what, sys.call())
}

lbm <- function(sex, weight_kg, height_cm, what = c("value", "category", "record")) {
  formula_call("lbm", list(sex = sex, weight_kg = weight_kg, height_cm = height_cm), what, sys.call())
}

bmr_harris <- function(sex, weight_kg, height_cm, age, what = c("value", "category", "record")) {
  formula_call("bmr_harris", list(sex = sex, weight_kg = weight_kg, height_cm = height_cm, age = age), what,
               sys.call())
}

bmr_mifflin <- function(sex, weight_kg, height_cm, age, what = c("value", "category", "record")) {
  formula_call("bmr_mifflin", list(sex = sex, weight_kg = weight_kg, height_cm = height_cm, age = age), what,
               sys.call())
}

tdee <- function(bmr, activity_factor, what = c("value", "category", "record")) {
  formula_call("tdee", list(bmr = bmr, activity_factor = activity_factor), what, sys.call())
}

ideal_devine <- function(sex, height_cm, what = c("value", "category", "record")) {
  formula_call("ideal_devine", list(sex = sex, height_cm = height_cm), what, sys.call())
}

ideal_robinson <- function(sex, height_cm, what = c("value", "category", "record")) {
  formula_call("ideal_robinson", list(sex = sex, height_cm = height_cm), what, sys.call())
}

ideal_miller <- function(sex, height_cm, what = c("value", "category", "record")) {
  formula_call("ideal_miller", list(sex = sex, height_cm = height_cm), what, sys.call())
}

max_hr <- function(age, what = c("value", "category", "record")) {
  formula_call("max_hr", list(age = age), what, sys.call())
}

target_hr <- function(age, intensity_percent, what = c("value", "category", "record")) {
  formula_call("target_hr", list(age = age, intensity_percent = intensity_percent), what, sys.call())
}

bp_category <- function(systolic, diastolic, what = c("value", "category", "record")) {
  formula_call("bp_category", list(systolic = systolic, diastolic = diastolic), what, sys.call())
}

# Not "map", which would mask purrr::map in every session that attaches both packages.
mean_arterial_pressure <- function(systolic, diastolic, what = c("value", "category", "record")) {
  formula_call("map", list(systolic = systolic, diastolic = diastolic), what, sys.call())
}

pulse_pressure <- function(systolic, diastolic, what = c("value", "category", "record")) {
  formula_call("pulse_pressure", list(systolic = systolic, diastolic = diastolic), what, sys.call())
}

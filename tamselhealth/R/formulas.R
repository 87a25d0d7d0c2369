# SPDX-License-Identifier: MIT

# The formula functions' shared body. `env` is the calling function's frame, where its metric
# arguments are; `imperial` holds those given by their imperial names (weight_lb = ...). Checks
# and recycles the arguments like base R arithmetic (a length-1 argument recycles, any
# zero-length one makes the answer empty, other lengths must agree), then hands the vectors to
# the calculator as they are.
formula_call <- function(keyword, env, what, units, imperial, call) {
  what <- match.arg(what, c("value", "category", "record"))
  units <- match.arg(units, c("metric", "imperial"))
  table <- formula_arguments(keyword)
  check_imperial_names(imperial, table, call)
  arguments <- vector("list", length(table$name))
  in_imperial <- logical(length(table$name))
  given <- logical(length(table$name))
  for (place in seq_along(table$name)) {
    name <- table$name[[place]]
    imperial_name <- table$imperial_name[[place]]
    by_imperial_name <- !is.na(imperial_name) && imperial_name %in% names(imperial)
    by_name <- !eval(call("missing", as.name(name)), env)
    if (by_name && by_imperial_name) {
      stop(simpleError(paste0("give ", name, " or ", imperial_name, ", not both"), call))
    }
    if (by_imperial_name) {
      value <- imperial[[imperial_name]]
    } else if (by_name) {
      value <- get(name, envir = env, inherits = FALSE)
    } else if (table$women_only[[place]]) {
      next  # only women's rows need it, and the caller left it out
    } else {
      stop(simpleError(paste0(name, if (!is.na(imperial_name)) paste0(" (or ", imperial_name, ")"), " is missing"), call))
    }
    given[[place]] <- TRUE
    in_imperial[[place]] <- by_imperial_name || (units == "imperial" && !is.na(imperial_name))
    shown <- if (by_imperial_name) imperial_name else name
    arguments[place] <- list(argument_vector(value, shown, table$type[[place]], call))
    names(arguments)[place] <- shown
  }
  lengths <- vapply(arguments[given], length, numeric(1))
  rows <- if (any(lengths == 0)) 0 else max(lengths)
  wrong <- lengths != 1 & lengths != rows & rows != 0
  if (any(wrong)) {
    stop(simpleError(paste0(
      "arguments must have the same length or length 1: ",
      paste0(names(lengths), " has ", lengths, collapse = ", ")
    ), call))
  }
  returned <- .Call(C_tamselhealth_formula, keyword, arguments, in_imperial, as.double(rows), output_codes[[what]])
  left_out <- table$name[table$women_only & !given]
  if (length(left_out) > 0 && returned$women_without > 0) {
    # Otherwise every woman's row would be NA without a word.
    warning(simpleWarning(paste0(left_out[[1]], " was not given, so the rows of women are NA"), call))
  }
  finish_call(returned, what, call)
}

check_imperial_names <- function(imperial, table, call) {
  if (length(imperial) == 0) return(invisible())
  names <- names(imperial)
  if (is.null(names) || any(names == "")) {
    stop(simpleError("an argument after `what` must be named, such as weight_lb = 154", call))
  }
  known <- table$imperial_name[!is.na(table$imperial_name)]
  unknown <- setdiff(names, known)
  if (length(unknown) > 0) {
    stop(simpleError(paste0(
      "unknown argument ", unknown[[1]], "; in imperial units this formula takes ",
      if (length(known) == 0) "nothing" else paste(known, collapse = ", ")
    ), call))
  }
  if (anyDuplicated(names)) stop(simpleError(paste0(names[anyDuplicated(names)], " is given twice"), call))
}

# A vector the calculator reads where it lies: doubles or integers for a number, text or a
# factor for a sex; NA alone (logical) is a missing value of either.
argument_vector <- function(x, name, type, call) {
  all_na <- is.logical(x) && !is.object(x) && all(is.na(x))
  if (type == "sex") {
    if (is.factor(x) || is.character(x)) return(x)
    if (all_na) return(as.character(x))
    stop(simpleError(paste0(name, " must be a factor or a character vector, such as \"M\" or \"F\""), call))
  }
  if ((is.double(x) || is.integer(x)) && !is.object(x)) return(x)
  if (all_na) return(x)
  stop(simpleError(paste0(name, " must be numeric"), call))
}

bmi <- function(weight_kg, height_m, what = c("value", "category", "record"), ..., units = c("metric", "imperial")) {
  formula_call("bmi", environment(), what, units, list(...), sys.call())
}

whr <- function(waist_cm, hip_cm, what = c("value", "category", "record"), ..., units = c("metric", "imperial")) {
  formula_call("whr", environment(), what, units, list(...), sys.call())
}

wthr <- function(waist_cm, height_cm, what = c("value", "category", "record"), ..., units = c("metric", "imperial")) {
  formula_call("wthr", environment(), what, units, list(...), sys.call())
}

bai <- function(hip_cm, height_m, what = c("value", "category", "record"), ..., units = c("metric", "imperial")) {
  formula_call("bai", environment(), what, units, list(...), sys.call())
}

bsa <- function(weight_kg, height_cm, what = c("value", "category", "record"), ..., units = c("metric", "imperial")) {
  formula_call("bsa", environment(), what, units, list(...), sys.call())
}

bodyfat_navy <- function(sex, waist_cm, neck_cm, height_cm, hip_cm = NA, what = c("value", "category", "record"), ...,
                         units = c("metric", "imperial")) {
  formula_call("bodyfat_navy", environment(), what, units, list(...), sys.call())
}

lbm <- function(sex, weight_kg, height_cm, what = c("value", "category", "record"), ...,
                units = c("metric", "imperial")) {
  formula_call("lbm", environment(), what, units, list(...), sys.call())
}

bmr_harris <- function(sex, weight_kg, height_cm, age, what = c("value", "category", "record"), ...,
                       units = c("metric", "imperial")) {
  formula_call("bmr_harris", environment(), what, units, list(...), sys.call())
}

bmr_mifflin <- function(sex, weight_kg, height_cm, age, what = c("value", "category", "record"), ...,
                        units = c("metric", "imperial")) {
  formula_call("bmr_mifflin", environment(), what, units, list(...), sys.call())
}

tdee <- function(bmr, activity_factor, what = c("value", "category", "record"), ..., units = c("metric", "imperial")) {
  formula_call("tdee", environment(), what, units, list(...), sys.call())
}

ideal_devine <- function(sex, height_cm, what = c("value", "category", "record"), ..., units = c("metric", "imperial")) {
  formula_call("ideal_devine", environment(), what, units, list(...), sys.call())
}

ideal_robinson <- function(sex, height_cm, what = c("value", "category", "record"), ...,
                           units = c("metric", "imperial")) {
  formula_call("ideal_robinson", environment(), what, units, list(...), sys.call())
}

ideal_miller <- function(sex, height_cm, what = c("value", "category", "record"), ..., units = c("metric", "imperial")) {
  formula_call("ideal_miller", environment(), what, units, list(...), sys.call())
}

max_hr <- function(age, what = c("value", "category", "record"), ..., units = c("metric", "imperial")) {
  formula_call("max_hr", environment(), what, units, list(...), sys.call())
}

target_hr <- function(age, intensity_percent, what = c("value", "category", "record"), ...,
                      units = c("metric", "imperial")) {
  formula_call("target_hr", environment(), what, units, list(...), sys.call())
}

bp_category <- function(systolic, diastolic, what = c("value", "category", "record"), ...,
                        units = c("metric", "imperial")) {
  formula_call("bp_category", environment(), what, units, list(...), sys.call())
}

# Not "map", which would mask purrr::map in every session that attaches both packages.
mean_arterial_pressure <- function(systolic, diastolic, what = c("value", "category", "record"), ...,
                                   units = c("metric", "imperial")) {
  formula_call("map", environment(), what, units, list(...), sys.call())
}

pulse_pressure <- function(systolic, diastolic, what = c("value", "category", "record"), ...,
                           units = c("metric", "imperial")) {
  formula_call("pulse_pressure", environment(), what, units, list(...), sys.call())
}

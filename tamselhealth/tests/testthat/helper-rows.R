# Random rows for every formula, and the requests that write their numbers, so that the
# typed functions can be held against ask().

keywords <- c("bmi", "bmr_harris", "bmr_mifflin", "bodyfat_navy", "whr", "ideal_devine", "ideal_robinson",
              "ideal_miller", "bsa", "lbm", "tdee", "max_hr", "target_hr", "bai", "wthr", "bp_category", "map",
              "pulse_pressure")

formula_function <- function(keyword) {
  if (keyword == "map") mean_arterial_pressure else get(keyword, envir = asNamespace("tamselhealth"))
}

# Plausible adults, so that categories show up; the rest of each column goes wide.
plausible_range <- list(
  weight_kg = c(45, 120), height_m = c(1.5, 1.95), height_cm = c(150, 195), waist_cm = c(60, 120),
  hip_cm = c(80, 130), neck_cm = c(32, 42), age = c(18, 80), bmr = c(1200, 2500), activity_factor = c(1.2, 1.9),
  intensity_percent = c(0.5, 0.9), systolic = c(100, 190), diastolic = c(60, 125))

# Numbers as they come: recorded to 0 to 2 decimals, at full precision, far out of range, and
# the edges of doubles (zeros of both signs, infinities, subnormals, whole numbers past 32 bits).
random_numbers <- function(n, name) {
  range <- plausible_range[[name]]
  edges <- c(0, -0, Inf, -Inf, 5e-324, 1e-300, 1e300, -1, 2^31, -3e9, 30.9, 0.5, 1e5, 123456789.75)
  form <- sample(4, n, replace = TRUE, prob = c(70, 15, 10, 5))
  plausible <- round(runif(n, range[1], range[2]), sample(0:2, n, replace = TRUE))
  ifelse(form == 1, plausible,
  ifelse(form == 2, runif(n, range[1], range[2]),
  ifelse(form == 3, runif(n, -0.5 * range[2], 3 * range[2]), sample(edges, n, replace = TRUE))))
}

# n rows of a formula: its arguments as the function takes them (by name) and the requests.
random_rows <- function(keyword, n) {
  table <- tamselhealth:::formula_arguments(keyword)
  arguments <- list()
  words <- matrix("", n, length(table$name))
  for (place in seq_along(table$name)) {
    name <- table$name[[place]]
    if (table$type[[place]] == "sex") {
      sex <- sample(c("M", "F", "m", "female", "Male"), n, replace = TRUE)
      arguments[[name]] <- if (runif(1) < 0.5) factor(sex) else sex
      words[, place] <- sex
    } else {
      numbers <- random_numbers(n, name)
      arguments[[name]] <- numbers
      words[, place] <- tamselhealth:::number_text(numbers, positional = table$type[[place]] == "whole")
    }
  }
  # A man gives no hip.
  if (any(table$women_only)) {
    male <- grepl("^[Mm]", words[, 1])
    words[male, table$women_only] <- NA
  }
  requests <- rep(keyword, n)
  for (place in seq_len(ncol(words))) {
    given <- !is.na(words[, place])
    requests[given] <- paste(requests[given], words[given, place])
  }
  list(arguments = arguments, requests = requests)
}

# Every warning of a call, so that a test can count them.
collect_warnings <- function(expression) {
  messages <- character(0)
  value <- withCallingHandlers(expression, warning = function(condition) {
    messages <<- c(messages, conditionMessage(condition))
    invokeRestart("muffleWarning")
  })
  list(value = value, messages = messages)
}

# Doubles equal to the bit: identical() takes -0 for 0.
expect_same_bits <- function(actual, expected, label) {
  expect_identical(actual, expected, label = label)
  expect_identical(writeBin(actual, raw()), writeBin(expected, raw()), label = label)
}

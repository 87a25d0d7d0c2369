# The package must answer exactly as the program does: same library, same review. The
# program's path comes from TAMSEL_HEALTH_PROGRAM; without it the test skips, unless
# TAMSEL_HEALTH_REQUIRE_PROGRAM is set, as CI sets it.

# Arguments as people type them, right and wrong: plain and long decimals, exponents, signs,
# commas, units stuck to the number, words, non-ASCII text, sexes in several spellings.
random_argument <- function(n) {
  number <- function(n) {
    form <- sample(6, n, replace = TRUE)
    value <- runif(n, -50, 300)
    ifelse(form == 1, sprintf("%.0f", value),
    ifelse(form == 2, sprintf("%.2f", value),
    ifelse(form == 3, sprintf("%.17g", value),
    ifelse(form == 4, sprintf("%ge%d", round(value, 1), sample(-3:3, n, replace = TRUE)),
    ifelse(form == 5, sprintf("%.1f", runif(n, 0, 3)), sprintf("%d", sample(0:250, n, replace = TRUE)))))))
  }
  odd <- c("0", "-0", "abc", "1,75", "70kg", "nan", "inf", "-inf", "0x10", "1e400", "+5", ".5", "5.",
           "M", "F", "m", "f", "male", "female", "x", "Mujer", "Woman", "\u00e9t\u00e9", "\u00b2", "2147483648")
  ifelse(runif(n) < 0.8, number(n), sample(odd, n, replace = TRUE))
}

# Plausible adults, so that warnings stay the exception and categories show up.
plausible <- list(
  bmi = list(c(45, 120), c(1.5, 1.95)), whr = list(c(60, 120), c(80, 130)), wthr = list(c(60, 120), c(150, 195)),
  bai = list(c(80, 130), c(1.5, 1.95)), bsa = list(c(45, 120), c(150, 195)), tdee = list(c(1200, 2500), c(1.2, 1.9)),
  max_hr = list(c(18, 80)), target_hr = list(c(18, 80), c(0.5, 0.9)), bp_category = list(c(100, 190), c(60, 125)),
  map = list(c(100, 190), c(60, 125)), pulse_pressure = list(c(100, 190), c(60, 125)),
  lbm = list(NULL, c(45, 120), c(150, 195)), ideal_devine = list(NULL, c(150, 195)),
  ideal_robinson = list(NULL, c(150, 195)), ideal_miller = list(NULL, c(150, 195)),
  bmr_harris = list(NULL, c(45, 120), c(150, 195), c(18, 80)), bmr_mifflin = list(NULL, c(45, 120), c(150, 195), c(18, 80)),
  bodyfat_navy = list(NULL, c(70, 110), c(32, 42), c(155, 195), c(90, 115)))

plausible_request <- function(keyword) {
  ranges <- plausible[[keyword]]
  arguments <- vapply(ranges, function(range) {
    if (is.null(range)) return(sample(c("M", "F"), 1))
    format(round(runif(1, range[1], range[2]), sample(0:2, 1)), nsmall = 0)
  }, character(1))
  if (keyword == "bodyfat_navy" && arguments[1] == "M") arguments <- arguments[1:4]
  paste(c(keyword, arguments), collapse = " ")
}

random_requests <- function(n) {
  keyword <- ifelse(runif(n) < 0.95, sample(keywords, n, replace = TRUE),
                    sample(c("BMI", "help", "-h", "foo", "bmi2"), n, replace = TRUE))
  count <- sample(0:6, n, replace = TRUE, prob = c(1, 2, 6, 4, 6, 4, 2))
  vapply(seq_len(n), function(i) {
    if (keyword[i] %in% keywords && runif(1) < 0.3) return(plausible_request(keyword[i]))
    arguments <- random_argument(count[i])
    if (keyword[i] %in% c("bmr_harris", "bmr_mifflin", "bodyfat_navy", "ideal_devine", "ideal_robinson",
                          "ideal_miller", "lbm") && count[i] > 0 && runif(1) < 0.8) {
      arguments[1] <- sample(c("M", "F", "m", "f", "x"), 1)
    }
    paste(c(keyword[i], arguments), collapse = sample(c(" ", "  ", "\t"), 1))
  }, character(1))
}

test_that("10,000 random requests get the program's records", {
  program <- Sys.getenv("TAMSEL_HEALTH_PROGRAM")
  if (program == "" && Sys.getenv("TAMSEL_HEALTH_REQUIRE_PROGRAM") == "") skip("TAMSEL_HEALTH_PROGRAM names no program")
  expect_true(file.exists(program), label = paste0("TAMSEL_HEALTH_PROGRAM (\"", program, "\") exists"))
  skip_if_not_installed("jsonlite")
  set.seed(20261209)
  requests <- enc2utf8(random_requests(10000))
  input <- tempfile()
  on.exit(unlink(input))
  writeLines(requests, input, useBytes = TRUE)
  lines <- suppressWarnings(system2(program, c("--json", "-"), stdin = input, stdout = TRUE, stderr = FALSE))
  expect_length(lines, length(requests))
  host <- jsonlite::fromJSON(paste0("[", paste(lines, collapse = ","), "]"), simplifyVector = FALSE)
  ours <- ask(requests)

  field <- function(name, empty) {
    vapply(host, function(r) if (is.null(r[[name]])) empty else methods::as(r[[name]], typeof(empty)), empty)
  }
  expect_identical(field("line", NA_real_), as.double(seq_along(requests)))
  expect_identical(field("request", NA_character_), requests)
  expect_identical(ours$kind, field("kind", NA_character_))
  expect_identical(ours$text, field("text", NA_character_))
  expect_identical(ours$unit, field("unit", NA_character_))
  # The program writes no number for inf and nan, which R holds as Inf and NaN.
  expect_identical(ifelse(is.finite(ours$value), ours$value, NA_real_), field("value", NA_real_))
  expect_identical(ours$warnings, lapply(host, function(r) as.character(unlist(r$warnings))))
  expect_true(all(vapply(host, function(r) "category" %in% names(r), logical(1))))
  expect_identical(ours$category, field("category", NA_character_))
  expect_identical(ours$category_source, field("category_source", NA_character_))
  expect_identical(ours$category_note, field("category_note", NA_character_))
  # The draw must reach every kind of answer, warnings and categories.
  expect_setequal(unique(ours$kind), c("result", "usage", "requirement", "unknown", "listing"))
  expect_gt(sum(lengths(ours$warnings) > 0), 1000)
  expect_gt(sum(!is.na(ours$category)), 200)
})

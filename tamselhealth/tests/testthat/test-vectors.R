# Vectors as base R treats them: NA in gives NA out, length-1 arguments recycle, factors work
# for sex, and empty input gives empty output.

formula_calls <- list(
  list(bmi, list(70, 1.75)), list(whr, list(80, 100)), list(wthr, list(85, 170)), list(bai, list(100, 1.75)),
  list(bsa, list(70, 175)), list(bodyfat_navy, list("M", 90, 40, 180)), list(bodyfat_navy, list("F", 75, 33, 165, 100)),
  list(lbm, list("M", 80, 180)), list(bmr_harris, list("F", 60, 165, 30)), list(bmr_mifflin, list("M", 80, 180, 30)),
  list(tdee, list(1800, 1.55)), list(ideal_devine, list("M", 180)), list(ideal_robinson, list("F", 165)),
  list(ideal_miller, list("M", 180)), list(max_hr, list(30)), list(target_hr, list(30, 0.7)),
  list(bp_category, list(120, 80)), list(mean_arterial_pressure, list(120, 80)), list(pulse_pressure, list(120, 80)))

# NaN counts as missing, as is.na() says; NA_integer_ and a logical NA are missing too.
test_that("a missing value in any argument gives NA in that row only, without a warning", {
  for (call in formula_calls) {
    single <- do.call(call[[1]], call[[2]])
    for (position in seq_along(call[[2]])) {
      given <- call[[2]][[position]]
      nothing <- if (is.character(given)) list(NA_character_, NA) else list(NA_real_, NaN, NA_integer_, NA)
      for (missing_value in nothing) {
        arguments <- call[[2]]
        arguments[[position]] <- c(given, missing_value, given)
        expect_silent(expect_identical(do.call(call[[1]], arguments), c(single, NA, single)))
      }
    }
  }
  record <- bmi(c(70, NA), 1.75, what = "record")
  expect_identical(record$kind, c("result", "missing"))
  expect_identical(record$warnings, list(character(0), character(0)))
  expect_identical(record$unit, c("", ""))
  # A man's hip is not asked for, so its NA changes nothing.
  expect_identical(bodyfat_navy(c("M", "F"), 90, 40, 180, NA), c(18.37, NA))
  expect_silent(bodyfat_navy("M", 90, 40, 180))
  expect_warning(expect_identical(bodyfat_navy(c("M", "F"), 90, 40, 180), c(18.37, NA)),
                 "hip_cm was not given, so the rows of women are NA")
  expect_identical(calc_health(c("bmi 70 1.75", NA)), c("BMI: 22.86", NA))
})

test_that("integer vectors give what their doubles give", {
  systolic <- c(115L, 150L, NA, 185L)
  diastolic <- c(75L, 95L, 80L, 125L)
  expect_identical(bp_category(systolic, diastolic, what = "record"),
                   bp_category(as.double(systolic), as.double(diastolic), what = "record"))
  expect_identical(bmr_harris("F", 60L, 165L, c(30L, NA)), bmr_harris("F", 60, 165, c(30, NA)))
  expect_identical(collect_warnings(max_hr(c(.Machine$integer.max, -.Machine$integer.max))),
                   collect_warnings(max_hr(c(2147483647, -2147483647))))
})

test_that("length-1 arguments recycle, other lengths must agree", {
  expect_identical(bmi(c(70, 80, 90), 1.75), c(bmi(70, 1.75), bmi(80, 1.75), bmi(90, 1.75)))
  expect_identical(bmi(70, c(1.75, 1.8)), c(bmi(70, 1.75), bmi(70, 1.8)))
  expect_identical(lbm(c("M", "F"), 80, 180), c(lbm("M", 80, 180), lbm("F", 80, 180)))
  expect_identical(lbm(factor("F"), c(60L, 80L), 165), c(lbm("F", 60, 165), lbm("F", 80, 165)))
  expect_identical(bp_category(c(120L, 150L), 80L), c(bp_category(120, 80), bp_category(150, 80)))
  # Past one block of rows, a recycled argument still reaches every row.
  many <- 5000
  expect_identical(bodyfat_navy("F", rep(75, many), 33, 165, 100), rep(bodyfat_navy("F", 75, 33, 165, 100), many))
  expect_error(bmi(c(70, 80), c(1.7, 1.8, 1.9)), "weight_kg has 2, height_m has 3")
  expect_error(bodyfat_navy(c("M", "F", "F"), 90, 40, 180, c(95, 100)), "hip_cm has 2")
})

test_that("zero-length input gives zero-length output of the same type", {
  expect_identical(bmi(numeric(0), 1.75), numeric(0))
  expect_identical(bmi(numeric(0), c(1.7, 1.8)), numeric(0))
  empty_class <- lbm(character(0), 80, 180, what = "category")
  expect_s3_class(empty_class, c("ordered", "factor"), exact = TRUE)
  expect_length(empty_class, 0)
  expect_identical(calc_health(character(0)), character(0))
  empty <- ask(character(0))
  expect_s3_class(empty, "data.frame")
  expect_identical(dim(empty), c(0L, 9L))
  typed <- bmi(numeric(0), 1.75, what = "record")
  expect_identical(dim(typed), c(0L, 7L))
  expect_identical(names(typed), c("kind", "value", "unit", "warnings", "category", "category_source", "category_note"))
})

test_that("sex may be a factor or text naming M, F, male or female in either case", {
  expected <- c(lbm("F", 60, 165), lbm("M", 60, 165), NA, lbm("M", 60, 165))
  sexes <- list(c("female", "male", NA, "male"), c("F", "m", NA, "MALE"), c("f", "Male", NA, "M"))
  for (sex in sexes) {
    expect_identical(lbm(sex, 60, 165), expected)
    expect_identical(lbm(factor(sex), 60, 165), expected)
  }
  expect_identical(lbm(factor(c("M", "F"), levels = c("M", "F", "X")), 60, 165), expected[c(2, 1)])
  # Text that names no sex is missing, and said so: reading "Mujer" as male would be wrong.
  run <- collect_warnings(lbm(c("F", "x y", "", "Mujer"), 60, 165))
  expect_identical(run$value, c(expected[1], NA, NA, NA))
  expect_match(run$messages, "3 of 4 rows have warnings:\n  row 2: sex \"x y\" is not M, F, male or female, so the row is NA\n  row 3: sex \"\" is not",
               fixed = TRUE)
  record <- suppressWarnings(lbm(factor(c("Mujer", "F")), 60, 165, what = "record"))
  expect_identical(record$kind, c("missing", "result"))
  expect_identical(record$warnings[[1]], "sex \"Mujer\" is not M, F, male or female, so the row is NA")
  # A factor whose codes lie past its levels, as only one built by hand has, reads as missing.
  broken <- structure(c(1L, 7L), levels = "F", class = "factor")
  expect_identical(lbm(broken, 60, 165), c(expected[1], NA))
  expect_error(lbm(1, 60, 165), "sex must be a factor or a character vector")
})

test_that("numbers must be numbers", {
  expect_identical(bmi(70L, 2L), bmi(70, 2))
  expect_identical(bmi(NA, 1.75), NA_real_)
  expect_error(bmi("70", 1.75), "weight_kg must be numeric")
  expect_error(bmi(factor(70), 1.75), "weight_kg must be numeric")
  expect_error(bmi(TRUE, 1.75), "weight_kg must be numeric")
  expect_error(bmi(as.Date("2020-01-01"), 1.75), "weight_kg must be numeric")
  expect_error(bmi(70), "height_m \\(or height_in\\) is missing")
  expect_error(calc_health(1), "requests must be a character vector")
})

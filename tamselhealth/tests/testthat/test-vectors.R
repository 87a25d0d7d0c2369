# Vectors as base R treats them: NA in gives NA out, length-1 arguments recycle, factors work
# for sex, and empty input gives empty output.

formula_calls <- list(
  list(bmi, list(70, 1.75)), list(whr, list(80, 100)), list(wthr, list(85, 170)), list(bai, list(100, 1.75)),
  list(bsa, list(70, 175)), list(bodyfat_navy, list("M", 90, 40, 180)), list(bodyfat_navy, list("F", 75, 33, 165, 100)),
  list(lbm, list("M", 80, 180)), list(bmr_harris, list("F", 60, 165, 30)), list(bmr_mifflin, list("M", 80, 180, 30)),
  list(tdee, list(1800, 1.55)), list(ideal_devine, list("M", 180)), list(ideal_robinson, list("F", 165)),
  list(ideal_miller, list("M", 180)), list(max_hr, list(30)), list(target_hr, list(30, 0.7)),
  list(bp_category, list(120, 80)), list(mean_arterial_pressure, list(120, 80)), list(pulse_pressure, list(120, 80)))

test_that("an NA in any argument gives NA in that row only", {
  for (call in formula_calls) {
    single <- do.call(call[[1]], call[[2]])
    for (position in seq_along(call[[2]])) {
      arguments <- call[[2]]
      arguments[[position]] <- c(arguments[[position]], NA, arguments[[position]])
      expect_identical(do.call(call[[1]], arguments), c(single, NA, single))
    }
  }
  # A man's hip is not asked for, so its NA changes nothing.
  expect_identical(bodyfat_navy(c("M", "F"), 90, 40, 180, NA), c(18.37, NA))
  expect_silent(bodyfat_navy("M", 90, 40, 180))
  expect_warning(expect_identical(bodyfat_navy(c("M", "F"), 90, 40, 180), c(18.37, NA)),
                 "hip_cm was not given, so the rows of women are NA")
  expect_identical(calc_health(c("bmi 70 1.75", NA)), c("BMI: 22.86", NA))
})

test_that("length-1 arguments recycle, other lengths must agree", {
  expect_identical(bmi(c(70, 80, 90), 1.75), c(bmi(70, 1.75), bmi(80, 1.75), bmi(90, 1.75)))
  expect_identical(bmi(70, c(1.75, 1.8)), c(bmi(70, 1.75), bmi(70, 1.8)))
  expect_identical(lbm(c("M", "F"), 80, 180), c(lbm("M", 80, 180), lbm("F", 80, 180)))
  expect_error(bmi(c(70, 80), c(1.7, 1.8, 1.9)), "weight_kg has 2, height_m has 3")
  expect_error(bodyfat_navy(c("M", "F", "F"), 90, 40, 180, c(95, 100)), "hip_cm has 2")
})

test_that("zero-length input gives zero-length output", {
  expect_identical(bmi(numeric(0), 1.75), numeric(0))
  expect_identical(bmi(numeric(0), c(1.7, 1.8)), numeric(0))
  expect_identical(lbm(character(0), 80, 180, what = "category"), character(0))
  expect_identical(calc_health(character(0)), character(0))
  empty <- ask(character(0))
  expect_s3_class(empty, "data.frame")
  expect_identical(dim(empty), c(0L, 8L))
  expect_identical(names(empty), c("request", "kind", "text", "value", "unit", "warnings", "category",
                                   "category_source"))
})

test_that("sex may be a factor or text, and only one word", {
  sex <- factor(c("female", "male", NA, "male"))
  expected <- c(lbm("F", 60, 165), lbm("M", 60, 165), NA, lbm("M", 60, 165))
  expect_identical(lbm(sex, 60, 165), expected)
  expect_identical(lbm(as.character(sex), 60, 165), expected)
  expect_identical(lbm(factor(c("M", "F"), levels = c("M", "F", "X")), 60, 165), expected[c(2, 1)])
  expect_warning(expect_identical(lbm(c("F", "x y", ""), 60, 165), c(expected[1], NA, NA)),
                 "row 2: sex \"x y\" is not one word")
  expect_warning(lbm("Mujer", 60, 165), "reads as male")
  expect_error(lbm(1, 60, 165), "sex must be a factor or a character vector")
})

test_that("numbers must be numbers", {
  expect_identical(bmi(70L, 2L), bmi(70, 2))
  expect_identical(bmi(NA, 1.75), NA_real_)
  expect_error(bmi("70", 1.75), "weight_kg must be numeric")
  expect_error(bmi(factor(70), 1.75), "weight_kg must be numeric")
  expect_error(calc_health(1), "requests must be a character vector")
})

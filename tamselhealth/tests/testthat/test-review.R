# The review reaches R users as one summarising warning per call and as categories.

test_that("a call warns once, with the count of rows and the first of them", {
  run <- collect_warnings(bmi(c(70, rep(0, 1000)), 1.75))
  expect_length(run$messages, 1)
  expect_match(run$messages, "1,000 of 1,001 rows have warnings; the first 3:", fixed = TRUE)
  expect_match(run$messages, "\n  row 2: weight_kg 0 is outside 2 to 400\n  row 3: ", fixed = TRUE)
  run <- collect_warnings(bp_category(c(120, 80), c(80, 120)))
  expect_identical(run$messages, "1 of 2 rows has warnings:\n  row 2: systolic 80 is below diastolic 120; swapped?")
  run <- collect_warnings(calc_health(c("bmi 70 175", "foo")))
  expect_match(run$messages, "row 1: height_m 175 is outside 0.3 to 2.75; centimetres?", fixed = TRUE)
  expect_silent(bmi(c(70, 80), c(1.75, 1.8)))
  expect_silent(ask(c("bmi 70 175", "bmi 0 0")))
})

test_that("the warning names the call that drew it", {
  condition <- tryCatch(bmi(0, 1.75), warning = function(condition) condition)
  expect_identical(conditionCall(condition), quote(bmi(0, 1.75)))
})

test_that("results with a published class carry it, as an ordered factor; doubtful ones do not", {
  bmi_levels <- c("Severe thinness", "Moderate thinness", "Mild thinness", "Normal range", "Pre-obese (overweight)",
                  "Obese class I", "Obese class II", "Obese class III")
  pressure_levels <- c("Normal", "Elevated", "Hypertension, stage 1", "Hypertension, stage 2", "Hypertensive crisis")
  classes <- list(
    list(bmi(c(15.99, 16, 16.99, 17, 18.49, 18.5, 24.99, 25, 29.99, 30, 34.99, 35, 39.99, 40), 1, what = "category"),
         bmi_levels[c(1, 2, 2, 3, 3, 4, 4, 5, 5, 6, 6, 7, 7, 8)], bmi_levels),
    list(bp_category(c(115, 125, 135, 150, 185), c(75, 75, 85, 95, 125), what = "category"),
         pressure_levels, pressure_levels),
    list(wthr(c(70, 85, 110), 170, what = "category"),
         c("Healthy central adiposity", "Increased central adiposity", "High central adiposity"),
         c("Healthy central adiposity", "Increased central adiposity", "High central adiposity")),
    list(bodyfat_navy(c("M", "F"), c(90, 75), c(40, 33), c(180, 165), c(NA, 100), what = "category"),
         c("Average", "Average"), c("Essential fat", "Athletes", "Fitness", "Average", "Obese")),
    list(bsa(70, 175, what = "category"), NA_character_, character(0)))
  for (case in classes) {
    expect_s3_class(case[[1]], c("ordered", "factor"), exact = TRUE)
    expect_identical(as.character(case[[1]]), case[[2]])
    expect_identical(levels(case[[1]]), case[[3]])
  }
  # The order of the levels is that of the values.
  set.seed(5)
  record <- suppressWarnings(bmi(runif(1e4, 30, 150), 1.75, what = "record"))
  expect_false(is.unsorted(as.integer(record$category)[order(record$value)], na.rm = TRUE))
  expect_true(all(record$category[record$value >= 25] > "Normal range", na.rm = TRUE))
  expect_warning(expect_identical(as.character(bmi(70, 175, what = "category")), NA_character_), "centimetres")
  record <- ask(c("bmi 70 1.75", "bp_category 150 95", "bsa 70 175"))
  expect_match(record$category_source[1], "^WHO Technical Report Series 894")
  expect_match(record$category_source[2], "ACC/AHA")
  expect_match(record$category_note[2], "from this one reading")
  expect_identical(record$category_source[3], NA_character_)
  expect_identical(record$category_note[3], NA_character_)
  expect_identical(record$unit, c("", "", "m\u00b2"))
  typed <- bsa(70, 175, what = "record")
  expect_identical(typed$unit, "m\u00b2")
})

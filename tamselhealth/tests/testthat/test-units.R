# Pounds and inches, only when the caller names them: each is turned into the metric unit by
# the exact definition with one rounded multiplication, so a call in imperial units is the
# metric call of those products, to the bit.

# The definitions: 1 lb = 0.45359237 kg, 1 in = 2.54 cm.
metric_factor <- c(kg = 0.45359237, cm = 2.54, m = 0.0254)

test_that("the functions take the table's arguments, in its order", {
  for (keyword in keywords) {
    table <- tamselhealth:::formula_arguments(keyword)
    arguments <- names(formals(formula_function(keyword)))
    expect_identical(arguments[seq_len(which(arguments == "what") - 1)], table$name, label = keyword)
    expect_identical(tail(arguments, 2), c("...", "units"), label = keyword)
  }
})

test_that("arguments in pounds and inches give the metric call of their products", {
  set.seed(2026)
  n <- 20000
  for (keyword in keywords) {
    table <- tamselhealth:::formula_arguments(keyword)
    if (all(is.na(table$imperial_name))) next
    rows <- random_rows(keyword, n)
    imperial <- rows$arguments
    metric <- rows$arguments
    for (place in which(!is.na(table$imperial_name))) {
      name <- table$name[[place]]
      unit <- sub(".*_", "", name)
      imperial[[name]] <- NULL
      imperial[[table$imperial_name[[place]]]] <- rows$arguments[[name]]
      metric[[name]] <- rows$arguments[[name]] * metric_factor[[unit]]
    }
    f <- formula_function(keyword)
    by_name <- do.call(f, c(imperial, what = "record"))
    by_units <- do.call(f, c(rows$arguments, what = "record", units = "imperial"))
    expected <- do.call(f, c(metric, what = "record"))
    expect_same_bits(by_name$value, expected$value, keyword)
    expect_identical(by_name$category, expected$category, label = keyword)
    expect_identical(by_name$kind, expected$kind, label = keyword)
    expect_identical(lengths(by_name$warnings), lengths(expected$warnings), label = keyword)
    expect_identical(by_units, by_name, label = keyword)
  }
})

test_that("imperial and metric arguments mix, and warnings speak in the unit given", {
  expect_identical(bmi(70, height_in = 69), bmi(70, 69 * 0.0254))
  expect_identical(bmi(height_in = 69, weight_kg = 70), bmi(70, 69 * 0.0254))
  expect_identical(bodyfat_navy("F", waist_in = 30, neck_in = 13, height_cm = 165, hip_in = 40),
                   bodyfat_navy("F", 30 * 2.54, 13 * 2.54, 165, 40 * 2.54))
  expect_identical(bmi(154, 69, units = "imperial"), 22.74)
  record <- bmi(weight_lb = c(154, 1600), height_in = 69, what = "record")
  expect_identical(record$warnings[[2]], "weight_lb 1600 (725.7 kg) is outside 2 to 400 kg")
  # Ages and pressures have no imperial unit: units = "imperial" leaves them as they are.
  expect_identical(bmr_harris("M", 176, 71, 30, units = "imperial"),
                   bmr_harris("M", 176 * 0.45359237, 71 * 2.54, 30))
  expect_identical(pulse_pressure(120, 80, units = "imperial"), pulse_pressure(120, 80))
})

test_that("a unit is never guessed: unknown, doubled or unnamed arguments are errors", {
  errors <- list(
    list(quote(bmi(weight_kg = 70, weight_lb = 154, height_m = 1.75)), "give weight_kg or weight_lb, not both"),
    list(quote(bmi(70, 1.75, height_cm = 175)), "unknown argument height_cm; in imperial units this formula takes weight_lb, height_in"),
    list(quote(max_hr(30, age_months = 360)), "this formula takes nothing"),
    list(quote(bmi(70, 1.75, "value", 1.8)), "must be named"),
    list(quote(bmi(70, 1.75, units = "stones")), "should be one of"),
    list(quote(bmi(weight_lb = 154)), "height_m \\(or height_in\\) is missing"),
    list(quote(bmi(weight_lb = "154", height_in = 69)), "weight_lb must be numeric"))
  for (case in errors) expect_error(eval(case[[1]]), case[[2]])
})

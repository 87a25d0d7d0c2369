# Each function asks the library exactly what base R's numbers say, and returns the number
# that the library printed.

test_that("every formula returns the library's printed answer", {
  cases <- list(
    list(bmi(70, 1.75), 22.86), list(whr(80, 100), 0.8), list(wthr(85, 170), 0.5),
    list(bai(100, 1.75), 25.2), list(bsa(70, 175), 1.845),
    list(bodyfat_navy("M", 90, 40, 180), 18.37), list(bodyfat_navy("F", 75, 33, 165, 100), 29.43),
    list(lbm("M", 80, 180), 61.42), list(lbm("F", 60, 165), 44.87),
    list(bmr_harris("M", 80, 180, 30), 1853.63), list(bmr_harris("F", 60, 165, 30), 1383.68),
    list(bmr_mifflin("M", 80, 180, 30), 1780), list(bmr_mifflin("F", 60, 165, 30), 1320.25),
    list(tdee(1800, 1.55), 2790),
    list(ideal_devine("M", 180), 74.99), list(ideal_devine("F", 165), 56.91), list(ideal_devine("M", 152.4), 50),
    list(ideal_robinson("M", 180), 72.65), list(ideal_robinson("F", 165), 57.43),
    list(ideal_miller("M", 180), 71.52), list(ideal_miller("F", 165), 59.85),
    list(max_hr(30), 190), list(target_hr(30, c(0.7, 70)), c(133, 133)),
    list(bp_category(c(115, 125, 120, 130, 135, 150, 200, 150, 185, 185), c(75, 75, 80, 79, 85, 85, 70, 95, 100, 125)),
         c(0, 1, 2, 2, 2, 3, 4, 3, 4, 4)),
    list(mean_arterial_pressure(120, 80), 93.3), list(pulse_pressure(120, 80), 40))
  for (case in cases) expect_identical(case[[1]], case[[2]])
})

test_that("an infinite or undefined result comes back as R's Inf or NaN, with a warning", {
  expect_warning(expect_identical(bmi(70, 0), Inf), "height_m 0")
  expect_warning(expect_identical(bmi(-70, 0), -Inf), "height_m 0")
  expect_warning(expect_identical(bodyfat_navy("M", 30, 40, 180), NaN), "no answer")
})

# Each typed call is held against ask() of the requests that write its numbers: the same
# values to the bit, kinds, categories with their sources and notes, warnings word for word, and
# the same summary of them.
test_that("100,000 random rows of every formula give what their requests give", {
  set.seed(34)
  for (keyword in keywords) {
    rows <- random_rows(keyword, 1e5)
    call <- function(what) do.call(formula_function(keyword), c(rows$arguments, what = what))
    typed <- call("record")
    asked <- ask(rows$requests)
    label <- keyword
    expect_same_bits(typed$value, asked$value, label)
    expect_identical(typed$kind, asked$kind, label = label)
    expect_identical(typed$unit, asked$unit, label = label)
    expect_identical(as.character(typed$category), asked$category, label = label)
    expect_identical(typed$category_source, asked$category_source, label = label)
    expect_identical(typed$category_note, asked$category_note, label = label)
    expect_identical(typed$warnings, asked$warnings, label = label)
    # The draw reaches warnings and, where the formula has them, categories.
    warned <- which(lengths(asked$warnings) > 0)
    expect_gt(length(warned), 1000, label = label)
    if (nlevels(typed$category) > 0) expect_gt(sum(!is.na(typed$category)), 5000, label = label)

    run <- collect_warnings(call("value"))
    expect_same_bits(run$value, typed$value, label)
    expect_length(run$messages, 1)
    expect_match(run$messages, paste0("^", format(length(warned), big.mark = ","), " of 100,000 rows have warnings"),
                 label = label)
    third <- warned[3]
    expect_true(endsWith(run$messages, paste0("\n  row ", third, ": ", paste(asked$warnings[[third]], collapse = "; "))),
                label = label)
    expect_identical(suppressWarnings(call("category")), typed$category, label = label)
  }
})

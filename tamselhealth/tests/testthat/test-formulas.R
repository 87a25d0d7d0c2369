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

# A request written from %.17g reads back as the same double; the package's own shorter
# texts must give the same answers, arguments read as integers included.
test_that("requests carry R's numbers exactly", {
  set.seed(7)
  n <- 300
  weight <- c(runif(n, 2, 300), 1e-300, 5e-324, 1e300, -0, 0.1 + 0.2, 70.3)
  height <- c(runif(n, 0.3, 2.5), 1, 1, 1, 1, 1, 1.75)
  age <- c(runif(n, -10, 130), 1e5, 3e9, -3e9, 123456789, 30.9, 2^31)
  same <- function(ours, typed) {
    asked <- suppressWarnings(ask(typed))
    expect_identical(ours$kind, asked$kind)
    expect_identical(ours$text, asked$text)
    expect_identical(ours$value, asked$value)
  }
  g <- function(x) sprintf("%.17g", x)
  same(suppressWarnings(bmi(weight, height, what = "record")), paste("bmi", g(weight), g(height)))
  same(suppressWarnings(bsa(weight, height * 100, what = "record")), paste("bsa", g(weight), g(height * 100)))
  same(suppressWarnings(bmr_harris("F", weight, height * 100, age, what = "record")),
       paste("bmr_harris F", g(weight), g(height * 100), ifelse(abs(age) < 1e15, sprintf("%.0f", trunc(age)), g(age))))
  same(suppressWarnings(target_hr(age, height, what = "record")),
       paste("target_hr", sprintf("%.0f", trunc(age)), g(height)))
  # Written with an exponent, 1e5 would read as 1.
  expect_identical(suppressWarnings(max_hr(c(1e5, 1e6))), c(220 - 1e5, 220 - 1e6))
  expect_identical(suppressWarnings(pulse_pressure(1e6, 2e5)), 8e5)
})

test_that("the record of a formula is the record of its request", {
  record <- bmi(c(70, 80), c(1.75, 1.8), what = "record")
  expect_identical(record, ask(c("bmi 70 1.75", "bmi 80 1.8")))
  expect_identical(bodyfat_navy("M", 90, 40, 180, 100, what = "record")$request, "bodyfat_navy M 90 40 180")
  expect_identical(bodyfat_navy("F", 75, 33, 165, 100, what = "record")$request, "bodyfat_navy F 75 33 165 100")
})

# Calls of many rows remember the answers to repeated requests; they must be the answers.
test_that("many repeated rows get the same answers and warnings as one request at a time", {
  set.seed(11)
  n <- 5000
  weight <- sample(c(0, 45, 60.5, 70, 96.2, NA, 500), n, replace = TRUE)
  height <- sample(c(1.6, 1.75, 175, 1.82), n, replace = TRUE)
  record <- suppressWarnings(bmi(weight, height, what = "record"))
  warned <- sum(lengths(record$warnings) > 0)
  expect_gt(warned, 1000)
  run <- collect_warnings(bmi(weight, height))
  expect_identical(run$value, record$value)
  expect_match(run$messages, paste0("^", format(warned, big.mark = ","), " of 5,000 rows have warnings"))
  first <- which(lengths(record$warnings) > 0)[1:3]
  expect_match(run$messages, paste0("\n  row ", first[3], ": ", record$warnings[[first[3]]][1]), fixed = TRUE)
  expect_identical(suppressWarnings(bmi(weight, height, what = "category")), record$category)
  sex <- sample(c("M", "F", "x"), n, replace = TRUE)
  expect_identical(suppressWarnings(bodyfat_navy(sex, 90, 40, 180, 100)),
                   suppressWarnings(bodyfat_navy(sex, 90, 40, 180, 100, what = "record"))$value)
})

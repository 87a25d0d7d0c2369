# SPDX-License-Identifier: MIT
# BMI with its WHO class over 1,000,000 rows: the R package's bmi(what = "record") and
# bmi(what = "category") against what an R user would write instead, base R's
# cut(round(w / h^2, 2), breaks, right = FALSE), and the plain bmi() against round(w / h^2, 2),
# on the same columns in one process. 21 interleaved repetitions of each, a collection before
# every one so that none pays for another's garbage or answer; medians, and their ratios.
#   Rscript bench/r_bench.R [LIBRARY]   (the library the package is installed in; default R's own)
# A package from before the typed calls (text categories, no category_note) can be measured
# the same way, for the figures before and after.
arguments <- commandArgs(trailingOnly = TRUE)
library(tamselhealth, lib.loc = if (length(arguments) > 0) arguments[[1]] else NULL)
set.seed(1)
rows <- 1e6
# Weights to 0.1 kg and heights to 1 cm, as they are recorded.
weight <- round(runif(rows, 45, 120), 1)
height <- round(runif(rows, 1.5, 2.0), 2)
# WHO's classes, each from its lower bound on: [18.5, 25) is the normal range.
breaks <- c(-Inf, 16, 17, 18.5, 25, 30, 35, 40, Inf)
runs <- list(
  record = function() bmi(weight, height, what = "record"),
  category = function() bmi(weight, height, what = "category"),
  base = function() cut(round(weight / height^2, 2), breaks, right = FALSE),
  value = function() bmi(weight, height),
  round = function() round(weight / height^2, 2))
# Elapsed time, and the process's processor time, which other load on the machine changes less.
elapsed <- lapply(runs, function(run) numeric(0))
processor <- elapsed
answers <- list()
for (repetition in 1:21) {
  for (name in names(runs)) {
    # The last answer goes first, so that no run's collections have more to look through.
    answers[name] <- list(NULL)
    invisible(gc())
    time <- system.time(answers[[name]] <- runs[[name]]())
    elapsed[[name]] <- c(elapsed[[name]], time[["elapsed"]])
    processor[[name]] <- c(processor[[name]], time[["user.self"]] + time[["sys.self"]])
  }
}
report <- function(title, seconds) {
  medians <- vapply(seconds, median, numeric(1))
  cat(title, "\n")
  for (name in names(runs)) {
    cat(sprintf("  %-9s median %6.1f ms (%5.2f million rows a second)\n", name, 1000 * medians[[name]],
                rows / medians[[name]] / 1e6))
  }
  cat(sprintf("  cut(round()) / record: %.2f; cut(round()) / category: %.2f; round() / value: %.2f (above 1: the package is faster)\n",
              medians[["base"]] / medians[["record"]], medians[["base"]] / medians[["category"]],
              medians[["round"]] / medians[["value"]]))
}
report("elapsed, medians of 21 interleaved repetitions:", elapsed)
report("processor time, the same repetitions:", processor)
# The exactly rounded value is the double nearest the decimal that the quotient itself rounds
# to, which C's printf writes; R's round() rounds the shortest decimal that prints for the
# quotient instead, so the two part within a hair of a halfway point.
quotient <- weight / height^2
exact <- as.numeric(sprintf("%.2f", quotient))
stopifnot(identical(answers$record$value, exact), identical(answers$value, exact),
          identical(as.character(answers$record$category), as.character(answers$category)))
# The same classes as cut() where both have the value (a package from before gave text).
if (is.factor(answers$category)) {
  same_value <- round(quotient, 2) == exact
  stopifnot(identical(as.integer(answers$category)[same_value], as.integer(answers$base)[same_value]))
}
cat(sprintf("rows where base R's value differs from the exactly rounded one: %d of %s; the package's: %d\n",
            sum(round(quotient, 2) != exact), format(rows, big.mark = ",", scientific = FALSE),
            sum(answers$record$value != exact)))

# SPDX-License-Identifier: MIT
# bmi() of the R package over 1,000,000 rows against base R's round(w / h^2, 2) on the same
# columns, in one process: 21 interleaved repetitions of each, a collection before every one so
# that neither pays for the other's garbage; medians.
#   Rscript bench/r_bench.R [LIBRARY]   (the library the package is installed in; default R's own)
arguments <- commandArgs(trailingOnly = TRUE)
library(tamselhealth, lib.loc = if (length(arguments) > 0) arguments[[1]] else NULL)
set.seed(1)
rows <- 1e6
weight <- round(runif(rows, 45, 120), 1)
height <- round(runif(rows, 1.5, 2.0), 2)
package_seconds <- numeric(0)
base_seconds <- numeric(0)
for (repetition in 1:21) {
  invisible(gc())
  package_seconds <- c(package_seconds, system.time(values <- bmi(weight, height))[["elapsed"]])
  invisible(gc())
  base_seconds <- c(base_seconds, system.time(rounded <- round(weight / height^2, 2))[["elapsed"]])
}
# R's round() rounds a halfway case by its decimal value, the library by the exact binary value.
stopifnot(all(abs(values - rounded) <= 0.01 + 1e-9))
cat(sprintf("bmi(): %.2f million rows a second; base R: %.2f million (medians of 21, %s rows)\n",
            rows / median(package_seconds) / 1e6, rows / median(base_seconds) / 1e6, format(rows, big.mark = ",", scientific = FALSE)))

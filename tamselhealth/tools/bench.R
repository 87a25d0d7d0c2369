# SPDX-License-Identifier: MIT
# One run of bmi() over a million rows against base R's round(w / h^2, 2).
# Usage: Rscript tamselhealth/tools/bench.R [LIBRARY_DIRECTORY]
# Weights to 0.1 kg and heights to 1 cm, as they are recorded; then the same with every
# double at full precision, which takes the general shortest conversion for each argument.
arguments <- commandArgs(trailingOnly = TRUE)
library(tamselhealth, lib.loc = if (length(arguments) > 0) arguments[1] else NULL)

rows <- 1e6
set.seed(1)
recorded <- list(w = round(runif(rows, 40, 120), 1), h = round(runif(rows, 1.45, 2.0), 2))
full <- list(w = runif(rows, 40, 120), h = runif(rows, 1.45, 2.0))

measure <- function(label, data) {
  ours <- system.time(answer <- bmi(data$w, data$h))
  base <- system.time(expected <- round(data$w / data$h^2, 2))
  rate <- function(time) sprintf("%.2f", rows / time / 1e6)
  cat(sprintf("%-28s bmi(): %5.3f s elapsed, %5.3f s CPU = %s (%s) million rows/s\n", label, ours[["elapsed"]],
              ours[["user.self"]] + ours[["sys.self"]], rate(ours[["elapsed"]]),
              rate(ours[["user.self"]] + ours[["sys.self"]])))
  cat(sprintf("%-28s round(): %5.3f s elapsed = %s million rows/s\n", "", base[["elapsed"]],
              rate(base[["elapsed"]])))
  # The library rounds the binary value exactly, as printf does; R's round() rounds the
  # decimal that prints for it, so they part at values within a hair of a halfway point.
  cat(sprintf("%-28s rows where they differ: %d\n", "", sum(answer != expected)))
}
measure("0.1 kg and 1 cm", recorded)
measure("full precision", full)
cat("load average:", readLines("/proc/loadavg", warn = FALSE), "\n")

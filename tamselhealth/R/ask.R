# SPDX-License-Identifier: MIT

# Output codes shared with src/tamselhealth.cpp.
output_codes <- c(value = 0L, category = 1L, text = 2L, record = 3L)

calc_health <- function(requests) {
  call_ask(requests, "text", sys.call())
}

# The warnings are in the data frame, so ask() raises none.
ask <- function(requests) {
  call_ask(requests, "record", NULL)
}

call_ask <- function(requests, output, call) {
  if (is.factor(requests)) requests <- as.character(requests)
  if (is.logical(requests) && all(is.na(requests))) requests <- as.character(requests)
  if (!is.character(requests)) {
    stop("requests must be a character vector, such as \"bmi 70 1.75\"", call. = FALSE)
  }
  returned <- .Call(C_tamselhealth_ask, requests, output_codes[[output]])
  finish_call(returned, output, call)
}

# Builds the data frame of a record; otherwise raises the one summarising warning.
finish_call <- function(returned, output, call) {
  answer <- returned$answer
  if (output == "record") {
    return(structure(answer, class = "data.frame", row.names = .set_row_names(length(answer[[1]]))))
  }
  if (returned$warned_rows > 0) {
    warning(simpleWarning(warning_summary(returned, length(answer)), call))
  }
  answer
}

warning_summary <- function(returned, rows) {
  rows_text <- format(returned$warned_rows, big.mark = ",", scientific = FALSE)
  shown <- length(returned$first_warnings)
  paste0(
    rows_text, " of ", format(rows, big.mark = ",", scientific = FALSE),
    if (rows == 1) " row" else " rows", if (returned$warned_rows == 1) " has" else " have", " warnings",
    if (returned$warned_rows > shown) paste0("; the first ", shown, ":") else ":",
    paste0("\n  ", returned$first_warnings, collapse = "")
  )
}

# The shortest text that the library reads back as each number; positional (no exponent) for a
# whole-number argument, which the library reads as the digits before an exponent.
number_text <- function(x, positional = FALSE) {
  .Call(C_tamselhealth_number_text, as.double(x), positional)
}

# A formula's arguments as the table gives them: name, imperial_name, type, women_only.
formula_arguments <- function(keyword) {
  .Call(C_tamselhealth_arguments, keyword)
}

# Every warning of a call, so that a test can count them.
collect_warnings <- function(expression) {
  messages <- character(0)
  value <- withCallingHandlers(expression, warning = function(condition) {
    messages <<- c(messages, conditionMessage(condition))
    invokeRestart("muffleWarning")
  })
  list(value = value, messages = messages)
}

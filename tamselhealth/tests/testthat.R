library(testthat)
library(tamselhealth)

test_check("tamselhealth")

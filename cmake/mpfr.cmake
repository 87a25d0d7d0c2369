# SPDX-License-Identifier: MIT
# GNU MPFR, the oracle of the numerics tests and the tools that search for hard cases. A fresh
# machine has its runtime but not its headers (Debian's libmpfr-dev); then the rest builds
# without them. TAMSEL_REQUIRE_MPFR makes their absence an error, for CI.
include_guard(GLOBAL)
option(TAMSEL_REQUIRE_MPFR "Fail when GNU MPFR (libmpfr-dev) is missing" OFF)
if(NOT CMAKE_CROSSCOMPILING)
  find_path(TAMSEL_MPFR_INCLUDE_DIR mpfr.h)
  find_library(TAMSEL_MPFR_LIBRARY mpfr)
  find_library(TAMSEL_GMP_LIBRARY gmp)
  if(TAMSEL_MPFR_INCLUDE_DIR AND TAMSEL_MPFR_LIBRARY AND TAMSEL_GMP_LIBRARY)
    add_library(tamsel_mpfr INTERFACE)
    target_include_directories(tamsel_mpfr SYSTEM INTERFACE ${TAMSEL_MPFR_INCLUDE_DIR})
    target_link_libraries(tamsel_mpfr INTERFACE ${TAMSEL_MPFR_LIBRARY} ${TAMSEL_GMP_LIBRARY})
    message(STATUS "GNU MPFR found: the numerics oracle test is built")
  elseif(TAMSEL_REQUIRE_MPFR)
    message(FATAL_ERROR "GNU MPFR is required (TAMSEL_REQUIRE_MPFR): install libmpfr-dev")
  else()
    message(STATUS "GNU MPFR headers not found (libmpfr-dev): the numerics oracle test is not built")
  endif()
endif()

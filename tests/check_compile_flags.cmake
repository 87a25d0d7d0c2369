# SPDX-License-Identifier: MIT
# Every compile of the project's own sources carries the strict arithmetic flags, through the
# tamsel_strict_arithmetic target: exactness rests on them, not on numerics/strict_arithmetic.h's
# fallback, and a new target that computes without them fails here rather than on the one
# platform whose compiler would contract.
# Arguments: -DCOMMANDS=.../compile_commands.json -DSOURCE_DIR=... -DBINARY_DIR=...
cmake_minimum_required(VERSION 3.25)

set(required -ffp-contract=off -DTAMSEL_STRICT_ARITHMETIC_FLAGS)
file(READ ${COMMANDS} commands)
string(JSON count LENGTH "${commands}")
if(count EQUAL 0)
  message(FATAL_ERROR "${COMMANDS} lists no compile")
endif()
math(EXPR last "${count} - 1")
set(checked 0)
set(failures "")
foreach(index RANGE ${last})
  string(JSON file GET "${commands}" ${index} file)
  string(JSON command GET "${commands}" ${index} command)
  file(REAL_PATH "${file}" file)
  # The project's C and C++ sources, not the build's generated files or GoogleTest's.
  if(NOT file MATCHES "\\.(c|cpp)$" OR NOT file MATCHES "^${SOURCE_DIR}/" OR file MATCHES "^${BINARY_DIR}/")
    continue()
  endif()
  math(EXPR checked "${checked} + 1")
  foreach(flag IN LISTS required)
    string(FIND " ${command} " " ${flag} " at)
    if(at EQUAL -1)
      string(REPLACE "${SOURCE_DIR}/" "" name "${file}")
      list(APPEND failures "${name} is compiled without ${flag}")
    endif()
  endforeach()
endforeach()
if(failures)
  list(REMOVE_DUPLICATES failures)
  string(REPLACE ";" "\n" failures "${failures}")
  message(FATAL_ERROR "${failures}")
endif()
string(REPLACE ";" " " required "${required}")
message(STATUS "${checked} compiles of the project's sources, each with ${required}")

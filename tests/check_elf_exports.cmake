# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
# The shared library must export CalcHealth and nothing else of its own, and carry its SONAME.
execute_process(COMMAND ${NM} -D --defined-only ${LIBRARY}
  OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${symbols}")
set(exported "")
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^[0-9a-fA-F]* *[A-Za-z] +" "" name "${line}")
  list(APPEND exported "${name}")
endforeach()
if(NOT exported STREQUAL "CalcHealth")
  message(FATAL_ERROR "expected only CalcHealth to be exported, found: ${exported}")
endif()

# The library owns its logarithm and power, so that every platform answers alike: nothing of
# the platform's maths library may be called.
execute_process(COMMAND ${NM} -D --undefined-only ${LIBRARY} OUTPUT_VARIABLE undefined)
string(REGEX MATCHALL "[ \n](log|log10|log2|log1p|exp|exp2|exp10|expm1|pow|sqrt|cbrt)[fl]?(@[^\n]*)?\n" maths "${undefined}")
if(maths)
  message(FATAL_ERROR "the library calls the platform's maths library: ${maths}")
endif()

get_filename_component(file_name ${LIBRARY} NAME)
if(NOT SONAME STREQUAL "libTamselCalculatorHealth.so.1")
  message(FATAL_ERROR "unexpected SONAME ${SONAME} for ${file_name}")
endif()
message(STATUS "${file_name} exports only CalcHealth, calls no maths library function; SONAME ${SONAME}")

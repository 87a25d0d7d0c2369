# SPDX-License-Identifier: MIT
# The R package's copy-sources refuses a package that has drifted from the library: a version in
# DESCRIPTION other than the library's, or a Makevars that no longer compiles the library's
# sources. Each case runs the script on a copy of the package beside links to the sources.
# Arguments: -DSOURCE_DIR=... -DWORK_DIR=...
cmake_minimum_required(VERSION 3.25)

# name | what is changed in the copy | what copy-sources must say (empty: it must succeed)
set(cases
  "unchanged||"
  "description_version|DESCRIPTION:Version: 1.0.0.1=Version: 9.9.9|DESCRIPTION says version 9.9.9"
  "description_without_version|DESCRIPTION:Version: 1.0.0.1=|DESCRIPTION says version ,"
  "makevars_without_a_source|src/Makevars:frame/tokens.o: frame/tokens.cpp=|does not compile the library's sources")

file(READ ${SOURCE_DIR}/CMakeLists.txt top_list)
string(REGEX MATCH "\n  VERSION ([0-9.]+)\n" _ "${top_list}")
if(NOT CMAKE_MATCH_1 STREQUAL "1.0.0.1")
  # The cases name the version they replace; a new version needs them changed too.
  message(FATAL_ERROR "the cases expect version 1.0.0.1, CMakeLists.txt has ${CMAKE_MATCH_1}")
endif()

set(failures "")
foreach(case IN LISTS cases)
  string(REPLACE "|" ";" parts "${case}")
  list(GET parts 0 name)
  list(GET parts 1 change)
  list(GET parts 2 expected)

  set(root ${WORK_DIR}/${name})
  file(REMOVE_RECURSE ${root})
  file(MAKE_DIRECTORY ${root}/tamselhealth/src ${root}/tamselhealth/tools)
  file(COPY ${SOURCE_DIR}/CMakeLists.txt DESTINATION ${root})
  foreach(dir IN ITEMS catalog core frame formulas numerics review include)
    file(CREATE_LINK ${SOURCE_DIR}/${dir} ${root}/${dir} SYMBOLIC)
  endforeach()
  file(COPY ${SOURCE_DIR}/tamselhealth/DESCRIPTION DESTINATION ${root}/tamselhealth)
  file(COPY ${SOURCE_DIR}/tamselhealth/src/Makevars DESTINATION ${root}/tamselhealth/src)
  file(COPY ${SOURCE_DIR}/tamselhealth/tools/copy-sources DESTINATION ${root}/tamselhealth/tools)

  if(change)
    string(REGEX MATCH "^([^:]+):(.*)=(.*)$" _ "${change}")
    set(changed_file ${root}/tamselhealth/${CMAKE_MATCH_1})
    set(old "${CMAKE_MATCH_2}")
    set(new "${CMAKE_MATCH_3}")
    file(READ ${changed_file} text)
    string(FIND "${text}" "${old}" at)
    if(at EQUAL -1)
      message(FATAL_ERROR "${name}: ${CMAKE_MATCH_1} has no \"${old}\" to change")
    endif()
    string(REPLACE "${old}" "${new}" text "${text}")
    file(WRITE ${changed_file} "${text}")
  endif()

  execute_process(COMMAND sh ${root}/tamselhealth/tools/copy-sources
                  RESULT_VARIABLE status OUTPUT_VARIABLE output ERROR_VARIABLE errors)
  if(expected STREQUAL "")
    if(NOT status EQUAL 0)
      list(APPEND failures "${name}: failed (${status}):\n${errors}")
    endif()
  elseif(status EQUAL 0)
    list(APPEND failures "${name}: passed, though it must fail with \"${expected}\"")
  else()
    string(FIND "${errors}" "${expected}" at)
    if(at EQUAL -1)
      list(APPEND failures "${name}: failed without saying \"${expected}\":\n${errors}")
    endif()
  endif()
  message(STATUS "${name}: exit ${status}")
endforeach()

if(failures)
  string(REPLACE ";" "\n" failures "${failures}")
  message(FATAL_ERROR "${failures}")
endif()

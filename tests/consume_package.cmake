# SPDX-License-Identifier: MIT
cmake_minimum_required(VERSION 3.25)
# Builds the example C program against the library the way a user would, runs it, and checks
# that it prints the answer. MODE is find_package (the installed CMake package), pkg_config
# (the installed .pc file) or add_subdirectory (the sources, as part of another project).
# PREFIX is the installation, with the library in PREFIX/LIBDIR; without a PREFIX the library
# is installed in the system's own directories, and nothing tells the tools where it is.
set(work ${BINARY_DIR}/consumer-${MODE})
# The add_subdirectory consumer compiles the whole library again, so its build is kept from one
# run to the next: it is configured and built each time, and Ninja compiles only what changed.
if(NOT MODE STREQUAL "add_subdirectory")
  file(REMOVE_RECURSE ${work})
endif()
file(MAKE_DIRECTORY ${work})

function(run)
  execute_process(COMMAND ${ARGN} WORKING_DIRECTORY ${work} RESULT_VARIABLE result
                  OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "failed: ${ARGN}\n${output}")
  endif()
  set(output "${output}" PARENT_SCOPE)
endfunction()

if(NOT DEFINED LIBDIR)
  set(LIBDIR lib)
endif()
set(compilers -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER}
              "-DCMAKE_C_COMPILER_LAUNCHER=${C_LAUNCHER}" "-DCMAKE_CXX_COMPILER_LAUNCHER=${CXX_LAUNCHER}")
set(prefix_path "")
set(library_path "")
if(PREFIX)
  set(prefix_path -DCMAKE_PREFIX_PATH=${PREFIX})
  set(ENV{PKG_CONFIG_PATH} ${PREFIX}/${LIBDIR}/pkgconfig)
  set(library_path LD_LIBRARY_PATH=${PREFIX}/${LIBDIR})
endif()
if(MODE STREQUAL "find_package")
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/c -B ${work}/build -G ${GENERATOR} ${compilers}
      ${prefix_path})
  run(${CMAKE_COMMAND} --build ${work}/build)
  run(${work}/build/bmi_example)
elseif(MODE STREQUAL "pkg_config")
  run(pkg-config --cflags --libs TamselCalculatorHealth)
  separate_arguments(flags UNIX_COMMAND "${output}")
  run(${C_COMPILER} -std=c11 ${SOURCE_DIR}/examples/c/main.c ${flags} -o ${work}/bmi_example)
  run(${CMAKE_COMMAND} -E env ${library_path} ${work}/bmi_example)
elseif(MODE STREQUAL "add_subdirectory")
  run(${CMAKE_COMMAND} -S ${SOURCE_DIR}/examples/add_subdirectory -B ${work}/build -G ${GENERATOR}
      ${compilers} -DTAMSEL_SOURCE_DIR=${SOURCE_DIR})
  run(${CMAKE_COMMAND} --build ${work}/build --target bmi_example)
  run(${work}/build/bmi_example)
else()
  message(FATAL_ERROR "unknown MODE ${MODE}")
endif()
if(NOT output STREQUAL "BMI: 22.86\n")
  message(FATAL_ERROR "the ${MODE} consumer printed '${output}' instead of 'BMI: 22.86'")
endif()
message(STATUS "the ${MODE} consumer printed BMI: 22.86")

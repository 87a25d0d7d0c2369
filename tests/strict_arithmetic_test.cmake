# SPDX-License-Identifier: MIT
# The library's sources keep their exact arithmetic whoever compiles them: built with the flags
# packagers use (GCC's GNU dialect, which contracts a*b+c into one rounding; -O3; an FMA-capable
# -march), the digest of their answers equals that of the project's own flags, and with
# -ffast-math they refuse to compile.
# Arguments: -DCXX=... -DSOURCE_DIR=... -DWORK_DIR=... [-DCLANG=...]
file(GLOB frame_sources ${SOURCE_DIR}/frame/*.cpp)
list(FILTER frame_sources EXCLUDE REGEX "text_conversion_windows")
file(GLOB formula_sources ${SOURCE_DIR}/formulas/*.cpp)
file(GLOB numerics_sources ${SOURCE_DIR}/numerics/*.cpp)
set(sources ${frame_sources} ${formula_sources} ${numerics_sources} ${SOURCE_DIR}/tests/strict_arithmetic_driver.cpp)
set(includes -I${SOURCE_DIR} -I${SOURCE_DIR}/include)

# An FMA-capable target where this processor has FMA, so that contraction would really happen.
set(march "")
if(EXISTS /proc/cpuinfo)
  file(READ /proc/cpuinfo cpuinfo)
  if(cpuinfo MATCHES " fma " AND cpuinfo MATCHES " avx2 ")
    set(march -march=haswell)
  endif()
endif()

file(MAKE_DIRECTORY ${WORK_DIR})

function(digest_of compiler name out)
  set(program ${WORK_DIR}/${name})
  execute_process(COMMAND ${compiler} ${ARGN} ${includes} ${sources} -o ${program}
                  RESULT_VARIABLE built ERROR_VARIABLE errors)
  if(NOT built EQUAL 0)
    message(FATAL_ERROR "${name}: the build failed:\n${errors}")
  endif()
  execute_process(COMMAND ${program} RESULT_VARIABLE ran OUTPUT_VARIABLE digest OUTPUT_STRIP_TRAILING_WHITESPACE)
  if(NOT ran EQUAL 0)
    message(FATAL_ERROR "${name}: the program failed")
  endif()
  message(STATUS "${name}: ${digest}")
  set(${out} ${digest} PARENT_SCOPE)
endfunction()

digest_of(${CXX} reference reference -std=c++17 -O2 -ffp-contract=off)
set(builds "gnu_dialect|${CXX}|-std=gnu++17,-O2,${march}")
# An explicit -ffp-contract=fast overrides Clang's pragma (the one flag the sources cannot
# defend against); GCC's pragma holds against it.
execute_process(COMMAND ${CXX} --version OUTPUT_VARIABLE version)
# Clang, unlike GCC, says nothing of -funsafe-math-optimizations, so its sources cannot refuse
# it; they turn its reassociation off instead, and must then give the same answers.
set(refused -ffast-math -funsafe-math-optimizations -ffinite-math-only)
if(version MATCHES "clang")
  list(APPEND builds "clang_unsafe_math|${CXX}|-std=gnu++17,-O2,-funsafe-math-optimizations,${march}")
  set(refused -ffast-math -ffinite-math-only)
else()
  # GCC's fallback pragma holds under link-time optimisation, and so do the project's own
  # flags without it.
  list(APPEND builds "gnu_dialect_O3_fast_contraction|${CXX}|-std=gnu++17,-O3,-ffp-contract=fast,${march}"
                     "gnu_dialect_lto|${CXX}|-std=gnu++17,-O2,-flto,${march}"
                     "project_flags_lto|${CXX}|-std=gnu++17,-O2,-flto,-ffp-contract=off,-DTAMSEL_STRICT_ARITHMETIC_FLAGS,${march}")
endif()
if(CLANG)
  list(APPEND builds "clang_default|${CLANG}|-std=gnu++17,-O2,${march}"
                     "clang_unsafe_math|${CLANG}|-std=gnu++17,-O2,-funsafe-math-optimizations,${march}")
endif()
foreach(build IN LISTS builds)
  string(REPLACE "|" ";" parts "${build}")
  list(GET parts 0 name)
  list(GET parts 1 compiler)
  list(GET parts 2 flags)
  string(REPLACE "," ";" flags "${flags}")
  digest_of(${compiler} ${name} digest ${flags})
  if(NOT digest STREQUAL reference)
    message(FATAL_ERROR "${name}: the answers differ from the reference build (${digest}, not ${reference})")
  endif()
endforeach()

# The digest notices contraction: a build that says it has the flags but contracts (so that
# GCC's fallback is off) must differ, where the processor has FMA to contract with.
if(march AND NOT version MATCHES "clang")
  digest_of(${CXX} contracting digest -std=gnu++17 -O2 -ffp-contract=fast -DTAMSEL_STRICT_ARITHMETIC_FLAGS ${march})
  if(digest STREQUAL reference)
    message(FATAL_ERROR "contracting: the digest equals the reference's, so it cannot tell contraction")
  endif()
endif()

foreach(flag IN LISTS refused)
  execute_process(COMMAND ${CXX} -std=c++17 -O2 ${flag} ${includes} -c ${SOURCE_DIR}/numerics/log10.cpp
                          -o ${WORK_DIR}/refused.o
                  RESULT_VARIABLE built OUTPUT_QUIET ERROR_VARIABLE errors)
  if(built EQUAL 0 OR NOT errors MATCHES "needs IEEE arithmetic")
    message(FATAL_ERROR "${flag}: the sources compiled, or failed for another reason:\n${errors}")
  endif()
  message(STATUS "${flag}: refused, as it must be")
endforeach()

# SPDX-License-Identifier: MIT
# The library as a standalone WebAssembly module, TamselCalculatorHealth.wasm: no JavaScript
# glue and no imports, so that any WebAssembly host can instantiate it with nothing. It exports
# CalcHealth, CalcHealthInput (the fixed place for the command line), CalcHealthText (CalcHealth
# with the answer's length and parts), CalcHealthRecord (the review of an answer), the core's
# calls on numbers and its formula table (TamselCore.h) with TamselPlaces (the fixed places
# their arguments and outputs go through), its memory, which never grows (the library's, the
# review's and the core's buffers are all static), and the few functions of emscripten's runtime.
# The memory: the 64 KiB stack, then the static data, chiefly the chunk of columns (236 KiB), the
# review's record (8.3 KB) and the library's text buffers (under 12 KB): 357 KiB in all, so six
# 64 KiB pages.
set(TAMSEL_WASM_INITIAL_MEMORY 393216 CACHE STRING "Bytes of the module's memory, whole 64 KiB pages")
set(TAMSEL_WASM_STACK 65536 CACHE STRING "Bytes of the module's stack")

# No exception ever leaves the library, and none is thrown inside it. A module is linked whole,
# so position-independent code would only cost size and speed. Unrolled loops cost size and
# gain nothing measurable in the time of a call.
foreach(target IN ITEMS tamsel_core tamsel_evaluation tamsel_review)
  target_compile_options(${target} PRIVATE -fno-exceptions -fno-unroll-loops)
  set_target_properties(${target} PROPERTIES POSITION_INDEPENDENT_CODE OFF)
endforeach()
# The column call's steps on two rows at a time (SSE2 intrinsics) become WebAssembly's 128-bit
# SIMD, which browsers since 2021 and Node.js 16.4 run, and its loops are unrolled: BMI over a
# million rows in half the time (bench/wasm_columns_bench.mjs), for about 50 KB. Its copies of a
# chunk's rows are bulk-memory instructions rather than the C library's byte loops (1.1 times
# as fast again; engines have run them since 2019).
set_source_files_properties(core/columns.cpp TARGET_DIRECTORY tamsel_evaluation
  PROPERTIES COMPILE_OPTIONS "-msimd128;-msse2;-funroll-loops;-mbulk-memory")

# Warnings' sentences and the shortest text of a number are written only for the rare answer
# that warns: small matters more there than fast.
set_source_files_properties(core/warning_text.cpp core/shortest_number.cpp
  TARGET_DIRECTORY tamsel_evaluation PROPERTIES COMPILE_OPTIONS -Os)

# The core's calls that the package's typed functions and column function make, as they are.
set(TAMSEL_WASM_CORE_FUNCTIONS _tamsel_formula_info _tamsel_category_limit _tamsel_category_name
  _tamsel_category_source _tamsel_category_note _tamsel_kind_name _tamsel_evaluate _tamsel_evaluate_columns
  _tamsel_warning_text _tamsel_result_digits _tamsel_sex_code)
list(JOIN TAMSEL_WASM_CORE_FUNCTIONS "," TAMSEL_WASM_CORE_EXPORTS)
add_executable(TamselCalculatorHealthWasm js/wasm_entry.cpp)
target_link_libraries(TamselCalculatorHealthWasm PRIVATE tamsel_core tamsel_review tamsel_strict_arithmetic tamsel_warnings)
target_compile_options(TamselCalculatorHealthWasm PRIVATE -fno-exceptions)
set_target_properties(TamselCalculatorHealthWasm PROPERTIES OUTPUT_NAME TamselCalculatorHealth SUFFIX .wasm)
# -Oz would link a different C library (and its strtod); the build type's -O3 or -Os is kept.
target_link_options(TamselCalculatorHealthWasm PRIVATE
  -fno-exceptions
  --no-entry
  -sSTANDALONE_WASM=1
  "-sEXPORTED_FUNCTIONS=_CalcHealth,_CalcHealthInput,_CalcHealthRecord,_CalcHealthText,_TamselPlaces,_TamselColumnChunk,${TAMSEL_WASM_CORE_EXPORTS}"
  -sALLOW_MEMORY_GROWTH=0
  -sINITIAL_MEMORY=${TAMSEL_WASM_INITIAL_MEMORY}
  -sTOTAL_STACK=${TAMSEL_WASM_STACK}
  -sFILESYSTEM=0
  -sSUPPORT_ERRNO=0
  -sSUPPORT_LONGJMP=0
  # Binaryen inlines a function called once whatever its size, which would undo the column
  # call's one function a formula (core/columns.cpp): the engine then compiles a 70 KB function
  # for seconds and runs it at a fifth of the speed.
  -sBINARYEN_EXTRA_PASSES=--one-caller-inline-max-function-size=200)

# The npm package in js/ ships the module beside its wrapper; the copy is made by every build and
# never committed, so the package always carries the module of the sources it came from.
add_custom_command(TARGET TamselCalculatorHealthWasm POST_BUILD
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:TamselCalculatorHealthWasm>
          ${PROJECT_SOURCE_DIR}/js/TamselCalculatorHealth.wasm
  VERBATIM)

# The page links each formula to its section of the formula reference, as HTML beside it: the
# browser shows Markdown as raw text and follows no anchor in it. Written into web/ like the
# module into js/, and never committed. Debian's python3-markdown serves Debian's own Python,
# which need not be the python3 on the PATH.
find_program(TAMSEL_DEBIAN_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
find_program(TAMSEL_PATH_PYTHON python3 NO_CMAKE_FIND_ROOT_PATH)
set(TAMSEL_MARKDOWN_PYTHON "")
foreach(python IN ITEMS ${TAMSEL_DEBIAN_PYTHON} ${TAMSEL_PATH_PYTHON})
  execute_process(COMMAND ${python} -c "import markdown" RESULT_VARIABLE no_markdown OUTPUT_QUIET ERROR_QUIET)
  if(no_markdown EQUAL 0)
    set(TAMSEL_MARKDOWN_PYTHON ${python})
    break()
  endif()
endforeach()
if(NOT TAMSEL_MARKDOWN_PYTHON)
  message(FATAL_ERROR "The page's formula reference needs Python-Markdown (Debian: apt-get install "
                      "--no-install-recommends python3-markdown)")
endif()
set(reference_sources ${PROJECT_SOURCE_DIR}/docs/formulas.md ${PROJECT_SOURCE_DIR}/docs/command-language.md)
set(reference_pages ${PROJECT_SOURCE_DIR}/web/formulas.html ${PROJECT_SOURCE_DIR}/web/command-language.html)
add_custom_command(OUTPUT ${reference_pages}
  COMMAND ${TAMSEL_MARKDOWN_PYTHON} ${PROJECT_SOURCE_DIR}/tools/markdown_page.py ${PROJECT_SOURCE_DIR}/web
          ${reference_sources}
  DEPENDS ${reference_sources} ${PROJECT_SOURCE_DIR}/tools/markdown_page.py
  COMMENT "The formula reference as HTML pages in web/"
  VERBATIM)
add_custom_target(tamsel_web_reference ALL DEPENDS ${reference_pages})

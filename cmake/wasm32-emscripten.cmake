# SPDX-License-Identifier: MIT
# WebAssembly with Debian's emscripten package. The platform file of emscripten does the work;
# this file only settles what its own wrapper, emcmake, gets wrong with the machine's Node.js 20.

# Debian's emscripten finds acorn, which its JavaScript steps need, only through NODE_PATH.
set(TAMSEL_NODE_PATH "/usr/share/nodejs" CACHE PATH "Where Debian's Node.js modules (acorn) are")
set(ENV{NODE_PATH} "${TAMSEL_NODE_PATH}")

# emcmake names node with --experimental-wasm-threads, an option Node.js 20 refuses; the
# platform file keeps an emulator that is already set.
find_program(TAMSEL_NODE NAMES node nodejs REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR "${TAMSEL_NODE}" CACHE FILEPATH "Runs programs built for the target")

if(DEFINED ENV{EMSCRIPTEN})
  set(TAMSEL_EMSCRIPTEN_ROOT "$ENV{EMSCRIPTEN}")
else()
  set(TAMSEL_EMSCRIPTEN_ROOT "/usr/share/emscripten")
endif()
include("${TAMSEL_EMSCRIPTEN_ROOT}/cmake/Modules/Platform/Emscripten.cmake")

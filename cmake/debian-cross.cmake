# SPDX-License-Identifier: MIT
# What the Debian cross toolchain files share: compilers named by triplet, the target's files
# under /usr/<triplet>, and qemu-user reading its dynamic loader from there.
set(CMAKE_C_COMPILER ${TAMSEL_TARGET_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${TAMSEL_TARGET_TRIPLET}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${TAMSEL_TARGET_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(TAMSEL_QEMU_PROGRAM ${TAMSEL_QEMU})
if(TAMSEL_QEMU_PROGRAM)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${TAMSEL_QEMU_PROGRAM} -L /usr/${TAMSEL_TARGET_TRIPLET})
endif()

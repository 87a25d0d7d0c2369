# SPDX-License-Identifier: MIT
# Cross build for 32-bit ARM (hard float) with Debian's cross compiler; programs and tests run
# under qemu's user-mode emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)
set(TAMSEL_TARGET_TRIPLET arm-linux-gnueabihf)
set(TAMSEL_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

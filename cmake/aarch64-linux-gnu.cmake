# SPDX-License-Identifier: MIT
# Cross build for 64-bit ARM with Debian's cross compiler; programs and tests run under qemu's
# user-mode emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(TAMSEL_TARGET_TRIPLET aarch64-linux-gnu)
set(TAMSEL_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)

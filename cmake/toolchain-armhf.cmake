# Cross build for the terminal's 32-bit ARM (hard-float) target with
# Debian's crossbuild-essential-armhf; tests run under qemu-arm.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR arm)

set(CMAKE_C_COMPILER arm-linux-gnueabihf-gcc)
set(CMAKE_CXX_COMPILER arm-linux-gnueabihf-g++)

set(CMAKE_FIND_ROOT_PATH /usr/arm-linux-gnueabihf)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_CROSSCOMPILING_EMULATOR qemu-arm -L /usr/arm-linux-gnueabihf)

# No GoogleTest package for the target: build it from Debian's sources.
set(HAL_GTEST_FROM_SOURCE ON CACHE BOOL "" FORCE)

# GCC notes every std::vector iterator passed by value that an ancient ABI
# passed differently; nothing here links against code that old.
set(CMAKE_CXX_FLAGS_INIT "-Wno-psabi")

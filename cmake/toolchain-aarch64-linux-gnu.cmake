# Linux arm64 (a Raspberry Pi 4 or 5, an ARM laptop) from an x86_64 Debian with its cross compiler
# (g++-aarch64-linux-gnu). Its C library and libstdc++ ship static archives, so the plugin links
# fully static here as on x86_64 and starts on any arm64 distribution and in OpenDeck's Flatpak.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Libraries and packages for the target only; programs from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Test programs run under user-mode QEMU (qemu-user-static); -L finds the target's loader and
# libraries for anything not linked static.
set(CMAKE_CROSSCOMPILING_EMULATOR "qemu-aarch64-static;-L;/usr/aarch64-linux-gnu")

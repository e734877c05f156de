# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the Windows module on a Linux machine with MinGW-w64.
#
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
#         -DVOSK_NATIVE_BUILD=$PWD/build     (a native build, for the generators)
#
# The posix thread model is named explicitly: the plain compiler names may point
# at the win32 model, whose C++ runtime lacks std::thread on older releases.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_mingw}-windres)

# Target executables (tests, test discovery) run under Wine, through a wrapper
# that gives a start Wine failed outright a second chance.
find_program(VOSK_WINE NAMES wine wine64)
if(VOSK_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-exec")
endif()

# Libraries and headers come from the cross compiler's own root only: no Linux
# library may ever be found for the target. Programs are the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# pkg-config would answer with the build machine's packages.
set(ENV{PKG_CONFIG_LIBDIR} "")
set(ENV{PKG_CONFIG_PATH} "")

# Windows x64 keeps the stack aligned to 16 bytes only: every aligned vector move
# is assembled as an unaligned one, so that no spill of an AVX or AVX-512
# register can fault, whatever alignment the compiler assumed for it.
set(CMAKE_C_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")
set(CMAKE_CXX_FLAGS_INIT "-Wa,-muse-unaligned-vector-move")

# Everything in the module, the C++ runtime and winpthreads included: a host's
# LoadLibrary must not need any DLL beside the system's.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")

# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# The Linux build's system libraries, found once for every folder: X11::X11 and
# PkgConfig::<NAME> for cairo, cairo-xlib, fontconfig, pugixml, stb, sndfile, libebur128
# and nlopt.
# The Windows build takes its drawing, XML and windowing from the system's DLLs.
if(WIN32)
  return()
endif()
set(CMAKE_FIND_PACKAGE_TARGETS_GLOBAL ON)
find_package(X11 REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(CAIRO REQUIRED IMPORTED_TARGET GLOBAL cairo)
pkg_check_modules(CAIRO_XLIB REQUIRED IMPORTED_TARGET GLOBAL cairo-xlib)
pkg_check_modules(FONTCONFIG REQUIRED IMPORTED_TARGET GLOBAL fontconfig)
pkg_check_modules(PUGIXML REQUIRED IMPORTED_TARGET GLOBAL pugixml)
pkg_check_modules(STB REQUIRED IMPORTED_TARGET GLOBAL stb)
pkg_check_modules(SNDFILE REQUIRED IMPORTED_TARGET GLOBAL sndfile)
# The command's loudness meter and the match EQ's optimiser.
pkg_check_modules(EBUR128 REQUIRED IMPORTED_TARGET GLOBAL libebur128)
pkg_check_modules(NLOPT REQUIRED IMPORTED_TARGET GLOBAL nlopt)

# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# Warnings for the project's own targets: vosk_warnings(<target>...)
function(vosk_warnings)
  foreach(t ${ARGN})
    target_compile_options(${t} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wformat=2 -Wcast-align)
  endforeach()
endfunction()

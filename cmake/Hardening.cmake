# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# What Debian's build flags give a shipped ELF binary: a read-only GOT resolved
# at load time, and checked string and memory functions. vosk_hardening(<target>...)
function(vosk_hardening)
  if(WIN32 OR VOSK_SANITIZE OR VOSK_TSAN)
    return()
  endif()
  foreach(t ${ARGN})
    target_link_options(${t} PRIVATE "LINKER:-z,relro" "LINKER:-z,now")
    target_compile_definitions(${t} PRIVATE _FORTIFY_SOURCE=2)
  endforeach()
endfunction()

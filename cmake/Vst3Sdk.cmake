# Copyright (C) 2026 Tarnwell
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the VST 3 SDK base, interfaces and helpers as static libraries.
#
# VST3_SDK_ROOT points at an SDK tree; by default the subset that Debian ships.
# Whatever that tree lacks of what we use (AudioEffect, CPluginFactory, the
# host-side module loader and parameter-change classes) comes from our own
# completion in sdk-completion/, which mirrors the SDK's paths and names.

set(VST3_SDK_ROOT "/usr/share/juce/modules/juce_audio_processors/format_types/VST3_SDK"
    CACHE PATH "VST 3 SDK root (the folder holding base/, pluginterfaces/ and public.sdk/)")

if(NOT EXISTS "${VST3_SDK_ROOT}/pluginterfaces/base/funknown.h")
  message(FATAL_ERROR "No VST 3 SDK at VST3_SDK_ROOT=${VST3_SDK_ROOT}")
endif()

set(_sdk "${VST3_SDK_ROOT}")
set(_completion "${PROJECT_SOURCE_DIR}/sdk-completion")

set(VST3_SDK_SOURCES
  base/source/baseiids.cpp
  base/source/fbuffer.cpp
  base/source/fdebug.cpp
  base/source/fobject.cpp
  base/source/fstreamer.cpp
  base/source/fstring.cpp
  base/source/updatehandler.cpp
  base/thread/source/flock.cpp
  pluginterfaces/base/conststringtable.cpp
  pluginterfaces/base/coreiids.cpp
  pluginterfaces/base/funknown.cpp
  pluginterfaces/base/ustring.cpp
  public.sdk/source/common/commoniids.cpp
  public.sdk/source/common/memorystream.cpp
  public.sdk/source/common/pluginview.cpp
  public.sdk/source/vst/vstbus.cpp
  public.sdk/source/vst/vstcomponent.cpp
  public.sdk/source/vst/vstcomponentbase.cpp
  public.sdk/source/vst/vsteditcontroller.cpp
  public.sdk/source/vst/vstinitiids.cpp
  public.sdk/source/vst/vstparameters.cpp
  public.sdk/source/vst/vstpresetfile.cpp
)
# Plug-in side pieces missing from a subset SDK.
set(VST3_PLUGIN_COMPLETION
  public.sdk/source/vst/vstaudioeffect.cpp
  public.sdk/source/main/pluginfactory.cpp
)
set(VST3_HOSTING_SOURCES
  public.sdk/source/vst/hosting/hostclasses.cpp
  public.sdk/source/vst/hosting/pluginterfacesupport.cpp
)
# Host side pieces missing from a subset SDK.
set(VST3_HOSTING_COMPLETION
  public.sdk/source/vst/hosting/parameterchanges.cpp
  public.sdk/source/vst/hosting/processdata.cpp
  public.sdk/source/vst/hosting/module.cpp
)
# The module loader's platform part.
if(WIN32)
  list(APPEND VST3_HOSTING_COMPLETION public.sdk/source/vst/hosting/module_win32.cpp)
elseif(CMAKE_SYSTEM_NAME STREQUAL "Linux")
  list(APPEND VST3_HOSTING_COMPLETION public.sdk/source/vst/hosting/module_linux.cpp)
endif()

# Takes each file from the SDK when it has it, else from our completion.
function(_vst3_pick out)
  set(files)
  set(used_completion OFF)
  foreach(f ${ARGN})
    if(EXISTS "${_sdk}/${f}")
      list(APPEND files "${_sdk}/${f}")
    elseif(EXISTS "${_completion}/${f}")
      list(APPEND files "${_completion}/${f}")
      set(used_completion ON)
    endif()
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
  set(${out}_COMPLETED ${used_completion} PARENT_SCOPE)
endfunction()

_vst3_pick(_base ${VST3_SDK_SOURCES} ${VST3_PLUGIN_COMPLETION})
add_library(vst3sdk STATIC ${_base})
# The SDK's headers come first; the completion only fills the gaps.
target_include_directories(vst3sdk SYSTEM PUBLIC "${_sdk}" "${_completion}")
target_compile_definitions(vst3sdk PUBLIC $<IF:$<CONFIG:Debug>,DEVELOPMENT=1,RELEASE=1>)
# Third-party code: keep its warnings out of ours.
target_compile_options(vst3sdk PRIVATE -w)

_vst3_pick(_hosting ${VST3_HOSTING_SOURCES} ${VST3_HOSTING_COMPLETION})
add_library(vst3sdk_hosting STATIC ${_hosting})
target_link_libraries(vst3sdk_hosting PUBLIC vst3sdk ${CMAKE_DL_LIBS})
target_compile_options(vst3sdk_hosting PRIVATE -w)

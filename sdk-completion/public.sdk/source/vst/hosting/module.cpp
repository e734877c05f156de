// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Platform-neutral part of the module loader; see module_linux.cpp and
// module_win32.cpp for opening the library.
#include "public.sdk/source/vst/hosting/module.h"

namespace VST3 {
namespace Hosting {

//------------------------------------------------------------------------
Module::~Module () noexcept = default;

//------------------------------------------------------------------------
} // namespace Hosting
} // namespace VST3

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Marks the few functions the module exports; everything else stays hidden.
#pragma once

#if defined(_WIN32)
#define VOSK_EXPORT extern "C" __declspec(dllexport)
#else
#define VOSK_EXPORT extern "C" __attribute__((visibility("default")))
#endif

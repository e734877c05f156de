// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Number texts for parameter display and entry, independent of the process locale:
// hosts run plug-ins under any LC_NUMERIC, yet the texts always use a decimal point.
#pragma once

#include "pluginterfaces/vst/vsttypes.h"

namespace vosk {

// Writes value like printf("%.<decimals>f") in the "C" locale. A text longer than the
// string holds is cut to fit.
void writeFixed(double value, int decimals, Steinberg::Vst::String128 text);

// Copies an ASCII text into a UTF-16 string, cut to fit.
void writeAscii(const char* ascii, Steinberg::Vst::String128 text);

// Reads the first number of a typed text, the way "%lf" reads one from the first
// position where a number starts; characters before it that start none and everything
// after it are ignored. The first comma counts as a decimal point. A number that is
// not finite ("nan", "inf", overflow) is no number here. Returns false, leaving value
// untouched, when there is none.
bool readNumber(const Steinberg::Vst::TChar* text, double& value);

} // namespace vosk

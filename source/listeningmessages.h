// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The messages by which the editor's listening tools reach the processor. None
// of what they carry is a parameter: a host never sees, automates or saves it.
#pragma once

namespace vosk {

// Controller to processor: what to play instead of the processed mix, whole, as
// four integers: "SoloBand" 0 (none) or 1..4, "SoloChannel" 0 (left or mid) or 1
// (right or side), "Delta" and "Compare" 0 or 1. A message that lacks one, or
// holds another value, changes nothing.
inline constexpr const char* kListeningMessage = "Listening";
inline constexpr const char* kSoloBandAttribute = "SoloBand";
inline constexpr const char* kSoloChannelAttribute = "SoloChannel";
inline constexpr const char* kDeltaAttribute = "Delta";
inline constexpr const char* kCompareAttribute = "Compare";

// Controller to processor: whether anything shows the loudness difference or may
// compare ("On": 1 or 0); the processor measures the two loudnesses only then,
// afresh from each start.
inline constexpr const char* kLoudnessWantedMessage = "LoudnessWanted";
inline constexpr const char* kLoudnessWantedAttribute = "On";

// Controller to processor, on the panel's ticks: the processor answers with the
// processed signal's loudness less the input's over the last 10 seconds
// ("Difference", a float in LU), which it leaves out while it has none.
inline constexpr const char* kLoudnessRequestMessage = "LoudnessRequest";
inline constexpr const char* kLoudnessMessage = "Loudness";
inline constexpr const char* kLoudnessDifferenceAttribute = "Difference";

} // namespace vosk

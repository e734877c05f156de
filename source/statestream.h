// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Reading a processor state from a host's stream: one reader for the processor
// and the controller alike.
#pragma once

#include "statecodec.h"

#include "pluginterfaces/base/ibstream.h"

namespace vosk {

// Reads one state however the stream splits it into reads, and never past its end.
// Returns false, leaving `state` untouched, for a state that is incomplete or that
// decodeState refuses, and for a stream that reports more bytes read than asked
// for, or a negative count.
bool readState(Steinberg::IBStream& stream, ProcessorState& state);

} // namespace vosk

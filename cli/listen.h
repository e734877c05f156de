// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk render --listen: what the engineer hears with one of the editor's
// listening tools on, asked of the plug-in as its editor asks it.
#pragma once

#include "source/dsp/listening.h"

#include <sndfile.h>

#include <cstdint>
#include <string>

namespace vosk {

class HostedPlugin;

// "solo:3L" (band 3 of the left or mid channel; R for right or side), "delta"
// or "compare". False, with the reason, for anything else.
bool parseListen(const std::string& text, ListeningRequest& request, std::string& error);
std::string describeListen(const ListeningRequest& request);

// Switches the tool on in a plug-in started for real-time processing (offline
// processing plays the settings). A comparison plays the input at the loudness
// the plug-in measured while it played the processed file: the whole of `in`
// is played through it first, and `in` is then read again from its start.
bool startListening(HostedPlugin& plugin, const ListeningRequest& request, SNDFILE* in, int channels,
                    int32_t block, std::string& error);

} // namespace vosk

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// One pass over an audio file: its levels and, where asked, its long-term
// spectrum per channel or as mid and side.
#pragma once

#include "levels.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vosk {

enum class SpectrumOf { None, Channels, MidSide };

struct FileMeasurement
{
    std::string path;
    LevelReport levels;
    std::vector<std::vector<double>> power; // per channel (or mid, side): mean power per bin
    int32_t transformSize = 0;
    std::unique_ptr<LevelMeter> meter; // kept for an album's figures
};

// False with a message that names the file. A progress bar shows on a terminal
// when `progress` is set and the file is long; `framesDone`, where given, is
// called with the frames measured so far.
bool measureFile(const std::string& path, SpectrumOf spectrum, bool progress, FileMeasurement& out,
                 std::string& error, const std::function<void(long long)>& framesDone = {});

} // namespace vosk

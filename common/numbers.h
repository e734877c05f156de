// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Constants that several layers compute with.
#pragma once

namespace vosk {

constexpr double kPi = 3.14159265358979323846;

} // namespace vosk

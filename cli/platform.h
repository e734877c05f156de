// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The little the command needs from the operating system.
#pragma once

#include <string>

namespace vosk {

// Folder of the running executable, without a trailing separator.
std::string executableDirectory();
bool stderrIsTerminal();

} // namespace vosk

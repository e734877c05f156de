// The little the command needs from the operating system.
#pragma once

#include <string>

namespace vosk {

// Folder of the running executable, without a trailing separator.
std::string executableDirectory();
bool stderrIsTerminal();

} // namespace vosk

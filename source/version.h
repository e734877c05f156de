// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Names and versions the module reports to hosts.
#pragma once

namespace vosk {

constexpr const char* kVendorName = "Tarnwell";
constexpr const char* kVendorUrl = "https://www.tarnwell.example";
constexpr const char* kVendorEmail = "mailto:support@tarnwell.example";

constexpr const char* kProcessorName = "Tarnwell Mastering Velmor";
constexpr const char* kControllerName = "Tarnwell Mastering VelmorController";
constexpr const char* kSubCategories = "Fx|EQ";
// The project's version, handed in by the build (CMakeLists.txt, `project`).
constexpr const char* kVersion = VOSK_VERSION;
// Who holds the copyright, and the licence the project is released under.
constexpr const char* kCopyright = "Copyright (C) 2026 Tarnwell";
constexpr const char* kLicense = "GNU General Public License, version 3 or later (GPL-3.0-or-later)";
// The interface generation the classes were written against (hosts compare it).
constexpr const char* kSdkVersion = "VST 3.5.2";

} // namespace vosk

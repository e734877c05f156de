// Names and versions the module reports to hosts.
#pragma once

namespace vosk {

constexpr const char* kVendorName = "Tarnwell";
constexpr const char* kVendorUrl = "https://www.tarnwell.example";
constexpr const char* kVendorEmail = "mailto:support@tarnwell.example";

constexpr const char* kProcessorName = "Tarnwell Mastering Velmor";
constexpr const char* kControllerName = "Tarnwell Mastering VelmorController";
constexpr const char* kSubCategories = "Fx | EQ";
// The project's version, handed in by the build (CMakeLists.txt, `project`).
constexpr const char* kVersion = VOSK_VERSION;
// The interface generation the classes were written against (hosts compare it).
constexpr const char* kSdkVersion = "VST 3.5.2";

} // namespace vosk

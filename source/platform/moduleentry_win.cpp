// Windows module entry: the process attach records the instance handle (the
// editor loads its resources through it) and the module folder.
#if defined(_WIN32)
#include "platform/module.h"

#include <windows.h>

namespace {
std::string toUtf8(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string out(static_cast<size_t>(size - 1), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, &out[0], size, nullptr, nullptr);
    return out;
}
} // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/)
{
    if (reason == DLL_PROCESS_ATTACH) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(instance, path, MAX_PATH);
        path[MAX_PATH - 1] = L'\0'; // a truncated name is not terminated on older systems
        vosk::platform::setModule(instance, vosk::platform::folderOf(toUtf8(path), '\\'));
    }
    return TRUE;
}
#endif

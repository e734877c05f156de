// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Module loading on Windows: LoadLibrary of Contents/<arch>-win/<Name>.vst3
// inside the bundle (or the library file itself), InitDll after loading,
// ExitDll before unloading.
#if defined(_WIN32)

#include "public.sdk/source/vst/hosting/module.h"

#include <windows.h>

namespace VST3 {
namespace Hosting {
namespace {

using InitDllFunc = bool (PLUGIN_API*) ();
using ExitDllFunc = bool (PLUGIN_API*) ();
using GetFactoryFunc = Steinberg::IPluginFactory* (PLUGIN_API*) ();

constexpr const wchar_t* kArchitecture =
#if defined(_M_ARM64)
    L"arm64-win";
#elif defined(_WIN64)
    L"x86_64-win";
#else
    L"x86-win";
#endif

//------------------------------------------------------------------------
std::wstring widen (const std::string& text)
{
	int n = MultiByteToWideChar (CP_UTF8, 0, text.c_str (), -1, nullptr, 0);
	std::wstring out (n > 0 ? n - 1 : 0, L'\0');
	if (n > 1)
		MultiByteToWideChar (CP_UTF8, 0, text.c_str (), -1, out.data (), n);
	return out;
}

//------------------------------------------------------------------------
std::wstring stripSeparators (std::wstring path)
{
	while (path.size () > 1 && (path.back () == L'\\' || path.back () == L'/'))
		path.pop_back ();
	return path;
}

//------------------------------------------------------------------------
// "dir\Name.vst3" -> "Name.vst3" (the library inside a bundle keeps the suffix)
std::wstring lastComponent (const std::wstring& path)
{
	auto slash = path.find_last_of (L"\\/");
	return slash == std::wstring::npos ? path : path.substr (slash + 1);
}

//------------------------------------------------------------------------
std::string baseName (const std::string& path)
{
	std::string p = path;
	while (p.size () > 1 && (p.back () == '\\' || p.back () == '/'))
		p.pop_back ();
	auto slash = p.find_last_of ("\\/");
	std::string last = slash == std::string::npos ? p : p.substr (slash + 1);
	auto dot = last.rfind ('.');
	return dot == std::string::npos || dot == 0 ? last : last.substr (0, dot);
}

//------------------------------------------------------------------------
class Win32Module : public Module
{
public:
	~Win32Module () noexcept override
	{
		factory = PluginFactory (nullptr);
		if (library)
		{
			if (entered)
			{
				if (auto exitDll = reinterpret_cast<ExitDllFunc> (GetProcAddress (library, "ExitDll")))
					exitDll ();
			}
			FreeLibrary (library);
		}
	}

	bool load (const std::string& modulePath, std::string& errorDescription) override
	{
		std::wstring libraryPath = stripSeparators (widen (modulePath));
		DWORD attributes = GetFileAttributesW (libraryPath.c_str ());
		if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
		{
			hasBundleStructure = true;
			libraryPath = libraryPath + L"\\Contents\\" + kArchitecture + L"\\" + lastComponent (libraryPath);
		}

		library = LoadLibraryW (libraryPath.c_str ());
		if (!library)
		{
			errorDescription = "cannot load " + modulePath + " (error " + std::to_string (GetLastError ()) + ")";
			return false;
		}
		auto getFactory = reinterpret_cast<GetFactoryFunc> (GetProcAddress (library, "GetPluginFactory"));
		if (!getFactory)
		{
			errorDescription = "the module exports no GetPluginFactory function";
			return false;
		}
		// InitDll is optional on Windows.
		if (auto initDll = reinterpret_cast<InitDllFunc> (GetProcAddress (library, "InitDll")))
		{
			if (!initDll ())
			{
				errorDescription = "the module's InitDll failed";
				return false;
			}
		}
		entered = true;

		Steinberg::IPluginFactory* raw = getFactory ();
		if (!raw)
		{
			errorDescription = "the module's GetPluginFactory returned no factory";
			return false;
		}
		factory = PluginFactory (Steinberg::owned (raw));
		name = baseName (modulePath);
		path = modulePath;
		return true;
	}

private:
	HMODULE library = nullptr;
	bool entered = false;
};

} // namespace

//------------------------------------------------------------------------
Module::Ptr Module::create (const std::string& path, std::string& errorDescription)
{
	auto module = std::make_shared<Win32Module> ();
	if (!module->load (path, errorDescription))
		return nullptr;
	return module;
}

//------------------------------------------------------------------------
} // namespace Hosting
} // namespace VST3

#endif // _WIN32

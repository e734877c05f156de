// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Module loading on Linux: dlopen of Contents/<arch>-linux/<Name>.so inside
// the bundle, ModuleEntry (handle) after loading, ModuleExit before unloading.
#if defined(__linux__)

#include "public.sdk/source/vst/hosting/module.h"

#include <dlfcn.h>
#include <sys/stat.h>

namespace VST3 {
namespace Hosting {
namespace {

using ModuleEntryFunc = bool (*) (void*);
using ModuleExitFunc = bool (*) ();
using GetFactoryFunc = Steinberg::IPluginFactory* (PLUGIN_API*) ();

constexpr const char* kArchitecture =
#if defined(__x86_64__)
    "x86_64-linux";
#elif defined(__aarch64__)
    "aarch64-linux";
#elif defined(__i386__)
    "i386-linux";
#else
    "unknown-linux";
#endif

//------------------------------------------------------------------------
bool exists (const std::string& path)
{
	struct stat st {};
	return stat (path.c_str (), &st) == 0;
}

//------------------------------------------------------------------------
bool isDirectory (const std::string& path)
{
	struct stat st {};
	return stat (path.c_str (), &st) == 0 && S_ISDIR (st.st_mode);
}

//------------------------------------------------------------------------
// "dir/Name.vst3/" -> "Name"
std::string bundleName (std::string path)
{
	while (path.size () > 1 && path.back () == '/')
		path.pop_back ();
	auto slash = path.find_last_of ('/');
	std::string last = slash == std::string::npos ? path : path.substr (slash + 1);
	auto dot = last.rfind ('.');
	return dot == std::string::npos || dot == 0 ? last : last.substr (0, dot);
}

//------------------------------------------------------------------------
std::string dlError (const char* fallback)
{
	const char* text = dlerror ();
	return text ? text : fallback;
}

//------------------------------------------------------------------------
class LinuxModule : public Module
{
public:
	~LinuxModule () noexcept override
	{
		// The factory reference must go before the module's exit code runs.
		factory = PluginFactory (nullptr);
		if (library)
		{
			if (entered)
			{
				if (auto moduleExit = reinterpret_cast<ModuleExitFunc> (dlsym (library, "ModuleExit")))
					moduleExit ();
			}
			dlclose (library);
		}
	}

	bool load (const std::string& modulePath, std::string& errorDescription) override
	{
		std::string libraryPath = modulePath;
		// A bare library name is left to the dynamic loader's search.
		if (modulePath.find ('/') != std::string::npos && !exists (modulePath))
		{
			errorDescription = "no such file or folder: " + modulePath;
			return false;
		}
		if (isDirectory (modulePath))
		{
			hasBundleStructure = true;
			std::string root = modulePath;
			while (root.size () > 1 && root.back () == '/')
				root.pop_back ();
			libraryPath = root + "/Contents/" + kArchitecture + "/" + bundleName (root) + ".so";
		}

		dlerror ();
		library = dlopen (libraryPath.c_str (), RTLD_LAZY | RTLD_LOCAL);
		if (!library)
		{
			errorDescription = dlError ("dlopen failed");
			if (errorDescription.find (libraryPath) == std::string::npos)
				errorDescription = libraryPath + ": " + errorDescription;
			return false;
		}

		auto moduleEntry = reinterpret_cast<ModuleEntryFunc> (dlsym (library, "ModuleEntry"));
		if (!moduleEntry)
		{
			errorDescription = "the module exports no ModuleEntry function";
			return false;
		}
		auto getFactory = reinterpret_cast<GetFactoryFunc> (dlsym (library, "GetPluginFactory"));
		if (!getFactory)
		{
			errorDescription = "the module exports no GetPluginFactory function";
			return false;
		}
		if (!moduleEntry (library))
		{
			errorDescription = "the module's ModuleEntry failed";
			return false;
		}
		entered = true;

		// GetPluginFactory hands out a reference of its own.
		Steinberg::IPluginFactory* raw = getFactory ();
		if (!raw)
		{
			errorDescription = "the module's GetPluginFactory returned no factory";
			return false;
		}
		factory = PluginFactory (Steinberg::owned (raw));
		name = bundleName (modulePath);
		path = modulePath;
		return true;
	}

private:
	void* library = nullptr;
	bool entered = false;
};

} // namespace

//------------------------------------------------------------------------
Module::Ptr Module::create (const std::string& path, std::string& errorDescription)
{
	auto module = std::make_shared<LinuxModule> ();
	if (!module->load (path, errorDescription))
		return nullptr;
	return module;
}

//------------------------------------------------------------------------
} // namespace Hosting
} // namespace VST3

#endif // __linux__

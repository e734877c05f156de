// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Host side module loading: opens a VST 3 module (a bundle folder or the
// library itself), runs its entry function and hands out its class factory.
// The platform part lives in module_linux.cpp and module_win32.cpp.
#pragma once

#include "pluginterfaces/base/ipluginbase.h"
#include "pluginterfaces/base/smartpointer.h"

#include <memory>
#include <string>

namespace VST3 {
namespace Hosting {

//------------------------------------------------------------------------
// Holds one reference to a module's class factory.
class PluginFactory
{
public:
	using FactoryPtr = Steinberg::IPtr<Steinberg::IPluginFactory>;

	explicit PluginFactory (const FactoryPtr& factory) noexcept : factory (factory) {}

	// The factory, or null for an empty holder.
	const FactoryPtr& get () const noexcept { return factory; }
	explicit operator bool () const noexcept { return factory != nullptr; }

	// Creates an instance of class `classID` and asks it for interface T.
	template <typename T>
	Steinberg::IPtr<T> createInstance (const Steinberg::TUID classID) const noexcept
	{
		T* obj = nullptr;
		if (factory && factory->createInstance (classID, T::iid, reinterpret_cast<void**> (&obj)) ==
		                   Steinberg::kResultTrue)
			return Steinberg::owned (obj);
		return nullptr;
	}

private:
	FactoryPtr factory;
};

//------------------------------------------------------------------------
// A loaded module. Destroying the last reference releases the factory, calls
// the module's exit function and unloads the library, in this order: every
// object created from the factory must be released before that.
class Module
{
public:
	using Ptr = std::shared_ptr<Module>;

	// Loads the module at `path`: a bundle folder "Name.vst3" or the library
	// itself. On failure returns null and fills errorDescription.
	static Ptr create (const std::string& path, std::string& errorDescription);

	virtual ~Module () noexcept;

	const std::string& getName () const noexcept { return name; }
	const std::string& getPath () const noexcept { return path; }
	const PluginFactory& getFactory () const noexcept { return factory; }
	bool isBundle () const noexcept { return hasBundleStructure; }

protected:
	Module () = default;
	Module (const Module&) = delete;
	Module& operator= (const Module&) = delete;

	virtual bool load (const std::string& path, std::string& errorDescription) = 0;

	PluginFactory factory {nullptr};
	std::string name;
	std::string path;
	bool hasBundleStructure = false;
};

//------------------------------------------------------------------------
} // namespace Hosting
} // namespace VST3

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Interface lookup and reference counting for our own COM classes that offer one
// interface. Only for code that has the VST 3 interfaces; objects of the
// user-interface thread.
#pragma once

#include "pluginterfaces/base/funknown.h"

namespace vosk {

// Answers the interface and FUnknown; counting is left to the class below it.
template <typename Interface> class SingleInterface : public Interface
{
public:
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override
    {
        if (!obj) return Steinberg::kInvalidArgument;
        if (Steinberg::FUnknownPrivate::iidEqual(queried, Interface::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(queried, Steinberg::FUnknown::iid)) {
            this->addRef();
            *obj = static_cast<Interface*>(this);
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }

protected:
    virtual ~SingleInterface() = default;
};

// Created with one reference, deleted at the last release.
template <typename Interface> class RefCounted : public SingleInterface<Interface>
{
public:
    Steinberg::uint32 PLUGIN_API addRef() override { return static_cast<Steinberg::uint32>(++refCount_); }
    Steinberg::uint32 PLUGIN_API release() override
    {
        const auto left = --refCount_;
        if (left == 0) delete this;
        return static_cast<Steinberg::uint32>(left);
    }

private:
    Steinberg::int32 refCount_ = 1;
};

// Lives as a member or on the stack and is unregistered before it goes: its
// owner decides when, references only count.
template <typename Interface> class OwnerManaged : public SingleInterface<Interface>
{
public:
    Steinberg::uint32 PLUGIN_API addRef() override { return static_cast<Steinberg::uint32>(++refCount_); }
    Steinberg::uint32 PLUGIN_API release() override { return static_cast<Steinberg::uint32>(--refCount_); }

private:
    Steinberg::int32 refCount_ = 1;
};

} // namespace vosk

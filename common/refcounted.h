// Reference counting and interface lookup for our own COM classes that offer one
// interface: created with one reference, deleted at the last release. Only for
// code that has the VST 3 interfaces; objects of the user-interface thread.
#pragma once

#include "pluginterfaces/base/funknown.h"

namespace vosk {

template <typename Interface> class RefCounted : public Interface
{
public:
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override
    {
        if (!obj) return Steinberg::kInvalidArgument;
        if (Steinberg::FUnknownPrivate::iidEqual(queried, Interface::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(queried, Steinberg::FUnknown::iid)) {
            addRef();
            *obj = static_cast<Interface*>(this);
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return static_cast<Steinberg::uint32>(++refCount_); }
    Steinberg::uint32 PLUGIN_API release() override
    {
        const auto left = --refCount_;
        if (left == 0) delete this;
        return static_cast<Steinberg::uint32>(left);
    }

protected:
    virtual ~RefCounted() = default;

private:
    Steinberg::int32 refCount_ = 1;
};

} // namespace vosk

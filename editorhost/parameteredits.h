// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// An interface of our own that a controller answers in queryInterface: how the
// editor's gestures reach the host. A gesture is a begin, the values performed
// while it lasts, and an end, as IComponentHandler carries them. With a
// controller that lacks it, the editor still sets and shows values; they reach
// nobody else.
#pragma once

#include <pluginterfaces/base/funknown.h>
#include <pluginterfaces/vst/vsttypes.h>

namespace vosk {

class IParameterEdits : public Steinberg::FUnknown
{
public:
    virtual Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID tag) = 0;
    virtual Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID tag,
                                                      Steinberg::Vst::ParamValue valueNormalized) = 0;
    virtual Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID tag) = 0;

    inline static const Steinberg::FUID iid{0x3C9E51A7, 0x64B24F0D, 0x8E17A2C5, 0xD90B6E34};
};

} // namespace vosk

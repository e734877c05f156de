// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// An interface of our own that a controller answers in queryInterface: what the
// curve panel keeps with the project and what it learns of the processor beyond
// the parameters. A controller without it gets a panel that opens closed each
// time and draws for a default setup.
#pragma once

#include <pluginterfaces/base/funknown.h>

namespace vosk {

class ICurvePanelHost : public Steinberg::FUnknown
{
public:
    // Whether the panel shows, kept in the controller's own state.
    virtual Steinberg::TBool PLUGIN_API curvePanelOpen() = 0;
    virtual void PLUGIN_API setCurvePanelOpen(Steinberg::TBool open) = 0;
    // The sample rate and transform length the processor plays with, as it
    // reported them at its setup; false until it has.
    virtual Steinberg::TBool PLUGIN_API processingSetup(double& sampleRate, Steinberg::int32& fftSize) = 0;

    inline static const Steinberg::FUID iid{0x9D4A7E12, 0x3B6C4F85, 0xA2E9C071, 0x5D8B4F36};
};

} // namespace vosk

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// An interface of our own that a controller answers in queryInterface: what the
// editor asks the processor to play instead of the processed mix while the
// engineer listens (one band alone, what the equaliser changes, the input at
// the processed loudness), and the loudness difference a comparison removes.
// None of it is a parameter: the host never sees it, and nothing saves it. A
// controller without it gets a panel without these tools.
#pragma once

#include <pluginterfaces/base/funknown.h>

namespace vosk {

class IListeningHost : public Steinberg::FUnknown
{
public:
    // Every tool at once: `soloBand` 1..4 of `soloChannel` (0 left or mid, 1
    // right or side), or 0 for no solo; the delta; the comparison.
    virtual void PLUGIN_API setListening(Steinberg::int32 soloBand, Steinberg::int32 soloChannel,
                                         Steinberg::TBool delta, Steinberg::TBool compare) = 0;
    virtual void PLUGIN_API listening(Steinberg::int32& soloBand, Steinberg::int32& soloChannel,
                                      Steinberg::TBool& delta, Steinberg::TBool& compare) = 0;
    // Whether the caller shows the loudness difference or may compare; the
    // processor measures while any caller does, afresh from each first.
    virtual void PLUGIN_API setLoudnessWanted(Steinberg::TBool wanted) = 0;
    // The processed signal's loudness less the input's over the last 10 seconds,
    // in LU, as the processor last reported it (asking it for a newer figure);
    // false while it has none.
    virtual Steinberg::TBool PLUGIN_API loudnessDifference(double& lu) = 0;

    inline static const Steinberg::FUID iid{0x6E2B8D41, 0x97C04A1F, 0xB35D27E8, 0x0A4C9F63};
};

} // namespace vosk

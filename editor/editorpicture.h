// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// An interface of our own that the editor's view answers in queryInterface: the
// editor drawn offscreen with the controller's current values, as the view shows
// it, encoded as a PNG image. A host gets the picture without a window and
// without an editor of its own (`vosk snapshot`), and decides itself where the
// bytes go.
#pragma once

#include <pluginterfaces/base/funknown.h>
#include <pluginterfaces/base/ibstream.h>

namespace vosk {

class IEditorPicture : public Steinberg::FUnknown
{
public:
    // Writes the picture, at the editor's logical size whatever the view's scale,
    // to `png`: kResultOk, or kResultFalse with the reason in `error` (UTF-8, cut
    // to `errorSize` bytes with its terminator). `width` and `height` receive the
    // picture's size.
    virtual Steinberg::tresult PLUGIN_API drawPng(Steinberg::IBStream* png, Steinberg::int32* width,
                                                  Steinberg::int32* height, Steinberg::char8* error,
                                                  Steinberg::int32 errorSize) = 0;

    inline static const Steinberg::FUID iid{0x6F8B2C41, 0x9A3D4E57, 0xB1C2D3E4, 0x5F60718A};
};

} // namespace vosk

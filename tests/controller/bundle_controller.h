// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// A fixture holding a controller created from the built bundle's factory, as a
// host creates it, initialised with a host context and terminated at the end.
#pragma once

#include "tests/support/plugin_host.h"

#include <gtest/gtest.h>

namespace vosk::test {

class BundleController : public ::testing::Test
{
protected:
    Module module{VOSK_BUNDLE_PATH};
    Steinberg::IPtr<Steinberg::IPluginFactory> factory;
    Steinberg::IPtr<Steinberg::FUnknown> context;
    Steinberg::IPtr<Steinberg::Vst::IEditController> controller;

    void SetUp() override
    {
        ASSERT_TRUE(module.ok()) << module.error();
        factory = module.factory();
        context = makeHostContext();
        controller = createInstance<Steinberg::Vst::IEditController>(factory, controllerClassId());
        ASSERT_TRUE(controller);
        ASSERT_EQ(controller->initialize(context), Steinberg::kResultOk);
    }
    void TearDown() override
    {
        if (controller) controller->terminate();
        controller = nullptr;
        factory = nullptr;
    }
};

} // namespace vosk::test

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The module's outward face: the factory with its two classes, and the
// host's optional init/exit calls.
#include "controller.h"
#include "moduleclasses.h"
#include "source/platform/exports.h"
#include "vosk.h"

#include "public.sdk/source/main/pluginfactory.h"

#include <new>

using namespace Steinberg;

namespace {

FUnknown* createProcessor(void* /*context*/)
{
    auto* processor = new (std::nothrow) vosk::VOSK();
    return processor ? static_cast<Vst::IAudioProcessor*>(processor) : nullptr;
}

FUnknown* createController(void* /*context*/)
{
    auto* controller = new (std::nothrow) vosk::UIDescriptionController(vosk::createEditorView);
    return controller ? static_cast<Vst::IEditController*>(controller) : nullptr;
}

// Each record is filled on the first request only.
PFactoryInfo factoryInfo;
bool factoryInfoFilled = false;
PClassInfo2 processorClass;
bool processorClassFilled = false;
PClassInfo2 controllerClass;
bool controllerClassFilled = false;

bool initOrExit()
{
    return true;
}

PClassInfo2 classInfo(const vosk::ModuleClass& c)
{
    TUID cid;
    c.id.toTUID(cid);
    return PClassInfo2(cid, PClassInfo::kManyInstances, c.category, c.name, static_cast<int32>(c.flags),
                       c.subCategories, nullptr, vosk::kVersion, vosk::kSdkVersion);
}

} // namespace

VOSK_EXPORT IPluginFactory* PLUGIN_API GetPluginFactory()
{
    if (gPluginFactory) {
        gPluginFactory->addRef();
        return gPluginFactory;
    }

    if (!factoryInfoFilled) {
        factoryInfo =
            PFactoryInfo(vosk::kVendorName, vosk::kVendorUrl, vosk::kVendorEmail, vosk::kFactoryFlags);
        factoryInfoFilled = true;
    }
    gPluginFactory = new (std::nothrow) CPluginFactory(factoryInfo);
    if (!gPluginFactory) return nullptr;

    if (!processorClassFilled) {
        processorClass = classInfo(vosk::kProcessorClass);
        processorClassFilled = true;
    }
    gPluginFactory->registerClass(&processorClass, createProcessor, nullptr);

    if (!controllerClassFilled) {
        controllerClass = classInfo(vosk::kControllerClass);
        controllerClassFilled = true;
    }
    gPluginFactory->registerClass(&controllerClass, createController, nullptr);

    return gPluginFactory;
}

VOSK_EXPORT bool InitDll()
{
    return initOrExit();
}

VOSK_EXPORT bool ExitDll()
{
    return initOrExit();
}

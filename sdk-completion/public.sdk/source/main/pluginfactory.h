// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// CPluginFactory: the class factory a plug-in module hands to its host.
// Same names and behaviour as the SDK class.
#pragma once

#include "pluginterfaces/base/ipluginbase.h"

namespace Steinberg {

class CPluginFactory : public IPluginFactory3
{
public:
    using CreateFunc = FUnknown* (*)(void* context);

    explicit CPluginFactory(const PFactoryInfo& info);
    virtual ~CPluginFactory();

    /** Registers a class; false only when the class list cannot grow. */
    bool registerClass(const PClassInfo* info, CreateFunc createFunc, void* context = nullptr);
    bool registerClass(const PClassInfo2* info, CreateFunc createFunc, void* context = nullptr);
    bool registerClass(const PClassInfoW* info, CreateFunc createFunc, void* context = nullptr);

    bool isClassRegistered(const FUID& cid) const;
    void removeAllClasses();

    //---from IPluginFactory------
    tresult PLUGIN_API getFactoryInfo(PFactoryInfo* info) SMTG_OVERRIDE;
    int32 PLUGIN_API countClasses() SMTG_OVERRIDE;
    tresult PLUGIN_API getClassInfo(int32 index, PClassInfo* info) SMTG_OVERRIDE;
    tresult PLUGIN_API createInstance(FIDString cid, FIDString _iid, void** obj) SMTG_OVERRIDE;
    //---from IPluginFactory2-----
    tresult PLUGIN_API getClassInfo2(int32 index, PClassInfo2* info) SMTG_OVERRIDE;
    //---from IPluginFactory3-----
    tresult PLUGIN_API getClassInfoUnicode(int32 index, PClassInfoW* info) SMTG_OVERRIDE;
    tresult PLUGIN_API setHostContext(FUnknown* context) SMTG_OVERRIDE;

    DECLARE_FUNKNOWN_METHODS

protected:
    struct PClassEntry
    {
        PClassInfo2 info8;
        PClassInfoW info16;
        CreateFunc createFunc;
        void* context;
        bool isUnicode;
    };

    PFactoryInfo factoryInfo;
    PClassEntry* classes = nullptr;
    int32 classCount = 0;
    int32 maxClassCount = 0;

    bool growClasses();
    PClassEntry* newEntry(CreateFunc createFunc, void* context);
};

} // namespace Steinberg

/** The module's factory; the factory clears it when it goes away. */
extern Steinberg::CPluginFactory* gPluginFactory;

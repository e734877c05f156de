// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "public.sdk/source/main/pluginfactory.h"

#include <cstdlib>
#include <cstring>

Steinberg::CPluginFactory* gPluginFactory = nullptr;

namespace Steinberg {

CPluginFactory::CPluginFactory(const PFactoryInfo& info)
    : factoryInfo(info){FUNKNOWN_CTOR}

      CPluginFactory::~CPluginFactory()
{
    if (gPluginFactory == this) gPluginFactory = nullptr;
    std::free(classes);
    FUNKNOWN_DTOR
}

IMPLEMENT_REFCOUNT(CPluginFactory)

tresult PLUGIN_API CPluginFactory::queryInterface(const TUID _iid, void** obj)
{
    QUERY_INTERFACE(_iid, obj, IPluginFactory::iid, IPluginFactory)
    QUERY_INTERFACE(_iid, obj, IPluginFactory2::iid, IPluginFactory2)
    QUERY_INTERFACE(_iid, obj, IPluginFactory3::iid, IPluginFactory3)
    QUERY_INTERFACE(_iid, obj, FUnknown::iid, IPluginFactory)
    *obj = nullptr;
    return kNoInterface;
}

bool CPluginFactory::growClasses()
{
    const int32 newMax = maxClassCount > 0 ? maxClassCount * 2 : 8;
    void* grown = std::realloc(classes, sizeof(PClassEntry) * static_cast<size_t>(newMax));
    if (!grown) return false;
    classes = static_cast<PClassEntry*>(grown);
    maxClassCount = newMax;
    return true;
}

CPluginFactory::PClassEntry* CPluginFactory::newEntry(CreateFunc createFunc, void* context)
{
    if (!createFunc) return nullptr;
    if (classCount >= maxClassCount && !growClasses()) return nullptr;
    PClassEntry& entry = classes[classCount++];
    std::memset(static_cast<void*>(&entry), 0, sizeof(PClassEntry));
    entry.createFunc = createFunc;
    entry.context = context;
    return &entry;
}

bool CPluginFactory::registerClass(const PClassInfo* info, CreateFunc createFunc, void* context)
{
    if (!info) return false;
    PClassEntry* entry = newEntry(createFunc, context);
    if (!entry) return false;
    // PClassInfo is the leading part of PClassInfo2; the extended fields stay empty.
    std::memcpy(entry->info8.cid, info->cid, sizeof(TUID));
    entry->info8.cardinality = info->cardinality;
    std::memcpy(entry->info8.category, info->category, sizeof(info->category));
    std::memcpy(entry->info8.name, info->name, sizeof(info->name));
    entry->info16.fromAscii(entry->info8);
    entry->isUnicode = false;
    return true;
}

bool CPluginFactory::registerClass(const PClassInfo2* info, CreateFunc createFunc, void* context)
{
    if (!info) return false;
    PClassEntry* entry = newEntry(createFunc, context);
    if (!entry) return false;
    entry->info8 = *info;
    entry->info16.fromAscii(*info);
    entry->isUnicode = false;
    return true;
}

bool CPluginFactory::registerClass(const PClassInfoW* info, CreateFunc createFunc, void* context)
{
    if (!info) return false;
    PClassEntry* entry = newEntry(createFunc, context);
    if (!entry) return false;
    entry->info16 = *info;
    entry->isUnicode = true;
    return true;
}

bool CPluginFactory::isClassRegistered(const FUID& cid) const
{
    for (int32 i = 0; i < classCount; ++i) {
        if (FUnknownPrivate::iidEqual(cid, classes[i].info16.cid)) return true;
    }
    return false;
}

void CPluginFactory::removeAllClasses()
{
    std::free(classes);
    classes = nullptr;
    classCount = 0;
    maxClassCount = 0;
}

tresult PLUGIN_API CPluginFactory::getFactoryInfo(PFactoryInfo* info)
{
    if (!info) return kInvalidArgument;
    std::memcpy(info, &factoryInfo, sizeof(PFactoryInfo));
    return kResultOk;
}

int32 PLUGIN_API CPluginFactory::countClasses()
{
    return classCount;
}

tresult PLUGIN_API CPluginFactory::getClassInfo(int32 index, PClassInfo* info)
{
    if (!info || index < 0 || index >= classCount) return kInvalidArgument;
    if (classes[index].isUnicode) {
        std::memset(info, 0, sizeof(PClassInfo));
        return kResultFalse;
    }
    std::memcpy(info->cid, classes[index].info8.cid, sizeof(TUID));
    info->cardinality = classes[index].info8.cardinality;
    std::memcpy(info->category, classes[index].info8.category, sizeof(info->category));
    std::memcpy(info->name, classes[index].info8.name, sizeof(info->name));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfo2(int32 index, PClassInfo2* info)
{
    if (!info || index < 0 || index >= classCount) return kInvalidArgument;
    if (classes[index].isUnicode) {
        std::memset(info, 0, sizeof(PClassInfo2));
        return kResultFalse;
    }
    std::memcpy(info, &classes[index].info8, sizeof(PClassInfo2));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::getClassInfoUnicode(int32 index, PClassInfoW* info)
{
    if (!info || index < 0 || index >= classCount) return kInvalidArgument;
    std::memcpy(info, &classes[index].info16, sizeof(PClassInfoW));
    return kResultOk;
}

tresult PLUGIN_API CPluginFactory::createInstance(FIDString cid, FIDString _iid, void** obj)
{
    if (!obj) return kInvalidArgument;
    *obj = nullptr;
    if (!cid || !_iid) return kInvalidArgument;
    for (int32 i = 0; i < classCount; ++i) {
        if (std::memcmp(classes[i].info16.cid, cid, sizeof(TUID)) != 0) continue;
        FUnknown* instance = classes[i].createFunc(classes[i].context);
        if (!instance) return kOutOfMemory;
        // The creation reference goes away; the interface asked for holds its own.
        tresult result = instance->queryInterface(_iid, obj);
        instance->release();
        if (result != kResultOk) *obj = nullptr;
        return result == kResultOk ? kResultOk : kNoInterface;
    }
    return kNoInterface;
}

tresult PLUGIN_API CPluginFactory::setHostContext(FUnknown* /*context*/)
{
    return kNotImplemented;
}

} // namespace Steinberg

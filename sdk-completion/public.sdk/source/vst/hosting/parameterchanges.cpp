// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "public.sdk/source/vst/hosting/parameterchanges.h"

namespace Steinberg {
namespace Vst {

IMPLEMENT_FUNKNOWN_METHODS(ParameterValueQueue, IParamValueQueue, IParamValueQueue::iid)

ParameterValueQueue::ParameterValueQueue(ParamID paramID_, int32 pointCapacity) : paramID(paramID_)
{
    FUNKNOWN_CTOR
    values.reserve(pointCapacity > 0 ? static_cast<size_t>(pointCapacity) : 0u);
}

ParameterValueQueue::~ParameterValueQueue()
{
    FUNKNOWN_DTOR
}

void ParameterValueQueue::clear()
{
    values.clear();
}

int32 PLUGIN_API ParameterValueQueue::getPointCount()
{
    return static_cast<int32>(values.size());
}

tresult PLUGIN_API ParameterValueQueue::getPoint(int32 index, int32& sampleOffset, ParamValue& value)
{
    if (index < 0 || index >= static_cast<int32>(values.size())) return kResultFalse;
    const ParameterQueueValue& point = values[static_cast<size_t>(index)];
    sampleOffset = point.sampleOffset;
    value = point.value;
    return kResultTrue;
}

tresult PLUGIN_API ParameterValueQueue::addPoint(int32 sampleOffset, ParamValue value, int32& index)
{
    size_t dest = values.size();
    for (size_t i = 0; i < values.size(); ++i) {
        if (values[i].sampleOffset == sampleOffset) {
            values[i].value = value;
            index = static_cast<int32>(i);
            return kResultTrue;
        }
        if (values[i].sampleOffset > sampleOffset) {
            dest = i;
            break;
        }
    }
    values.insert(values.begin() + static_cast<std::ptrdiff_t>(dest),
                  ParameterQueueValue{value, sampleOffset});
    index = static_cast<int32>(dest);
    return kResultTrue;
}

IMPLEMENT_FUNKNOWN_METHODS(ParameterChanges, IParameterChanges, IParameterChanges::iid)

ParameterChanges::ParameterChanges(int32 maxParameters)
{
    FUNKNOWN_CTOR
    setMaxParameters(maxParameters);
}

ParameterChanges::~ParameterChanges()
{
    FUNKNOWN_DTOR
}

void ParameterChanges::setMaxParameters(int32 maxParameters)
{
    if (maxParameters < 0) return;
    queues.reserve(static_cast<size_t>(maxParameters));
    while (static_cast<int32>(queues.size()) < maxParameters)
        queues.push_back(owned(new ParameterValueQueue(0xFFFFFFFF)));
}

void ParameterChanges::clearQueue()
{
    usedQueueCount = 0;
}

int32 PLUGIN_API ParameterChanges::getParameterCount()
{
    return usedQueueCount;
}

IParamValueQueue* PLUGIN_API ParameterChanges::getParameterData(int32 index)
{
    if (index < 0 || index >= usedQueueCount) return nullptr;
    return queues[static_cast<size_t>(index)];
}

IParamValueQueue* PLUGIN_API ParameterChanges::addParameterData(const ParamID& pid, int32& index)
{
    for (int32 i = 0; i < usedQueueCount; ++i) {
        if (queues[static_cast<size_t>(i)]->getParameterId() == pid) {
            index = i;
            return queues[static_cast<size_t>(i)];
        }
    }

    ParameterValueQueue* queue;
    if (usedQueueCount < static_cast<int32>(queues.size())) {
        queue = queues[static_cast<size_t>(usedQueueCount)];
        queue->setParamID(pid);
        queue->clear();
    } else {
        queues.push_back(owned(new ParameterValueQueue(pid)));
        queue = queues.back();
    }
    index = usedQueueCount++;
    return queue;
}

} // namespace Vst
} // namespace Steinberg

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Host-side parameter changes handed to IAudioProcessor::process.
// Same names and behaviour as the SDK classes. Storage is reserved up front,
// so filling queues within their capacity allocates nothing.
#pragma once

#include "pluginterfaces/vst/ivstparameterchanges.h"
#include "base/source/fobject.h"

#include <vector>

namespace Steinberg {
namespace Vst {

/** The points of one parameter within one block, ordered by sample offset. */
class ParameterValueQueue : public IParamValueQueue
{
public:
    explicit ParameterValueQueue(ParamID paramID, int32 pointCapacity = kDefaultPointCapacity);
    virtual ~ParameterValueQueue();

    static constexpr int32 kDefaultPointCapacity = 16;

    ParamID PLUGIN_API getParameterId() SMTG_OVERRIDE { return paramID; }
    int32 PLUGIN_API getPointCount() SMTG_OVERRIDE;
    tresult PLUGIN_API getPoint(int32 index, int32& sampleOffset, ParamValue& value) SMTG_OVERRIDE;
    /** Inserts in offset order; a point at an existing offset replaces that point's value. */
    tresult PLUGIN_API addPoint(int32 sampleOffset, ParamValue value, int32& index) SMTG_OVERRIDE;

    void setParamID(ParamID pID) { paramID = pID; }
    /** Drops the points, keeps the storage. */
    void clear();

    DECLARE_FUNKNOWN_METHODS

protected:
    struct ParameterQueueValue
    {
        ParamValue value;
        int32 sampleOffset;
    };
    ParamID paramID;
    std::vector<ParameterQueueValue> values;
};

/** All queues of one block. Queues are recycled by clearQueue (). */
class ParameterChanges : public IParameterChanges
{
public:
    explicit ParameterChanges(int32 maxParameters = 0);
    virtual ~ParameterChanges();

    /** Makes sure maxParameters queues exist, so that adding them later allocates nothing. */
    void setMaxParameters(int32 maxParameters);
    /** Forgets every queue of the block; the storage stays for the next one. */
    void clearQueue();

    int32 PLUGIN_API getParameterCount() SMTG_OVERRIDE;
    IParamValueQueue* PLUGIN_API getParameterData(int32 index) SMTG_OVERRIDE;
    /** Returns the queue of id, creating it if needed (growing beyond the reserved
     * number of queues allocates). */
    IParamValueQueue* PLUGIN_API addParameterData(const ParamID& pid, int32& index) SMTG_OVERRIDE;

    DECLARE_FUNKNOWN_METHODS

protected:
    std::vector<IPtr<ParameterValueQueue>> queues;
    int32 usedQueueCount = 0;
};

} // namespace Vst
} // namespace Steinberg

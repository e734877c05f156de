// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Host-side ProcessData that sizes its bus buffers from a component's buses.
// Same names and behaviour as the SDK class.
#pragma once

#include "pluginterfaces/vst/ivstaudioprocessor.h"
#include "pluginterfaces/vst/ivstcomponent.h"

namespace Steinberg {
namespace Vst {

class HostProcessData : public ProcessData
{
public:
    HostProcessData() = default;
    virtual ~HostProcessData();
    HostProcessData(const HostProcessData&) = delete;
    HostProcessData& operator=(const HostProcessData&) = delete;

    /** Creates one AudioBusBuffers per audio bus of the component, with as many channels as
     * the bus arrangement has. With bufferSamples > 0 the channel buffers are allocated and
     * owned here; with 0 only the pointer arrays exist and the caller sets the buffers. */
    bool prepare(IComponent& component, int32 bufferSamples, int32 symbolicSampleSize);
    /** Releases everything prepare created. */
    void unprepare();

    /** Points every channel of a bus at the same buffer. */
    void setChannelBuffers(BusDirection dir, int32 busIndex, Sample32* sampleBuffer);
    void setChannelBuffers64(BusDirection dir, int32 busIndex, Sample64* sampleBuffer);
    /** Points the channels of a bus at the given buffers (up to bufferCount). */
    void setChannelBuffers(BusDirection dir, int32 busIndex, Sample32* sampleBuffers[], int32 bufferCount);
    void setChannelBuffers64(BusDirection dir, int32 busIndex, Sample64* sampleBuffers[], int32 bufferCount);
    void setChannelBuffer(BusDirection dir, int32 busIndex, int32 channelIndex, Sample32* sampleBuffer);
    void setChannelBuffer64(BusDirection dir, int32 busIndex, int32 channelIndex, Sample64* sampleBuffer);

protected:
    int32 createBuffers(IComponent& component, AudioBusBuffers*& buffers, BusDirection dir,
                        int32 bufferSamples);
    void destroyBuffers(AudioBusBuffers*& buffers, int32& busCount);
    AudioBusBuffers* busBuffers(BusDirection dir, int32 busIndex) const;

    bool channelBufferOwner = false;
};

} // namespace Vst
} // namespace Steinberg

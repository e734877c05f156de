// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "public.sdk/source/vst/hosting/processdata.h"
#include "pluginterfaces/vst/vstspeaker.h"

#include <cstring>

namespace Steinberg {
namespace Vst {

HostProcessData::~HostProcessData()
{
    unprepare();
}

bool HostProcessData::prepare(IComponent& component, int32 bufferSamples, int32 _symbolicSampleSize)
{
    unprepare();
    symbolicSampleSize = _symbolicSampleSize;
    channelBufferOwner = bufferSamples > 0;
    numInputs = createBuffers(component, inputs, kInput, bufferSamples);
    numOutputs = createBuffers(component, outputs, kOutput, bufferSamples);
    return numInputs >= 0 && numOutputs >= 0;
}

void HostProcessData::unprepare()
{
    destroyBuffers(inputs, numInputs);
    destroyBuffers(outputs, numOutputs);
    channelBufferOwner = false;
}

int32 HostProcessData::createBuffers(IComponent& component, AudioBusBuffers*& buffers, BusDirection dir,
                                     int32 bufferSamples)
{
    const int32 busCount = component.getBusCount(kAudio, dir);
    if (busCount <= 0) {
        buffers = nullptr;
        return 0;
    }
    buffers = new AudioBusBuffers[static_cast<size_t>(busCount)];

    FUnknownPtr<IAudioProcessor> processor(&component);
    for (int32 i = 0; i < busCount; ++i) {
        BusInfo info{};
        int32 channels = 0;
        if (component.getBusInfo(kAudio, dir, i, info) == kResultOk) channels = info.channelCount;
        SpeakerArrangement arr = 0;
        if (processor && processor->getBusArrangement(dir, i, arr) == kResultOk)
            channels = SpeakerArr::getChannelCount(arr);

        AudioBusBuffers& bus = buffers[i];
        bus.numChannels = channels;
        bus.silenceFlags = 0;
        if (channels <= 0) {
            bus.channelBuffers32 = nullptr;
            continue;
        }
        const size_t count = static_cast<size_t>(channels);
        const size_t samples = bufferSamples > 0 ? static_cast<size_t>(bufferSamples) : 0u;
        if (symbolicSampleSize == kSample64) {
            bus.channelBuffers64 = new Sample64*[count];
            for (size_t c = 0; c < count; ++c)
                bus.channelBuffers64[c] = samples ? new Sample64[samples]() : nullptr;
        } else {
            bus.channelBuffers32 = new Sample32*[count];
            for (size_t c = 0; c < count; ++c)
                bus.channelBuffers32[c] = samples ? new Sample32[samples]() : nullptr;
        }
    }
    return busCount;
}

void HostProcessData::destroyBuffers(AudioBusBuffers*& buffers, int32& busCount)
{
    if (buffers) {
        for (int32 i = 0; i < busCount; ++i) {
            AudioBusBuffers& bus = buffers[i];
            if (symbolicSampleSize == kSample64) {
                if (bus.channelBuffers64 && channelBufferOwner)
                    for (int32 c = 0; c < bus.numChannels; ++c) delete[] bus.channelBuffers64[c];
                delete[] bus.channelBuffers64;
            } else {
                if (bus.channelBuffers32 && channelBufferOwner)
                    for (int32 c = 0; c < bus.numChannels; ++c) delete[] bus.channelBuffers32[c];
                delete[] bus.channelBuffers32;
            }
        }
        delete[] buffers;
        buffers = nullptr;
    }
    busCount = 0;
}

AudioBusBuffers* HostProcessData::busBuffers(BusDirection dir, int32 busIndex) const
{
    AudioBusBuffers* list = dir == kInput ? inputs : outputs;
    const int32 count = dir == kInput ? numInputs : numOutputs;
    if (!list || busIndex < 0 || busIndex >= count) return nullptr;
    return &list[busIndex];
}

// Pointing channels at outside buffers is only allowed when the channel
// buffers are not our own, or they would leak.
void HostProcessData::setChannelBuffers(BusDirection dir, int32 busIndex, Sample32* sampleBuffer)
{
    AudioBusBuffers* bus = busBuffers(dir, busIndex);
    if (channelBufferOwner || !bus || !bus->channelBuffers32) return;
    for (int32 c = 0; c < bus->numChannels; ++c) bus->channelBuffers32[c] = sampleBuffer;
}

void HostProcessData::setChannelBuffers64(BusDirection dir, int32 busIndex, Sample64* sampleBuffer)
{
    AudioBusBuffers* bus = busBuffers(dir, busIndex);
    if (channelBufferOwner || !bus || !bus->channelBuffers64) return;
    for (int32 c = 0; c < bus->numChannels; ++c) bus->channelBuffers64[c] = sampleBuffer;
}

void HostProcessData::setChannelBuffers(BusDirection dir, int32 busIndex, Sample32* sampleBuffers[],
                                        int32 bufferCount)
{
    AudioBusBuffers* bus = busBuffers(dir, busIndex);
    if (channelBufferOwner || !bus || !bus->channelBuffers32 || !sampleBuffers) return;
    for (int32 c = 0; c < bus->numChannels && c < bufferCount; ++c)
        bus->channelBuffers32[c] = sampleBuffers[c];
}

void HostProcessData::setChannelBuffers64(BusDirection dir, int32 busIndex, Sample64* sampleBuffers[],
                                          int32 bufferCount)
{
    AudioBusBuffers* bus = busBuffers(dir, busIndex);
    if (channelBufferOwner || !bus || !bus->channelBuffers64 || !sampleBuffers) return;
    for (int32 c = 0; c < bus->numChannels && c < bufferCount; ++c)
        bus->channelBuffers64[c] = sampleBuffers[c];
}

void HostProcessData::setChannelBuffer(BusDirection dir, int32 busIndex, int32 channelIndex,
                                       Sample32* sampleBuffer)
{
    AudioBusBuffers* bus = busBuffers(dir, busIndex);
    if (channelBufferOwner || !bus || !bus->channelBuffers32 || channelIndex < 0 ||
        channelIndex >= bus->numChannels)
        return;
    bus->channelBuffers32[channelIndex] = sampleBuffer;
}

void HostProcessData::setChannelBuffer64(BusDirection dir, int32 busIndex, int32 channelIndex,
                                         Sample64* sampleBuffer)
{
    AudioBusBuffers* bus = busBuffers(dir, busIndex);
    if (channelBufferOwner || !bus || !bus->channelBuffers64 || channelIndex < 0 ||
        channelIndex >= bus->numChannels)
        return;
    bus->channelBuffers64[channelIndex] = sampleBuffer;
}

} // namespace Vst
} // namespace Steinberg

#include "source/dsp/settings.h"

#include <algorithm>
#include <cmath>

namespace vosk {

namespace {

float clampUnit(float v)
{
    if (v > 1.0f) v = 1.0f;
    if (v < 0.0f) v = 0.0f;
    return v;
}

// Splits a band identifier into band section (1..4) and channel, given its group.
bool bandOf(uint32_t id, uint32_t firstOfGroup, int& section, int& channel)
{
    if (id < firstOfGroup || id >= firstOfGroup + 8) return false;
    const uint32_t offset = id - firstOfGroup;
    channel = offset < 4 ? 1 : 0;
    section = kFirstBand + static_cast<int>(offset % 4);
    return true;
}

} // namespace

ProcessingSettings::ProcessingSettings()
{
    struct Default
    {
        bool on;
        float freqHz, width;
        int32_t shape;
    };
    static const Default defaults[kNumSections] = {
        {true, 29.0f, 1.0f, ShapeLowCut},  {true, 88.0f, 1.0f, ShapeBell},
        {true, 650.0f, 1.0f, ShapeBell},   {true, 1200.0f, 1.0f, ShapeBell},
        {true, 12000.0f, 0.7f, ShapeBell}, {false, 1000.0f, 1.0f, ShapeBell},
        {false, 1000.0f, 1.0f, ShapeBell}, {true, 18000.0f, 1.0f, ShapeHighCut},
    };
    for (auto& channel : sections) {
        for (int s = 0; s < kNumSections; ++s) {
            FilterSection& sec = channel[s];
            sec.on = defaults[s].on;
            sec.freqHz = defaults[s].freqHz;
            sec.q = 1.0f;
            sec.gain = 0.0f;
            sec.width = defaults[s].width;
            sec.shape = defaults[s].shape;
            sec.dirty = true;
            sec.length = 0;
            if (s >= kFirstBand && s < kFirstBand + kNumBands) {
                sec.freqNorm = static_cast<float>(normFromFrequency(sec.freqHz));
                sec.qNorm = sec.q;
                sec.widthNorm = initialWidthNorm(sec.width);
                sec.gainNorm = static_cast<float>(bandGainNormFromDb(0.0)); // no gain
                sec.reportPending = true;
            }
        }
    }
}

void ProcessingSettings::markDirty(int channel, int section)
{
    FilterSection& sec = sections[channel][section];
    sec.dirty = true;
    if (sec.on) responseStale[channel] = true;
}

void ProcessingSettings::setOn(int channel, int section, bool on)
{
    FilterSection& sec = sections[channel][section];
    if (sec.on != on) {
        sec.on = on;
        responseStale[channel] = true;
    }
}

void ProcessingSettings::apply(uint32_t id, double v)
{
    if (!std::isfinite(v)) return;
    // Normalised values lie in 0..1; a host that sends more must not reach the formulas.
    v = std::clamp(v, 0.0, 1.0);
    const float vf = static_cast<float>(v);
    int section = 0;
    int channel = 0;

    if (bandOf(id, kOn1R, section, channel)) {
        const bool on = v > 0.5;
        if (linked) {
            setOn(1 - channel, section, on);
            sections[1 - channel][section].reportPending = true;
        }
        setOn(channel, section, on);
        return;
    }
    if (bandOf(id, kFreq1R, section, channel)) {
        FilterSection& own = sections[channel][section];
        if (linked) {
            FilterSection& partner = sections[1 - channel][section];
            partner.freqNorm = clampUnit(vf - own.freqNorm + partner.freqNorm);
            partner.freqHz = frequencyFromNorm(partner.freqNorm);
            partner.reportPending = true;
            markDirty(1 - channel, section);
        }
        own.freqNorm = vf;
        own.freqHz = frequencyFromNorm(vf);
        markDirty(channel, section);
        return;
    }
    if (bandOf(id, kGain1R, section, channel)) {
        FilterSection& own = sections[channel][section];
        if (linked) {
            FilterSection& partner = sections[1 - channel][section];
            partner.gainNorm = clampUnit(vf - own.gainNorm + partner.gainNorm);
            partner.gain = bandGainFromNorm(partner.gainNorm);
            if (partner.shape == ShapeBell) {
                partner.reportPending = true;
                markDirty(1 - channel, section);
            }
        }
        own.gainNorm = vf;
        own.gain = bandGainFromNorm(vf);
        if (own.shape == ShapeBell) markDirty(channel, section);
        return;
    }
    if (bandOf(id, kQ1R, section, channel)) {
        FilterSection& own = sections[channel][section];
        if (linked) {
            FilterSection& partner = sections[1 - channel][section];
            partner.qNorm = clampUnit(vf - own.qNorm + partner.qNorm);
            partner.q = partner.qNorm;
            partner.reportPending = true;
            markDirty(1 - channel, section);
        }
        own.qNorm = vf;
        own.q = vf;
        markDirty(channel, section);
        return;
    }
    if (bandOf(id, kBW1R, section, channel)) {
        FilterSection& own = sections[channel][section];
        if (linked) {
            FilterSection& partner = sections[1 - channel][section];
            partner.widthNorm = clampUnit(vf - own.widthNorm + partner.widthNorm);
            partner.width = widthFromNorm(partner.widthNorm);
            if (partner.shape == ShapeBell) {
                partner.reportPending = true;
                markDirty(1 - channel, section);
            }
        }
        own.widthNorm = vf;
        own.width = widthFromNorm(vf);
        if (own.shape == ShapeBell) markDirty(channel, section);
        return;
    }
    if (bandOf(id, kShape1R, section, channel)) {
        const SectionShape shape = shapeFromListValue(v);
        if (linked) {
            sections[1 - channel][section].shape = shape;
            markDirty(1 - channel, section);
        }
        sections[channel][section].shape = shape;
        markDirty(channel, section);
        return;
    }
    if (id >= kType1 && id <= kType6) {
        const int s = static_cast<int>(id - kType1) + 1;
        const SectionShape shape = shapeFromTypeValue(v);
        for (int c = 0; c < kNumChannels; ++c) {
            sections[c][s].shape = shape;
            markDirty(c, s);
        }
        return;
    }

    switch (id) {
    case kBypass:
        bypass = v > 0.5;
        break;
    case kOnLoCut:
        for (int c = 0; c < kNumChannels; ++c) setOn(c, kLowCutSection, v > 0.5);
        break;
    case kOnHiCut:
        for (int c = 0; c < kNumChannels; ++c) setOn(c, kHighCutSection, v > 0.5);
        break;
    case kInGain:
        inputGain = linearGainFromNorm(vf);
        break;
    case kLink:
        linked = switchIsOn(kLink, v);
        if (linked) {
            for (int s = kFirstBand; s < kFirstBand + kNumBands; ++s) {
                const FilterSection& from = sections[0][s];
                FilterSection& to = sections[1][s];
                setOn(1, s, from.on);
                to.freqHz = from.freqHz;
                to.q = from.q;
                to.gain = from.gain;
                to.width = from.width;
                to.freqNorm = from.freqNorm;
                to.qNorm = from.qNorm;
                to.gainNorm = from.gainNorm;
                to.widthNorm = from.widthNorm;
                to.length = from.length;
                to.reportPending = true;
                markDirty(1, s);
            }
        }
        break;
    case kMidSide:
        midSide = switchIsOn(kMidSide, v);
        break;
    case kMuteMid:
    case kMuteSide: {
        const int c = id == kMuteMid ? 0 : 1;
        channelEnabled[c] = v > 0.5 ? 1 : 0;
        if (channelEnabled[c] == 0) {
            channelEnabled[1 - c] = 1;
            enableReportPending[1 - c] = 1;
        }
        break;
    }
    case kLpeak:
    case kRpeak: {
        const int c = id == kLpeak ? 0 : 1;
        clip[c] = clip[c] && v > 0.5;
        break;
    }
    case kLgain:
        channelGain[0] = linearGainFromNorm(vf);
        break;
    case kRgain:
        channelGain[1] = linearGainFromNorm(vf);
        break;
    default:
        break; // meters, the FFT size list and editor-only tags change nothing
    }
}

} // namespace vosk

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "source/dsp/intake.h"

#include <algorithm>
#include <cmath>

namespace vosk {

const BandParameter kBandParameters[kNumBandParameters] = {
    {kFreq1R, &BandSettings::freqNorm, &BandSettings::freqHz, frequencyFromNorm<float>, false},
    {kBW1R, &BandSettings::widthNorm, &BandSettings::width, widthFromNorm, true},
    {kQ1R, &BandSettings::qNorm, &BandSettings::q, qFromNorm, false},
    {kGain1R, &BandSettings::gainNorm, &BandSettings::gain, bandGainFromNorm<float>, true},
};

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

// Sets one band parameter; returns whether the section's response depends on it.
bool setBandValue(ProcessingSettings& s, const BandParameter& p, int channel, int section, float norm)
{
    FilterSection& band = s.sections[channel][section];
    band.*p.norm = norm;
    band.*p.physical = p.fromNorm(norm);
    return !p.shapesBellsOnly || band.shape == ShapeBell;
}

void applyBandParameter(ProcessingSettings& s, const BandParameter& p, int channel, int section, float norm)
{
    if (s.linked) {
        // The partner moves by as much, from where it stands.
        FilterSection& own = s.sections[channel][section];
        FilterSection& partner = s.sections[1 - channel][section];
        const float moved = clampUnit(norm - own.*p.norm + partner.*p.norm);
        if (setBandValue(s, p, 1 - channel, section, moved)) partner.reportPending = true;
    }
    setBandValue(s, p, channel, section, norm);
}

// Linking copies every left band to the right; each side keeps its shape.
void copyLeftBandsToRight(ProcessingSettings& s)
{
    for (int section = kFirstBand; section < kFirstBand + kNumBands; ++section) {
        const FilterSection& from = s.sections[0][section];
        FilterSection& to = s.sections[1][section];
        const int32_t shape = to.shape;
        static_cast<BandSettings&>(to) = from;
        to.shape = shape;
        to.reportPending = true;
    }
}

} // namespace

void applyParameter(ProcessingSettings& s, uint32_t id, double v)
{
    if (!std::isfinite(v)) return;
    // Normalised values lie in 0..1; a host that sends more must not reach the formulas.
    v = std::clamp(v, 0.0, 1.0);
    const float vf = static_cast<float>(v);
    if (const int held = heldValueIndex(id); held >= 0) s.heldValues[static_cast<size_t>(held)] = vf;
    int section = 0;
    int channel = 0;

    for (const BandParameter& p : kBandParameters) {
        if (bandOf(id, p.firstTag, section, channel)) {
            applyBandParameter(s, p, channel, section, vf);
            return;
        }
    }
    if (bandOf(id, kOn1R, section, channel)) {
        const bool on = switchIsOn(id, v);
        if (s.linked) {
            s.sections[1 - channel][section].on = on;
            s.sections[1 - channel][section].reportPending = true;
        }
        s.sections[channel][section].on = on;
        return;
    }
    if (bandOf(id, kShape1R, section, channel)) {
        const SectionShape shape = shapeFromListValue(v);
        for (int c : {1 - channel, channel}) {
            if (c != channel && !s.linked) continue;
            s.sections[c][section].shape = shape;
        }
        return;
    }
    if (id >= kType1 && id <= kType6) {
        const int typed = static_cast<int>(id - kType1) + 1;
        for (int c = 0; c < kNumChannels; ++c) s.sections[c][typed].shape = shapeFromTypeValue(v);
        return;
    }

    switch (id) {
    case kBypass:
        s.bypass = switchIsOn(id, v);
        break;
    case kOnLoCut:
    case kOnHiCut: {
        const int cut = id == kOnLoCut ? kLowCutSection : kHighCutSection;
        for (int c = 0; c < kNumChannels; ++c) s.sections[c][cut].on = switchIsOn(id, v);
        break;
    }
    case kInGain:
        s.inputGain = linearGainFromNorm(vf);
        break;
    case kLink:
        s.linked = switchIsOn(id, v);
        if (s.linked) copyLeftBandsToRight(s);
        break;
    case kMidSide:
        s.midSide = switchIsOn(id, v);
        break;
    case kMuteMid:
    case kMuteSide: {
        const int c = id == kMuteMid ? 0 : 1;
        s.channelEnabled[c] = switchIsOn(id, v) ? 1 : 0;
        if (s.channelEnabled[c] == 0) {
            s.channelEnabled[1 - c] = 1;
            s.enableReportPending[1 - c] = 1;
        }
        break;
    }
    case kLpeak:
    case kRpeak: {
        // The host can only clear a clip lamp; the signal path lights it.
        const int c = id == kLpeak ? 0 : 1;
        s.clip[c] = s.clip[c] && switchIsOn(id, v);
        break;
    }
    case kLgain:
    case kRgain:
        s.channelGain[id == kLgain ? 0 : 1] = linearGainFromNorm(vf);
        break;
    default:
        break; // meters, the FFT size list and editor-only tags change nothing
    }
}

} // namespace vosk

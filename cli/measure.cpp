// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "measure.h"

#include "commands.h"
#include "platform.h"
#include "spectrum.h"
#include "hosting/fileio.h"

#include <sndfile.h>

#include <memory>

namespace vosk {

bool measureFile(const std::string& path, SpectrumOf spectrum, bool progress, FileMeasurement& out,
                 std::string& error, const std::function<void(long long)>& framesDone)
{
    if (!fileExists(path)) {
        error = "cannot read " + path + ": no such file";
        return false;
    }
    if (isFolder(path)) {
        error = path + " is a folder, not an audio file";
        return false;
    }
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        error = "cannot read " + path + ": " + sf_strerror(nullptr);
        return false;
    }
    std::unique_ptr<SNDFILE, int (*)(SNDFILE*)> closer(file, sf_close);
    if (info.channels < 1 || info.channels > 2) {
        error =
            path + " has " + std::to_string(info.channels) + " channels; only mono and stereo files are read";
        return false;
    }
    if (info.samplerate <= 0) {
        error = path + ": no sample rate";
        return false;
    }
    const int channels = info.channels;
    auto meter = std::make_unique<LevelMeter>(channels, info.samplerate);
    LevelMeter& levels = *meter;
    if (!levels.ok()) {
        error = path + ": the loudness meter does not take " + std::to_string(info.samplerate) + " Hz";
        return false;
    }
    std::unique_ptr<LongTermSpectrum> ltas;
    if (spectrum != SpectrumOf::None) ltas = std::make_unique<LongTermSpectrum>(channels, info.samplerate);

    constexpr long long kBlock = 8192;
    std::vector<float> block(static_cast<size_t>(kBlock * channels)), matrixed;
    if (spectrum == SpectrumOf::MidSide) matrixed.resize(block.size());
    Progress bar(progress && stderrIsTerminal() && info.frames > 10LL * info.samplerate, info.frames);
    long long done = 0;
    for (;;) {
        const sf_count_t got = sf_readf_float(file, block.data(), kBlock);
        if (got <= 0) break;
        levels.add(block.data(), got);
        if (ltas && spectrum == SpectrumOf::MidSide && channels == 2) {
            for (sf_count_t i = 0; i < got; ++i) {
                const float l = block[static_cast<size_t>(2 * i)], r = block[static_cast<size_t>(2 * i + 1)];
                matrixed[static_cast<size_t>(2 * i)] = 0.5f * (l + r);
                matrixed[static_cast<size_t>(2 * i + 1)] = 0.5f * (l - r);
            }
            ltas->add(matrixed.data(), got);
        } else if (ltas) {
            ltas->add(block.data(), got);
        }
        done += got;
        bar.update(done);
        if (framesDone) framesDone(done);
    }
    bar.finish();
    if (sf_error(file) != SF_ERR_NO_ERROR) {
        error = path + ": " + sf_strerror(file);
        return false;
    }
    out.path = path;
    out.levels = levels.report();
    out.meter = std::move(meter);
    if (ltas) {
        out.power = ltas->power();
        out.transformSize = ltas->size();
    }
    return true;
}

} // namespace vosk

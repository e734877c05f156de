// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// vosk render: an audio file through the plug-in into a file of the same
// rate, channels and length, in the format its name asks for.
#include "audioformat.h"
#include "commands.h"
#include "hosting/fileio.h"
#include "source/parameterids.h"
#include "levels.h"
#include "platform.h"

#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace vosk {
namespace {

struct SndFile
{
    SNDFILE* file = nullptr;
    ~SndFile()
    {
        if (file) sf_close(file);
    }
};

std::string decibels(double linear)
{
    if (linear <= 0.0) return "-inf dBFS";
    char text[32];
    snprintf(text, sizeof text, "%+.2f dBFS", 20.0 * std::log10(linear));
    return text;
}

// Integer files cannot hold overs: say plainly that the file is clipped.
// Floating-point files keep them.
void reportLevels(const SampleWriter& writer, const std::string& path)
{
    if (writer.integer() && writer.clippedSamples() > 0) {
        warn("%s holds clipped audio: %lld samples were beyond full scale (peak before conversion %s)\n",
             path.c_str(), writer.clippedSamples(), decibels(writer.peak()).c_str());
        return;
    }
    note("output peak %s", decibels(writer.peak()).c_str());
    if (writer.samplesAboveFullScale() > 0)
        note(", %lld samples above full scale, kept as floating point", writer.samplesAboveFullScale());
    note("\n");
}

void reportLoudness(const LevelReport& in, const LevelReport& out)
{
    note("loudness: input %s, true peak %s; output %s, true peak %s\n",
         formatLevel(in.integratedLufs, "LUFS").c_str(), formatLevel(in.truePeakDbtp, "dBTP").c_str(),
         formatLevel(out.integratedLufs, "LUFS").c_str(), formatLevel(out.truePeakDbtp, "dBTP").c_str());
    if (out.truePeakDbtp && *out.truePeakDbtp > kTruePeakLimitDbtp)
        warn("the output's true peak, %.1f dBTP, is above %.0f dBTP, a common delivery limit\n",
             *out.truePeakDbtp, kTruePeakLimitDbtp);
}

} // namespace

int runRender(const CommandLine& cmd)
{
    const std::string& inPath = cmd.positional[0];
    const std::string& outPath = cmd.positional[1];

    // Everything that can be checked is checked, and every output opened,
    // before the work starts: a command that fails leaves nothing new.
    if (outPath == "-" && cmd.savePreset == "-")
        return fail("the audio and the preset cannot both go to standard output");
    if (inPath == "-" && cmd.preset == "-")
        return fail("the audio and the preset cannot both come from standard input");
    SF_INFO info{};
    SndFile in;
    if (inPath != "-" && !fileExists(inPath)) return fail("cannot read " + inPath + ": no such file");
    if (isFolder(inPath)) return fail(inPath + " is a folder, not an audio file");
    if (isFolder(outPath)) return fail(outPath + " is a folder; give a file name");
    in.file = sf_open(inPath.c_str(), SFM_READ, &info);
    if (!in.file) return fail("cannot read " + inPath + ": " + sf_strerror(nullptr));
    if (outPath != "-" && (outPath == inPath || sameFile(inPath, outPath)))
        return fail("the output " + outPath + " is the input file; choose another name");
    if (info.channels != 1 && info.channels != 2)
        return fail(inPath + " has " + std::to_string(info.channels) +
                    " channels; only mono and stereo files can be rendered");
    if (info.samplerate <= 0) return fail(inPath + ": no sample rate");
    if (!cmd.savePreset.empty() && cmd.savePreset != "-" &&
        (cmd.savePreset == inPath || sameFile(cmd.savePreset, inPath)))
        return fail("--save-preset would overwrite the input file");

    SF_INFO outInfo{};
    outInfo.samplerate = info.samplerate;
    outInfo.channels = info.channels;
    std::string error;
    if (!chooseOutputFormat({outPath, cmd.format, cmd.bits}, info.format, outInfo.format, error))
        return failUsage(error);
    if (!sf_format_check(&outInfo))
        return fail("cannot write " + describeFormat(outInfo.format) + " at " +
                    std::to_string(info.samplerate) + " Hz with " + std::to_string(info.channels) +
                    " channels");
    OutputFile out(outPath);
    if (!out.ok()) return fail(out.error());
    std::unique_ptr<OutputFile> presetOut;
    if (!cmd.savePreset.empty()) {
        presetOut = std::make_unique<OutputFile>(cmd.savePreset);
        if (!presetOut->ok()) return fail(presetOut->error());
    }

    auto plugin = preparePlugin(cmd, false);
    if (!plugin) return 1;

    const int channels = info.channels;
    const auto block = static_cast<int32_t>(cmd.block);
    if (!plugin->start(info.samplerate, block, channels, error)) return fail(error);
    const long long latency = cmd.compensate ? plugin->latencySamples() : 0;
    // --tail: the filter's decay after the input's end, as long as the plug-in
    // reports it to any host.
    const long long decay = plugin->tailSamples() == Steinberg::Vst::kInfiniteTail ? plugin->latencySamples()
                                                                                   : plugin->tailSamples();
    const long long extra = cmd.tail ? decay + (cmd.compensate ? 0 : plugin->latencySamples()) : 0;

    // The meters, as the plug-in reports them.
    double meterPeak[2] = {0, 0};
    bool clipped[2] = {false, false};
    plugin->setOutputListener([&](uint32_t id, double value) {
        if (id == VuMeterLeft) meterPeak[0] = std::max(meterPeak[0], value);
        if (id == VUMeterRight) meterPeak[1] = std::max(meterPeak[1], value);
        if (id == kLpeak && value > 0.5) clipped[0] = true;
        if (id == kRpeak && value > 0.5) clipped[1] = true;
    });

    SndFile outFile;
    outFile.file = sf_open_fd(out.descriptor(), SFM_WRITE, &outInfo, SF_FALSE);
    if (!outFile.file) return fail("cannot write " + outPath + ": " + sf_strerror(nullptr));
    SampleWriter writer(outFile.file, outInfo.format, channels, cmd.dither);

    std::vector<float> interleaved(static_cast<size_t>(block) * channels);
    std::vector<float> planarIn[2], planarOut[2];
    for (int c = 0; c < channels; ++c) {
        planarIn[c].assign(block, 0.0f);
        planarOut[c].assign(block, 0.0f);
    }
    const float* inPtr[2] = {planarIn[0].data(), channels > 1 ? planarIn[1].data() : nullptr};
    float* outPtr[2] = {planarOut[0].data(), channels > 1 ? planarOut[1].data() : nullptr};

    // Loudness and true peak of what goes in and what comes out.
    BackgroundLevelMeter inputLevels(channels, info.samplerate), outputLevels(channels, info.samplerate);
    const long long totalFrames = info.frames;
    Progress progress(!cmd.quiet && stderrIsTerminal() && totalFrames > 10LL * info.samplerate, totalFrames);
    long long framesRead = 0, framesWritten = 0, toSkip = latency;
    bool inputDone = false;

    // Runs until every input frame (and with --tail the decay) has come out
    // again: the latency is fed as zeros after the end and dropped from the
    // start.
    auto framesWanted = [&] { return framesRead + (inputDone ? extra : 0); };
    while (!inputDone || framesWritten < framesWanted()) {
        sf_count_t got = 0;
        if (!inputDone) {
            got = sf_readf_float(in.file, interleaved.data(), block);
            if (got < block) {
                if (sf_error(in.file) != SF_ERR_NO_ERROR) return fail(inPath + ": " + sf_strerror(in.file));
                inputDone = true;
            }
            framesRead += got;
            inputLevels.add(interleaved.data(), got);
        }
        const int32_t n = block;
        for (int32_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                planarIn[c][i] = i < got ? interleaved[static_cast<size_t>(i) * channels + c] : 0.0f;
        if (inputDone && !cmd.compensate && framesWritten >= framesWanted()) break;
        plugin->process(inPtr, outPtr, n);

        int32_t first = 0;
        if (toSkip > 0) {
            first = static_cast<int32_t>(std::min<long long>(toSkip, n));
            toSkip -= first;
        }
        const long long wanted = framesWanted() - framesWritten;
        const int32_t count = static_cast<int32_t>(std::min<long long>(n - first, std::max(0LL, wanted)));
        for (int32_t i = 0; i < count; ++i)
            for (int c = 0; c < channels; ++c)
                interleaved[static_cast<size_t>(i) * channels + c] = planarOut[c][first + i];
        outputLevels.add(interleaved.data(), count);
        if (count > 0 && !writer.write(interleaved.data(), count))
            return fail("cannot write " + outPath + ": " + sf_strerror(outFile.file));
        framesWritten += count;
        progress.update(framesWritten);
    }
    progress.finish();
    plugin->stop();

    const int closed = sf_close(outFile.file);
    outFile.file = nullptr;
    if (closed != 0) return fail("cannot finish " + outPath);
    if (presetOut) {
        std::vector<uint8_t> presetImage;
        if (!plugin->savePreset(presetImage, error)) return fail(error);
        if (!writeAll(presetOut->descriptor(), presetImage, error))
            return fail(cmd.savePreset + ": " + error);
    }
    if (!out.commit(error)) return fail(error);
    if (presetOut) {
        if (!presetOut->commit(error)) return fail(error);
        note("saved preset %s\n", cmd.savePreset.c_str());
    }

    note("wrote %s: %lld frame%s, %d channel%s, %d Hz, %s%s\n", outPath.c_str(), framesWritten,
         framesWritten == 1 ? "" : "s", channels, channels == 1 ? "" : "s", info.samplerate,
         describeFormat(outInfo.format).c_str(), writer.dithered() ? ", TPDF dither" : "");
    note("latency %lld samples %s\n", static_cast<long long>(plugin->latencySamples()),
         cmd.compensate ? "compensated" : "not compensated");
    if (channels == 2)
        note("meters: peak L %s, R %s; clip L %s, R %s\n", decibels(meterPeak[0]).c_str(),
             decibels(meterPeak[1]).c_str(), clipped[0] ? "yes" : "no", clipped[1] ? "yes" : "no");
    else
        note("meters: peak %s; clip %s\n", decibels(meterPeak[0]).c_str(), clipped[0] ? "yes" : "no");
    reportLevels(writer, outPath);
    reportLoudness(inputLevels.finish(), outputLevels.finish());
    return 0;
}

} // namespace vosk

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "renderjob.h"

#include "audioformat.h"
#include "listen.h"
#include "pipeline.h"
#include "platform.h"
#include "sndfileio.h"
#include "hosting/fileio.h"
#include "source/parameterids.h"

#include <sndfile.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>

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

// Blocks of this many frames go between the stages; each pool holds about
// three seconds at 44.1 kHz. A stage that waits is woken for a quarter of a
// pool's blocks (the processing for its input: for one), a producer for half.
constexpr long long kBlockFrames = 8192;
constexpr size_t kBlocksInFlight = 16;
constexpr size_t kBatch = kBlocksInFlight / 4, kRefill = kBlocksInFlight / 2;

// The processing thread's side of the input: frames taken from the reader's
// blocks into the plug-in's channel buffers.
class PlanarSource
{
public:
    PlanarSource(HandOver<SharedBlock>& blocks, int channelCount) : queue(blocks), channels(channelCount) {}

    // Fills up to `n` frames of each channel; fewer only where the input ends
    // (or the pipeline was cancelled).
    long long read(float* const* planar, long long n)
    {
        long long got = 0;
        while (got < n) {
            if (!current || offset == current->frames) {
                current.reset();
                if (!queue.pop(current)) break;
                offset = 0;
                continue;
            }
            const long long take = std::min(n - got, current->frames - offset);
            deinterleave(current->samples.data() + offset * channels, channels, take, planar, got);
            got += take;
            offset += take;
        }
        return got;
    }

private:
    HandOver<SharedBlock>& queue;
    int channels;
    SharedBlock current;
    long long offset = 0;
};

// The processing thread's side of the output: frames interleaved into blocks
// for the writer and the output meter.
class InterleavedSink
{
public:
    // The pool's blocks hold `frames`, at least a piece's length.
    InterleavedSink(BlockPool& blocks, long long frames, int channelCount,
                    std::vector<HandOver<SharedBlock>*> consumers)
        : pool(blocks), channels(channelCount), capacity(frames), stages(std::move(consumers))
    {
    }

    // Adds one piece; false when the pipeline was cancelled. A piece is never
    // split between blocks.
    bool write(const float* const* planar, long long first, long long count)
    {
        if (count <= 0) return true;
        if (current && current->frames + count > capacity) send();
        if (!current && !(current = pool.acquire())) return false;
        interleave(planar, first, channels, count, current->samples.data() + current->frames * channels);
        current->frames += count;
        current->pieces.push_back(count);
        return true;
    }

    void finish()
    {
        if (current && current->frames > 0) send();
        current.reset();
        for (auto* stage : stages) stage->close();
    }

private:
    void send()
    {
        const SharedBlock block = std::move(current);
        for (auto* stage : stages) stage->push(block);
    }

    BlockPool& pool;
    int channels;
    long long capacity;
    std::vector<HandOver<SharedBlock>*> stages;
    std::shared_ptr<FrameBlock> current;
};

// A failure on a stage's thread, reported once the stages are joined.
struct StageFailure
{
    std::atomic<bool> happened{false};
    std::string message;

    void set(std::string text, const std::function<void()>& cancel)
    {
        if (!happened.exchange(true)) message = std::move(text);
        cancel();
    }
};

std::string decibels(double linear)
{
    if (linear <= 0.0) return "-inf dBFS";
    char text[32];
    snprintf(text, sizeof text, "%+.2f dBFS", 20.0 * std::log10(linear));
    return text;
}

} // namespace

RenderOutcome renderFile(const CommandLine& cmd, const RenderRequest& request)
{
    RenderOutcome outcome;
    const std::string& inPath = request.inPath;
    const std::string& outPath = request.outPath;
    outcome.outPath = outPath;
    auto failed = [&](std::string message, int status = 1) {
        outcome.status = status;
        outcome.error = std::move(message);
        return std::move(outcome);
    };

    // Everything that can be checked is checked, and every output opened,
    // before the work starts: a command that fails leaves nothing new.
    if (outPath == "-" && cmd.savePreset == "-")
        return failed("the audio and the preset cannot both go to standard output");
    if (inPath == "-" && cmd.preset == "-")
        return failed("the audio and the preset cannot both come from standard input");
    std::string error;
    ListeningRequest listening;
    if (!cmd.listen.empty() && !parseListen(cmd.listen, listening, error)) return failed(error, 2);
    if (listening.compare && inPath == "-") return failed("--listen compare reads the input twice: give a file");
    SF_INFO info{};
    GatheredInput gatheredIn;
    SndFile in;
    if (inPath != "-" && !fileExists(inPath)) return failed("cannot read " + inPath + ": no such file");
    if (isFolder(inPath)) return failed(inPath + " is a folder, not an audio file");
    if (isFolder(outPath)) return failed(outPath + " is a folder; give a file name");
    in.file = inPath == "-" ? sf_open(inPath.c_str(), SFM_READ, &info) : gatheredIn.open(inPath, &info);
    if (!in.file) return failed("cannot read " + inPath + ": " + sf_strerror(nullptr));
    if (outPath != "-" && (outPath == inPath || sameFile(inPath, outPath)))
        return failed("the output " + outPath + " is the input file; choose another name");
    if (info.channels != 1 && info.channels != 2)
        return failed(inPath + " has " + std::to_string(info.channels) +
                      " channels; only mono and stereo files can be rendered");
    if (info.samplerate <= 0) return failed(inPath + ": no sample rate");
    if (!cmd.savePreset.empty() && cmd.savePreset != "-" &&
        (cmd.savePreset == inPath || sameFile(cmd.savePreset, inPath)))
        return failed("--save-preset would overwrite the input file");

    SF_INFO outInfo{};
    outInfo.samplerate = info.samplerate;
    outInfo.channels = info.channels;
    if (!chooseOutputFormat({outPath, cmd.format, cmd.bits}, info.format, outInfo.format, error))
        return failed(error, 2);
    if (!sf_format_check(&outInfo))
        return failed("cannot write " + describeFormat(outInfo.format) + " at " + std::to_string(info.samplerate) +
                      " Hz with " + std::to_string(info.channels) + " channels");
    OutputFile out(outPath);
    if (!out.ok()) return failed(out.error());
    std::unique_ptr<OutputFile> presetOut;
    if (!cmd.savePreset.empty()) {
        presetOut = std::make_unique<OutputFile>(cmd.savePreset);
        if (!presetOut->ok()) return failed(presetOut->error());
    }

    const int channels = info.channels;
    const auto block = static_cast<int32_t>(cmd.block);
    GatheredOutput gathered(out.descriptor(), !out.isStandardOutput() && fileExists(outPath) && !isFolder(outPath));
    SndFile outFile;
    outFile.file = gathered.open(&outInfo);
    if (!outFile.file) return failed("cannot write " + outPath + ": " + sf_strerror(nullptr));
    auto writeError = [&] {
        return "cannot write " + outPath + ": " + (gathered.error().empty() ? sf_strerror(outFile.file) : gathered.error());
    };
    SampleWriter writer(outFile.file, outInfo.format, channels, cmd.dither);

    // Loudness and true peak of what goes in and what comes out.
    std::unique_ptr<LevelMeter> inputLevels, outputLevels;
    if (request.measureInput) inputLevels = std::make_unique<LevelMeter>(channels, info.samplerate, MeterScope{false, false});
    if (request.measureOutput)
        outputLevels = std::make_unique<LevelMeter>(channels, info.samplerate,
                                                    MeterScope{request.outputLoudnessRange, false});

    // Reader -> (input meter, processing) -> (writer, output meter).
    const size_t blockSamples = static_cast<size_t>(kBlockFrames) * channels;
    // An output block holds whole processing blocks.
    const long long outputFrames = std::max<long long>(kBlockFrames, block);
    BlockPool inputBlocks(kBlocksInFlight, blockSamples, kRefill),
        outputBlocks(kBlocksInFlight, static_cast<size_t>(outputFrames) * channels, kRefill);
    HandOver<SharedBlock> toProcess, toInputMeter(kBatch), toWriter(kBatch), toOutputMeter(kBatch);
    SampleReader reader(in.file, info.format, channels);
    StageFailure readFailure, writeFailure;
    auto cancel = [&] {
        inputBlocks.cancel();
        outputBlocks.cancel();
        for (auto* q : {&toProcess, &toInputMeter, &toWriter, &toOutputMeter}) q->cancel();
    };
    StageThreads stages(cancel);
    auto meterStage = [](HandOver<SharedBlock>& queue, LevelMeter& meter) {
        return [&queue, &meter] {
            SharedBlock b;
            while (queue.pop(b)) {
                meter.add(b->samples.data(), b->frames);
                b.reset();
            }
        };
    };
    // The input is read and measured while the plug-in loads, unless a
    // listening tool reads it first.
    auto startInput = [&] {
        stages.start([&] {
            for (;;) {
                std::shared_ptr<FrameBlock> b = inputBlocks.acquire();
                if (!b) break;
                const sf_count_t got = reader.read(b->samples.data(), kBlockFrames);
                b->frames = std::max<sf_count_t>(got, 0);
                const bool last = b->frames < kBlockFrames;
                if (last && sf_error(in.file) != SF_ERR_NO_ERROR) {
                    readFailure.set(inPath + ": " + sf_strerror(in.file), cancel);
                    break;
                }
                const SharedBlock shared = std::move(b);
                if (inputLevels) toInputMeter.push(shared);
                toProcess.push(shared);
                if (last) break;
            }
            toProcess.close();
            toInputMeter.close();
        });
        if (inputLevels) stages.start(meterStage(toInputMeter, *inputLevels));
    };
    if (!listening.any()) startInput();

    auto asMainThread = [&] {
        return request.mainThread ? std::unique_lock<std::mutex>(*request.mainThread) : std::unique_lock<std::mutex>();
    };
    std::unique_ptr<HostedPlugin> plugin;
    {
        const auto lifecycle = asMainThread();
        plugin = preparePlugin(cmd, !request.announceSettings);
    }
    if (!plugin) return failed("");
    struct Unload
    {
        std::unique_ptr<HostedPlugin>& plugin;
        std::function<std::unique_lock<std::mutex>()> lock;
        ~Unload()
        {
            const auto lifecycle = lock();
            plugin.reset(); // stops it first, where it still runs
        }
    } unload{plugin, asMainThread};

    bool started;
    {
        const auto lifecycle = asMainThread();
        // Listening is heard while the music plays: an offline render plays the settings.
        started = plugin->start(info.samplerate, block, channels, error, !listening.any());
    }
    if (!started) return failed(error);
    if (listening.any() && !startListening(*plugin, listening, in.file, channels, block, error))
        return failed(inPath + ": " + error);
    if (listening.any()) startInput();
    const long long latency = cmd.compensate ? plugin->latencySamples() : 0;
    // --tail: the filter's decay after the input's end, as long as the plug-in
    // reports it to any host.
    const long long decay = plugin->tailSamples() == Steinberg::Vst::kInfiniteTail ? plugin->latencySamples()
                                                                                   : plugin->tailSamples();
    const long long extra = cmd.tail ? decay + (cmd.compensate ? 0 : plugin->latencySamples()) : 0;

    // The meters, as the plug-in reports them.
    plugin->setOutputListener([&](uint32_t id, double value) {
        if (id == VuMeterLeft) outcome.meterPeak[0] = std::max(outcome.meterPeak[0], value);
        if (id == VUMeterRight) outcome.meterPeak[1] = std::max(outcome.meterPeak[1], value);
        if (id == kLpeak && value > 0.5) outcome.clipped[0] = true;
        if (id == kRpeak && value > 0.5) outcome.clipped[1] = true;
    });

    if (outputLevels) stages.start(meterStage(toOutputMeter, *outputLevels));
    stages.start([&] {
        SharedBlock b;
        while (toWriter.pop(b)) {
            // In the pieces the processing gave, as an encoder would have had them.
            const float* piece = b->samples.data();
            for (long long frames : b->pieces) {
                if (!writer.write(piece, frames)) {
                    writeFailure.set(writeError(), cancel);
                    return;
                }
                piece += frames * channels;
            }
            b.reset();
        }
    });

    std::vector<float> planarIn[2], planarOut[2];
    for (int c = 0; c < channels; ++c) {
        planarIn[c].assign(block, 0.0f);
        planarOut[c].assign(block, 0.0f);
    }
    float* inPtr[2] = {planarIn[0].data(), channels > 1 ? planarIn[1].data() : nullptr};
    float* outPtr[2] = {planarOut[0].data(), channels > 1 ? planarOut[1].data() : nullptr};
    PlanarSource source(toProcess, channels);
    std::vector<HandOver<SharedBlock>*> outputStages = {&toWriter};
    if (outputLevels) outputStages.push_back(&toOutputMeter);
    InterleavedSink sink(outputBlocks, outputFrames, channels, outputStages);

    Progress bar(request.progressBar && !cmd.quiet && stderrIsTerminal() && info.frames > 10LL * info.samplerate,
                 info.frames);
    long long framesRead = 0, framesWritten = 0, toSkip = latency;
    bool inputDone = false;

    // Runs until every input frame (and with --tail the decay) has come out
    // again: the latency is fed as zeros after the end and dropped from the
    // start.
    auto framesWanted = [&] { return framesRead + (inputDone ? extra : 0); };
    while (!inputDone || framesWritten < framesWanted()) {
        long long got = 0;
        if (!inputDone) {
            got = source.read(inPtr, block);
            if (got < block) inputDone = true;
            framesRead += got;
        }
        for (int c = 0; c < channels; ++c) std::fill(planarIn[c].begin() + got, planarIn[c].end(), 0.0f);
        if (inputDone && !cmd.compensate && framesWritten >= framesWanted()) break;
        const int32_t n = block;
        plugin->process(inPtr, outPtr, n);

        int32_t first = 0;
        if (toSkip > 0) {
            first = static_cast<int32_t>(std::min<long long>(toSkip, n));
            toSkip -= first;
        }
        const long long wanted = framesWanted() - framesWritten;
        const int32_t count = static_cast<int32_t>(std::min<long long>(n - first, std::max(0LL, wanted)));
        if (!sink.write(outPtr, first, count)) break;
        framesWritten += count;
        bar.update(framesWritten);
        if (request.progress) request.progress(framesWritten);
    }
    bar.finish();
    sink.finish();
    stages.join();
    {
        const auto lifecycle = asMainThread();
        plugin->stop();
    }
    if (readFailure.happened) return failed(readFailure.message);
    if (writeFailure.happened) return failed(writeFailure.message);

    const int closed = sf_close(outFile.file);
    outFile.file = nullptr;
    if (!gathered.flush()) return failed(writeError());
    if (closed != 0) return failed("cannot finish " + outPath);
    if (presetOut) {
        std::vector<uint8_t> presetImage;
        if (!plugin->savePreset(presetImage, error)) return failed(error);
        if (!writeAll(presetOut->descriptor(), presetImage, error)) return failed(cmd.savePreset + ": " + error);
    }
    if (!out.commit(error)) return failed(error);
    if (presetOut) {
        if (!presetOut->commit(error)) return failed(error);
        outcome.presetPath = cmd.savePreset;
    }

    outcome.frames = framesWritten;
    outcome.channels = channels;
    outcome.rate = info.samplerate;
    outcome.format = describeFormat(outInfo.format);
    outcome.dithered = writer.dithered();
    outcome.latency = plugin->latencySamples();
    outcome.compensated = cmd.compensate;
    if (listening.any()) outcome.listening = describeListen(listening);
    outcome.integerSamples = writer.integer();
    outcome.clippedSamples = writer.clippedSamples();
    outcome.samplesAboveFullScale = writer.samplesAboveFullScale();
    outcome.outputPeak = writer.peak();
    if (inputLevels) outcome.input = inputLevels->report();
    if (outputLevels) outcome.output = outputLevels->report();
    outcome.outputMeter = std::move(outputLevels);
    return outcome;
}

void printRenderReport(const RenderOutcome& o, bool perFile)
{
    if (!o.presetPath.empty()) note("saved preset %s\n", o.presetPath.c_str());
    note("wrote %s: %lld frame%s, %d channel%s, %d Hz, %s%s\n", o.outPath.c_str(), o.frames, o.frames == 1 ? "" : "s",
         o.channels, o.channels == 1 ? "" : "s", o.rate, o.format.c_str(), o.dithered ? ", TPDF dither" : "");
    if (!perFile) {
        note("latency %lld samples %s\n", o.latency, o.compensated ? "compensated" : "not compensated");
        if (!o.listening.empty()) note("listening: %s, not the settings' output\n", o.listening.c_str());
        if (o.channels == 2)
            note("meters: peak L %s, R %s; clip L %s, R %s\n", decibels(o.meterPeak[0]).c_str(),
                 decibels(o.meterPeak[1]).c_str(), o.clipped[0] ? "yes" : "no", o.clipped[1] ? "yes" : "no");
        else
            note("meters: peak %s; clip %s\n", decibels(o.meterPeak[0]).c_str(), o.clipped[0] ? "yes" : "no");
    }

    // Integer files cannot hold overs: say plainly that the file is clipped.
    // Floating-point files keep them.
    if (o.integerSamples && o.clippedSamples > 0) {
        warn("%s holds clipped audio: %lld samples were beyond full scale (peak before conversion %s)\n",
             o.outPath.c_str(), o.clippedSamples, decibels(o.outputPeak).c_str());
    } else {
        note("output peak %s", decibels(o.outputPeak).c_str());
        if (o.samplesAboveFullScale > 0)
            note(", %lld samples above full scale, kept as floating point", o.samplesAboveFullScale);
        note("\n");
    }

    if (!o.input || !o.output) return;
    const LevelReport &in = *o.input, &out = *o.output;
    note("loudness: input %s, true peak %s; output %s, true peak %s\n",
         formatLevel(in.integratedLufs, "LUFS").c_str(), formatLevel(in.truePeakDbtp, "dBTP").c_str(),
         formatLevel(out.integratedLufs, "LUFS").c_str(), formatLevel(out.truePeakDbtp, "dBTP").c_str());
    if (out.truePeakDbtp && *out.truePeakDbtp > kTruePeakLimitDbtp)
        warn("the output's true peak, %.1f dBTP, is above %.0f dBTP, a common delivery limit\n",
             *out.truePeakDbtp, kTruePeakLimitDbtp);
}

} // namespace vosk

// vosk render: an audio file through the plug-in into a file of the same
// format, sample type and length.
#include "commands.h"
#include "fileio.h"
#include "parameterids.h"
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

std::string formatName(int format)
{
    SF_FORMAT_INFO info{};
    std::string major = "?", minor = "?";
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) major = info.name;
    info = {};
    info.format = format & SF_FORMAT_SUBMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name) minor = info.name;
    return major + ", " + minor;
}

std::string decibels(double linear)
{
    if (linear <= 0.0) return "-inf dBFS";
    char text[32];
    snprintf(text, sizeof text, "%.2f dBFS", 20.0 * std::log10(linear));
    return text;
}

class Progress
{
public:
    Progress(bool enabled, long long frames) : on(enabled && frames > 0), total(frames) {}
    void update(long long done)
    {
        if (!on) return;
        const int percent = static_cast<int>(100 * std::min(done, total) / total);
        if (percent == last) return;
        last = percent;
        const int width = 40, filled = percent * width / 100;
        fprintf(stderr, "\r[%.*s%*s] %3d%%", filled, "########################################",
                width - filled, "", percent);
        fflush(stderr);
    }
    void finish()
    {
        if (on && last >= 0) fprintf(stderr, "\r%*s\r", 50, "");
    }

private:
    bool on;
    long long total;
    int last = -1;
};

} // namespace

int runRender(const CommandLine& cmd)
{
    const std::string& inPath = cmd.positional[0];
    const std::string& outPath = cmd.positional[1];

    // Everything that can be checked is checked before a byte is written.
    SF_INFO info{};
    SndFile in;
    in.file = sf_open(inPath.c_str(), SFM_READ, &info);
    if (!in.file) return fail("cannot read " + inPath + ": " + sf_strerror(nullptr));
    if (outPath == inPath || sameFile(inPath, outPath))
        return fail("the output " + outPath + " is the input file; choose another name");
    if (info.channels != 1 && info.channels != 2)
        return fail(inPath + " has " + std::to_string(info.channels) +
                    " channels; only mono and stereo files can be rendered");
    if (info.samplerate <= 0) return fail(inPath + ": no sample rate");
    if (!cmd.savePreset.empty() && (cmd.savePreset == inPath || sameFile(cmd.savePreset, inPath)))
        return fail("--save-preset would overwrite the input file");

    auto plugin = preparePlugin(cmd, false);
    if (!plugin) return 1;

    const int channels = info.channels;
    const auto block = static_cast<int32_t>(cmd.block);
    std::string error;
    if (!plugin->start(info.samplerate, block, channels, error)) return fail(error);
    const long long latency = cmd.compensate ? plugin->latencySamples() : 0;

    // The meters, as the plug-in reports them.
    double meterPeak[2] = {0, 0};
    bool clipped[2] = {false, false};
    plugin->setOutputListener([&](uint32_t id, double value) {
        if (id == VuMeterLeft) meterPeak[0] = std::max(meterPeak[0], value);
        if (id == VUMeterRight) meterPeak[1] = std::max(meterPeak[1], value);
        if (id == kLpeak && value > 0.5) clipped[0] = true;
        if (id == kRpeak && value > 0.5) clipped[1] = true;
    });

    TempFile temp(outPath);
    if (!temp.ok()) return fail(outPath + ": " + temp.error());
    SF_INFO outInfo{};
    outInfo.samplerate = info.samplerate;
    outInfo.channels = info.channels;
    outInfo.format = info.format;
    if (!sf_format_check(&outInfo))
        return fail("libsndfile cannot write " + formatName(info.format) + " files like " + inPath);
    SndFile out;
    out.file = sf_open_fd(temp.descriptor(), SFM_WRITE, &outInfo, SF_TRUE);
    if (!out.file) return fail("cannot write " + outPath + ": " + sf_strerror(nullptr));
    temp.release(); // libsndfile closes the descriptor
    // Integer formats: clip instead of wrapping around.
    sf_command(out.file, SFC_SET_CLIPPING, nullptr, SF_TRUE);

    std::vector<float> interleaved(static_cast<size_t>(block) * channels);
    std::vector<float> planarIn[2], planarOut[2];
    for (int c = 0; c < channels; ++c) {
        planarIn[c].assign(block, 0.0f);
        planarOut[c].assign(block, 0.0f);
    }
    const float* inPtr[2] = {planarIn[0].data(), channels > 1 ? planarIn[1].data() : nullptr};
    float* outPtr[2] = {planarOut[0].data(), channels > 1 ? planarOut[1].data() : nullptr};

    const long long totalFrames = info.frames;
    Progress progress(stderrIsTerminal() && totalFrames > 10LL * info.samplerate, totalFrames);
    long long framesRead = 0, framesWritten = 0, toSkip = latency;
    bool inputDone = false;
    double filePeak = 0;
    long long fullScaleSamples = 0;

    // Runs until every input frame has come out again: the latency is fed as
    // zeros after the end and dropped from the start.
    while (!inputDone || framesWritten < framesRead) {
        sf_count_t got = 0;
        if (!inputDone) {
            got = sf_readf_float(in.file, interleaved.data(), block);
            if (got < block) {
                if (sf_error(in.file) != SF_ERR_NO_ERROR) return fail(inPath + ": " + sf_strerror(in.file));
                inputDone = true;
            }
            framesRead += got;
        }
        const int32_t n = block;
        for (int32_t i = 0; i < n; ++i)
            for (int c = 0; c < channels; ++c)
                planarIn[c][i] = i < got ? interleaved[static_cast<size_t>(i) * channels + c] : 0.0f;
        if (inputDone && !cmd.compensate && framesWritten >= framesRead) break;
        plugin->process(inPtr, outPtr, n);

        int32_t first = 0;
        if (toSkip > 0) {
            first = static_cast<int32_t>(std::min<long long>(toSkip, n));
            toSkip -= first;
        }
        const long long wanted = framesRead - framesWritten;
        const int32_t count = static_cast<int32_t>(std::min<long long>(n - first, std::max(0LL, wanted)));
        for (int32_t i = 0; i < count; ++i) {
            for (int c = 0; c < channels; ++c) {
                const float v = planarOut[c][first + i];
                interleaved[static_cast<size_t>(i) * channels + c] = v;
                const double a = std::fabs(v);
                if (a > filePeak) filePeak = a;
                if (a >= 1.0) ++fullScaleSamples;
            }
        }
        if (count > 0 && sf_writef_float(out.file, interleaved.data(), count) != count)
            return fail("cannot write " + outPath + ": " + sf_strerror(out.file));
        framesWritten += count;
        progress.update(framesWritten);
    }
    progress.finish();
    plugin->stop();

    if (sf_close(out.file) != 0) {
        out.file = nullptr;
        return fail("cannot finish " + outPath);
    }
    out.file = nullptr;
    if (!temp.commit(error)) return fail(error);

    if (!cmd.savePreset.empty()) {
        if (!plugin->savePresetFile(cmd.savePreset, error)) return fail(error);
        printf("saved preset %s\n", cmd.savePreset.c_str());
    }

    printf("wrote %s: %lld frames, %d channel%s, %d Hz, %s\n", outPath.c_str(), framesWritten, channels,
           channels == 1 ? "" : "s", info.samplerate, formatName(info.format).c_str());
    printf("latency %lld samples %s\n", static_cast<long long>(plugin->latencySamples()),
           cmd.compensate ? "compensated" : "not compensated");
    if (channels == 2)
        printf("meters: peak L %s, R %s; clip L %s, R %s\n", decibels(meterPeak[0]).c_str(),
               decibels(meterPeak[1]).c_str(), clipped[0] ? "yes" : "no", clipped[1] ? "yes" : "no");
    else
        printf("meters: peak %s; clip %s\n", decibels(meterPeak[0]).c_str(), clipped[0] ? "yes" : "no");
    printf("output peak %s", decibels(filePeak).c_str());
    if (fullScaleSamples > 0) printf(", %lld samples at or above full scale", fullScaleSamples);
    printf("\n");
    return 0;
}

} // namespace vosk

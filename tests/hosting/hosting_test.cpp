// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The hosting library against the built bundle: loading, the processor and
// controller pair, processing, presets and the file helpers.
#include "hosting/fileio.h"
#include "hosting/hostedplugin.h"

#include "public.sdk/source/vst/hosting/module.h"
#include "pluginterfaces/vst/ivstaudioprocessor.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>

#if !defined(_WIN32)
#include <cairo.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace vosk;

namespace {

#if !defined(_WIN32)
// The plug-in draws with cairo. A host that uses cairo itself keeps it (and
// pixman) loaded while plug-ins come and go, as the vosk command does; were
// they unloaded with the plug-in, their one-time tables would read as leaks.
const int kCairoStaysLoaded = cairo_version();
#endif

std::unique_ptr<HostedPlugin> loadBundle()
{
    std::string error;
    auto plugin = HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    EXPECT_TRUE(plugin) << error;
    return plugin;
}

std::string scratchFile(const char* name)
{
    static const std::string unique = std::to_string(std::random_device{}());
    return (std::filesystem::temp_directory_path() / ("vosk-hosting-" + unique + "-" + name)).u8string();
}

TEST(Module, LoadsTheBundleAndHandsOutItsFactory)
{
#if !defined(_WIN32)
    ASSERT_GT(kCairoStaysLoaded, 0);
#endif
    std::string error;
    auto module = VST3::Hosting::Module::create(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(module) << error;
    EXPECT_TRUE(module->isBundle());
    EXPECT_EQ(module->getName(), "VOSK");
    ASSERT_TRUE(module->getFactory().get());
    EXPECT_GE(module->getFactory().get()->countClasses(), 2);

    // A second module object for the same library works independently.
    auto again = VST3::Hosting::Module::create(std::string(VOSK_BUNDLE_PATH) + "/", error);
    ASSERT_TRUE(again) << error;
    module.reset();
    EXPECT_GE(again->getFactory().get()->countClasses(), 2);
}

#if !defined(_WIN32) // the Linux loader's messages
TEST(Module, ExplainsWhyItCannotLoad)
{
    std::string error;
    EXPECT_FALSE(VST3::Hosting::Module::create("/nonexistent/Thing.vst3", error));
    EXPECT_NE(error.find("no such file or folder: /nonexistent/Thing.vst3"), std::string::npos) << error;

    // A bundle folder without the library inside names the library it looked for.
    const std::string folder = scratchFile("bundles");
    const std::string bundle = folder + "/Empty.vst3";
    ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
    ASSERT_EQ(mkdir(bundle.c_str(), 0755), 0);
    error.clear();
    EXPECT_FALSE(VST3::Hosting::Module::create(bundle, error));
    EXPECT_NE(error.find("Empty.vst3/Contents/x86_64-linux/Empty.so"), std::string::npos) << error;
    rmdir(bundle.c_str());
    rmdir(folder.c_str());

    // A library without the module entry points is refused.
    error.clear();
    EXPECT_FALSE(VST3::Hosting::Module::create("libm.so.6", error));
    EXPECT_NE(error.find("ModuleEntry"), std::string::npos) << error;
}
#endif

TEST(HostedPlugin, PairsTheProcessorWithItsController)
{
    auto plugin = loadBundle();
    ASSERT_TRUE(plugin);
    const auto& classes = plugin->factory().classes;
    ASSERT_GE(classes.size(), 2u);
    bool processorListed = false, controllerListed = false;
    for (const auto& c : classes) {
        if (c.classId == plugin->processorClassId()) processorListed = c.category == "Audio Module Class";
        if (c.classId == plugin->controllerClassId())
            controllerListed = c.category == "Component Controller Class";
    }
    EXPECT_TRUE(processorListed);
    EXPECT_TRUE(controllerListed);
    EXPECT_NE(plugin->processorClassId(), plugin->controllerClassId());

    const auto buses = plugin->buses();
    ASSERT_FALSE(buses.empty());
    EXPECT_TRUE(buses[0].audio && buses[0].input);
    EXPECT_EQ(buses[0].channelCount, 2);

    EXPECT_EQ(plugin->parameters().size(), static_cast<size_t>(plugin->controller()->getParameterCount()));
}

TEST(HostedPlugin, ProcessesStereoAndMonoBlocks)
{
    auto plugin = loadBundle();
    ASSERT_TRUE(plugin);
    for (int channels : {2, 1}) {
        SCOPED_TRACE(channels);
        std::string error;
        ASSERT_TRUE(plugin->start(44100, 256, channels, error)) << error;
        EXPECT_TRUE(plugin->running());
        EXPECT_EQ(plugin->channels(), channels);
        std::vector<float> in[2], out[2];
        for (int c = 0; c < 2; ++c) {
            in[c].assign(256, 0.0f);
            out[c].assign(256, NAN);
            for (int i = 0; i < 256; ++i) in[c][i] = 0.1f * std::sin(0.05f * i + c);
        }
        const float* ip[2] = {in[0].data(), in[1].data()};
        float* op[2] = {out[0].data(), out[1].data()};
        for (int block = 0; block < 8; ++block) plugin->process(ip, op, block % 2 ? 256 : 100);
        // Every output sample the host asked for was written.
        for (int c = 0; c < channels; ++c)
            for (float v : out[c]) EXPECT_TRUE(std::isfinite(v));
        plugin->stop();
        EXPECT_FALSE(plugin->running());
    }
}

// The processor's reports (meters, link echoes) reach the controller, and a
// listener sees every point.
TEST(HostedPlugin, OutputChangesReachTheController)
{
    auto plugin = loadBundle();
    ASSERT_TRUE(plugin);
    std::vector<std::pair<uint32_t, double>> seen;
    plugin->setOutputListener([&](uint32_t id, double value) { seen.emplace_back(id, value); });
    std::string error;
    ASSERT_TRUE(plugin->start(48000, 512, 2, error)) << error;
    const uint32_t vuLeft = 13, freq1L = 24, freq1R = 20;
    // A move of the left band, which the link carries to the right band.
    plugin->setParameter(freq1L, 0.3);
    std::vector<float> in(512, 0.0f), out[2] = {std::vector<float>(512), std::vector<float>(512)};
    const float* ip[2] = {in.data(), in.data()};
    float* op[2] = {out[0].data(), out[1].data()};
    for (int block = 0; block < 80; ++block) {
        for (int i = 0; i < 512; ++i) in[i] = 0.5f * std::sin(0.03f * (block * 512 + i));
        plugin->process(ip, op, 512);
    }
    plugin->stop();

    double lastMeter = -1;
    bool echoed = false;
    for (const auto& [id, value] : seen) {
        if (id == vuLeft) lastMeter = value;
        if (id == freq1R) echoed = true;
    }
    ASSERT_GT(lastMeter, 0.1) << "no meter reached the host";
    EXPECT_DOUBLE_EQ(plugin->normalizedValue(vuLeft), lastMeter);
    EXPECT_TRUE(echoed);
    EXPECT_NEAR(plugin->normalizedValue(freq1R), plugin->normalizedValue(freq1L), 1e-6);
    EXPECT_NEAR(plugin->normalizedValue(freq1L), 0.3, 1e-6); // echoed in single precision
}

TEST(HostedPlugin, StateTravelsThroughPresets)
{
    auto plugin = loadBundle();
    ASSERT_TRUE(plugin);
    std::vector<uint8_t> image;
    std::string error;
    ASSERT_TRUE(plugin->savePreset(image, error)) << error;
    ASSERT_GT(image.size(), 48u);
    EXPECT_EQ(memcmp(image.data(), "VST3", 4), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(image.data()) + 8, 32), plugin->processorClassId());

    auto other = loadBundle();
    ASSERT_TRUE(other);
    ASSERT_TRUE(other->loadPreset(image, error)) << error;
    EXPECT_EQ(other->componentState(), plugin->componentState());

    // Through a file as well.
    const std::string path = scratchFile("state.vstpreset");
    ASSERT_TRUE(plugin->savePresetFile(path, error)) << error;
    ASSERT_TRUE(other->loadPresetFile(path, error)) << error;
    std::remove(path.c_str());
}

TEST(HostedPlugin, RefusesForeignAndDamagedPresets)
{
    auto plugin = loadBundle();
    ASSERT_TRUE(plugin);
    std::vector<uint8_t> image;
    std::string error;
    ASSERT_TRUE(plugin->savePreset(image, error)) << error;
    const auto before = plugin->componentState();

    auto foreign = image;
    foreign[8] = foreign[8] == '0' ? '1' : '0'; // another class identifier
    EXPECT_FALSE(plugin->loadPreset(foreign, error));
    EXPECT_NE(error.find("another plug-in"), std::string::npos) << error;

    std::vector<uint8_t> truncated(image.begin(), image.begin() + 20);
    EXPECT_FALSE(plugin->loadPreset(truncated, error));
    EXPECT_FALSE(plugin->loadPreset({}, error));
    EXPECT_EQ(plugin->componentState(), before);
}

TEST(FileIo, AtomicWriteReplacesWholeOrNothing)
{
    const std::string path = scratchFile("atomic.bin");
    std::string error;
    ASSERT_TRUE(writeFileAtomically(path, {1, 2, 3}, error)) << error;
    ASSERT_TRUE(writeFileAtomically(path, {4, 5}, error)) << error;
    std::vector<uint8_t> back;
    ASSERT_TRUE(readWholeFile(path, back, error)) << error;
    EXPECT_EQ(back, (std::vector<uint8_t>{4, 5}));

    EXPECT_FALSE(writeFileAtomically(scratchFile("missing-dir/x.bin"), {1}, error));
    EXPECT_FALSE(fileExists(scratchFile("missing-dir/x.bin")));

    // An uncommitted temporary file disappears with its object.
    std::string tempPath;
    {
        TempFile temp(path);
        ASSERT_TRUE(temp.ok()) << temp.error();
        tempPath = temp.path();
        EXPECT_TRUE(fileExists(tempPath));
        EXPECT_NE(tempPath, path);
    }
    EXPECT_FALSE(fileExists(tempPath));
    ASSERT_TRUE(readWholeFile(path, back, error));
    EXPECT_EQ(back, (std::vector<uint8_t>{4, 5}));

    EXPECT_TRUE(sameFile(path, path));
    EXPECT_FALSE(sameFile(path, path + ".other"));
    std::remove(path.c_str());
}

} // namespace

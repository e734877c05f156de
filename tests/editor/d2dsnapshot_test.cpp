// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows module's editor resources, and the editor drawn offscreen with
// Direct2D from them against the picture the Linux build draws with cairo.
// Runs under Wine with a display (Direct2D needs one there).
#include "editor/editor.h"
#include "editor/editorpicture.h"
#include "editor/platform/win32/d2dcanvas.h"
#include "editor/platform/win32/moduleresources.h"
#include "hosting/hostedplugin.h"

#include "public.sdk/source/common/memorystream.h"
#include "pluginterfaces/base/smartpointer.h"
#include "pluginterfaces/gui/iplugview.h"
#include "pluginterfaces/vst/ivsteditcontroller.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

namespace {

using vosk::ui::D2DImage;
using vosk::ui::Resources;

std::wstring modulePath()
{
    const std::string path = std::string(VOSK_BUNDLE_PATH) + "/Contents/x86_64-win/VOSK.vst3";
    return std::wstring(path.begin(), path.end());
}

// The kind picks the resource type; every image format decodes. (The names'
// case and spelling are the module's resource tests'.)
TEST(ModuleResources, EachKindHasItsTypeAndEveryImageDecodes)
{
    HMODULE module = LoadLibraryExW(modulePath().c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(module);
    const vosk::ui::ModuleResources resources(module);
    const struct
    {
        Resources::Kind kind;
        const char* name;
        int width, height; // 0 x 0: not found; -1: found, not a picture
    } cases[] = {
        {Resources::Kind::Description, "voskEditor.uidesc", -1, -1},
        {Resources::Kind::Image, "voskEditor.uidesc", 0, 0},
        {Resources::Kind::Description, "TB304.png", 0, 0},
        {Resources::Kind::Image, "TB304.png", 70, 4620},
        {Resources::Kind::Image, "dark-metal6RU.jpg", 3000, 1662},
        {Resources::Kind::Image, "vu_on.bmp", 12, 220},
    };
    vosk::ui::ComScope com;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bytes = resources.read(c.kind, c.name);
        ASSERT_EQ(bytes.has_value(), c.width != 0);
        if (c.width > 0) {
            const auto image = vosk::ui::loadImage(*bytes);
            ASSERT_TRUE(image);
            EXPECT_EQ(image->width(), c.width);
            EXPECT_EQ(image->height(), c.height);
        } else if (c.width < 0) {
            EXPECT_EQ(std::string(bytes->begin(), bytes->begin() + 5), "<?xml");
        }
    }
    FreeLibrary(module);
}

double luminance(const D2DImage& image, int x, int y)
{
    const uint8_t* p = image.pixels().data() + (static_cast<size_t>(y) * image.width() + x) * 4;
    return (p[0] + p[1] + p[2]) / (3 * 255.0);
}

struct Area
{
    int x0, y0, x1, y1;
};

double meanLuminance(const D2DImage& image, const Area& a)
{
    double sum = 0;
    for (int y = a.y0; y < a.y1; ++y)
        for (int x = a.x0; x < a.x1; ++x) sum += luminance(image, x, y);
    return sum / ((a.x1 - a.x0) * (a.y1 - a.y0));
}

// Columns of the area holding a pixel far from the area's mean: where text is.
int inkColumns(const D2DImage& image, const Area& a)
{
    const double mean = meanLuminance(image, a);
    int columns = 0;
    for (int x = a.x0; x < a.x1; ++x)
        for (int y = a.y0; y < a.y1; ++y)
            if (std::fabs(luminance(image, x, y) - mean) > 0.3) {
                ++columns;
                break;
            }
    return columns;
}

// Whole-picture equality is not expected (Wine draws no antialiased edges and
// has other fonts); the same regions, frames and texts are.
TEST(Direct2DSnapshot, AgreesInStructureWithTheLinuxPicture)
{
    std::ifstream in(VOSK_LINUX_SNAPSHOT, std::ios::binary);
    ASSERT_TRUE(in) << VOSK_LINUX_SNAPSHOT;
    const std::vector<uint8_t> linuxBytes((std::istreambuf_iterator<char>(in)),
                                          std::istreambuf_iterator<char>());
    vosk::ui::ComScope com;
    const auto linuxLoaded = vosk::ui::loadImage(linuxBytes);
    ASSERT_TRUE(linuxLoaded);
    const auto& linuxPicture = static_cast<const D2DImage&>(*linuxLoaded);

    std::string error;
    auto plugin = vosk::HostedPlugin::load(VOSK_BUNDLE_PATH, error);
    ASSERT_TRUE(plugin) << error;
    // The picture of the module's own view, as `vosk snapshot` asks for it.
    Steinberg::IPtr<Steinberg::IPlugView> view =
        Steinberg::owned(plugin->controller()->createView(Steinberg::Vst::ViewType::kEditor));
    Steinberg::FUnknownPtr<vosk::IEditorPicture> drawn(view);
    ASSERT_TRUE(drawn);
    Steinberg::IPtr<Steinberg::MemoryStream> png(new Steinberg::MemoryStream(), false);
    Steinberg::int32 width = 0, height = 0;
    Steinberg::char8 why[512] = {};
    ASSERT_EQ(drawn->drawPng(png, &width, &height, why, sizeof(why)), Steinberg::kResultOk) << why;
    const auto* data = reinterpret_cast<const uint8_t*>(png->getData());
    const std::vector<uint8_t> windowsBytes(data, data + png->getSize());
    const auto windowsLoaded = vosk::ui::loadImage(windowsBytes);
    ASSERT_TRUE(windowsLoaded);
    const auto* windowsPicture = static_cast<const D2DImage*>(windowsLoaded.get());
    // The description's views, compared region by region.
    vosk::ui::Editor editor(nullptr, vosk::ui::ModuleResources(GetModuleHandleW(L"VOSK.vst3")),
                            "voskEditor.uidesc", "view");
    ASSERT_TRUE(editor.valid()) << editor.error();
    const std::vector<vosk::ui::ViewDesc> views = editor.document().findTemplate("view")->views;
    ASSERT_EQ(windowsPicture->width(), linuxPicture.width());
    ASSERT_EQ(windowsPicture->height(), linuxPicture.height());

    const Area whole{0, 0, linuxPicture.width(), linuxPicture.height()};
    EXPECT_NEAR(meanLuminance(*windowsPicture, whole), meanLuminance(linuxPicture, whole), 0.02);
    int texts = 0;
    for (const auto& view : views) {
        const auto origin = vosk::ui::parsePoint(view.get("origin"));
        const auto size = vosk::ui::parsePoint(view.get("size"));
        ASSERT_TRUE(origin && size);
        const Area a{static_cast<int>(origin->x), static_cast<int>(origin->y),
                     std::min(whole.x1, static_cast<int>(origin->x + size->x)),
                     std::min(whole.y1, static_cast<int>(origin->y + size->y))};
        if (a.x1 <= a.x0 || a.y1 <= a.y0) continue;
        SCOPED_TRACE(view.cls + " at " + view.get("origin") + " " + view.get("control-tag") +
                     view.get("title"));
        EXPECT_NEAR(meanLuminance(*windowsPicture, a), meanLuminance(linuxPicture, a), 0.1);
        if (view.cls != "CTextLabel" && view.cls != "CTextEdit" && view.cls != "CTextButton") continue;
        const int linuxInk = inkColumns(linuxPicture, a);
        if (linuxInk < 3) continue;
        ++texts;
        const int windowsInk = inkColumns(*windowsPicture, a);
        EXPECT_GT(windowsInk, linuxInk / 2);
        EXPECT_LT(windowsInk, linuxInk * 2);
    }
    EXPECT_GT(texts, 60); // the labels and the fields with their values
}

} // namespace

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The Windows module's resources as the editor layer finds them: by name,
// through the instance handle, without regard to case, in language 1033.
#include "tests/support/plugin_host.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <regex>
#include <string>

namespace {

using vosk::test::Module;

const WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);

std::wstring widen(const std::string& text)
{
    return std::wstring(text.begin(), text.end()); // the names are ASCII
}

// The bytes of a resource, or nothing when the lookup fails.
std::optional<std::string> resource(HMODULE module, const std::string& type, const std::string& name)
{
    HRSRC found = FindResourceExW(module, widen(type).c_str(), widen(name).c_str(), kEnglishUs);
    if (!found) return std::nullopt;
    HGLOBAL loaded = LoadResource(module, found);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return std::nullopt;
    return std::string(static_cast<const char*>(bytes), SizeofResource(module, found));
}

std::string fileBytes(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class Resources : public ::testing::Test
{
protected:
    Module module{VOSK_BUNDLE_PATH};
    HMODULE handle = nullptr;
    void SetUp() override
    {
        ASSERT_TRUE(module.ok()) << module.error();
        handle = static_cast<HMODULE>(module.handle());
    }
};

} // namespace

TEST_F(Resources, DescriptionAndEveryBitmapItNamesAreFoundByTheirOwnNames)
{
    // The controller asks for the description by its file name.
    const auto description = resource(handle, "DATA", "voskEditor.uidesc");
    ASSERT_TRUE(description);
    EXPECT_EQ(*description, fileBytes(VOSK_DESCRIPTION_PATH));

    // Each bitmap by the mixed-case path of its entry, the JPEG and BMP files
    // under the "PNG" type like the others; the bytes are the drawn files.
    const std::regex pathAttribute("<bitmap [^>]*path=\"([^\"]+)\"");
    int bitmaps = 0;
    for (std::sregex_iterator it(description->begin(), description->end(), pathAttribute), end; it != end;
         ++it) {
        const std::string path = (*it)[1];
        const auto image = resource(handle, "PNG", path);
        ASSERT_TRUE(image) << path;
        EXPECT_EQ(*image, fileBytes(std::string(VOSK_BUNDLE_PATH) + "/Contents/Resources/" + path)) << path;
        ++bitmaps;
    }
    EXPECT_EQ(bitmaps, 27);
}

TEST_F(Resources, NamesCompareWithoutCaseButNotWithoutSpelling)
{
    struct Case
    {
        const char* type;
        const char* name;
        bool found;
    };
    const Case cases[] = {
        {"PNG", "TB304.png", true},   {"PNG", "tb304.png", true},
        {"png", "TB304.PNG", true},   {"PNG", "dark-metal6RU.jpg", true},
        {"PNG", "VU_ON.bmp", true},   {"PNG", "TB305.png", false},
        {"PNG", "TB304", false},      {"DATA", "VOSKEDITOR.UIDESC", true},
        {"DATA", "TB304.png", false}, {"PNG", "voskEditor.uidesc", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(resource(handle, c.type, c.name).has_value(), c.found) << c.type << " " << c.name;
}

TEST(BundleFolder, ABundleUnderAFolderOutsideTheAnsiCodePageLoadsAndFindsItsResources)
{
    // Hosts hand UTF-8 paths through the hosting library; a narrow Windows call
    // would read them in the ANSI code page and miss the folder.
    namespace fs = std::filesystem;
    const fs::path folder = fs::temp_directory_path() / fs::u8path(u8"VOSK \u00dc\u20ac\u6e2c");
    fs::remove_all(folder);
    fs::create_directories(folder);
    fs::copy(fs::u8path(VOSK_BUNDLE_PATH), folder / "VOSK.vst3", fs::copy_options::recursive);
    {
        Module moved((folder / "VOSK.vst3").u8string());
        ASSERT_TRUE(moved.ok()) << moved.error();
        EXPECT_TRUE(moved.factory());
        EXPECT_TRUE(resource(static_cast<HMODULE>(moved.handle()), "DATA", "voskEditor.uidesc"));
    }
    fs::remove_all(folder);
}

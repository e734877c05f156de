// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The module as a host sees it: exports, factory information, the two class
// entries in all three forms, reference counting and instance creation.
#include "tests/support/json.h"
#include "tests/support/plugin_host.h"

#include "pluginterfaces/base/ustring.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

using namespace Steinberg;
using namespace Steinberg::Vst;
using vosk::test::Module;

namespace {

// The identifiers are fixed forever, as four words each, which are their text on
// every platform. Windows lays the words out in COM order; the others, as the SDK
// does there, in their own order.
const char kProcessorText[] = "2720948CF76149689E4C52435E111CA4";
const char kControllerText[] = "B55ED66E2D354B1A817DF10665616D20";
#if defined(_WIN32)
const uint8_t kProcessorCid[16] = {0x8C, 0x94, 0x20, 0x27, 0x61, 0xF7, 0x68, 0x49,
                                   0x9E, 0x4C, 0x52, 0x43, 0x5E, 0x11, 0x1C, 0xA4};
const uint8_t kControllerCid[16] = {0x6E, 0xD6, 0x5E, 0xB5, 0x35, 0x2D, 0x1A, 0x4B,
                                    0x81, 0x7D, 0xF1, 0x06, 0x65, 0x61, 0x6D, 0x20};
#else
const uint8_t kProcessorCid[16] = {0x27, 0x20, 0x94, 0x8C, 0xF7, 0x61, 0x49, 0x68,
                                   0x9E, 0x4C, 0x52, 0x43, 0x5E, 0x11, 0x1C, 0xA4};
const uint8_t kControllerCid[16] = {0xB5, 0x5E, 0xD6, 0x6E, 0x2D, 0x35, 0x4B, 0x1A,
                                    0x81, 0x7D, 0xF1, 0x06, 0x65, 0x61, 0x6D, 0x20};
#endif
// What earlier Linux modules were known by: the COM-order bytes, read there in order.
const char kEarlierLinuxProcessorText[] = "8C94202761F768499E4C52435E111CA4";
const char kEarlierLinuxControllerText[] = "6ED65EB5352D1A4B817DF10665616D20";

bool sameCid(const TUID cid, const uint8_t (&expected)[16])
{
    return std::memcmp(cid, expected, 16) == 0;
}

// The SDK's text of the bytes, as hosts and preset files name the class.
std::string textOf(const TUID cid)
{
    char8 text[64] = {};
    FUID::fromTUID(cid).toString(text);
    return text;
}

std::string utf8(const char16* text)
{
    std::string out;
    for (; *text; ++text) out.push_back(*text < 128 ? static_cast<char>(*text) : '?');
    return out;
}

template <class I> IPtr<I> query(FUnknown* object)
{
    void* obj = nullptr;
    if (!object || object->queryInterface(I::iid, &obj) != kResultOk) return {};
    return IPtr<I>(static_cast<I*>(obj), false);
}

class Factory : public ::testing::Test
{
protected:
    Module module{VOSK_BUNDLE_PATH};
    void SetUp() override { ASSERT_TRUE(module.ok()) << module.error(); }
};

} // namespace

TEST_F(Factory, ExportsOnlyTheEntryPoints)
{
    // Linux hosts call ModuleEntry and ModuleExit; on Windows the process entry
    // does their work and they do not exist.
#if defined(_WIN32)
    const bool linuxEntry = false;
#else
    const bool linuxEntry = true;
#endif
    for (const char* name : {"GetPluginFactory", "InitDll", "ExitDll"})
        EXPECT_NE(module.symbol(name), nullptr) << name;
    for (const char* name : {"ModuleEntry", "ModuleExit"})
        EXPECT_EQ(module.symbol(name) != nullptr, linuxEntry) << name;
    // Internals stay hidden, so two plug-ins built on the same SDK never bind to each other's copy.
    for (const char* name : {"gPluginFactory", "_ZN9Steinberg14CPluginFactoryD2Ev", "_ZN4vosk4VOSKC1Ev",
                             "_ZN9Steinberg3Vst11AudioEffectC2Ev"})
        EXPECT_EQ(module.symbol(name), nullptr) << name;

    using BoolFn = bool (*)();
    auto initDll = reinterpret_cast<BoolFn>(module.symbol("InitDll"));
    auto exitDll = reinterpret_cast<BoolFn>(module.symbol("ExitDll"));
    ASSERT_TRUE(initDll && exitDll);
    EXPECT_TRUE(initDll());
    EXPECT_TRUE(exitDll());
}

TEST_F(Factory, FactoryInformation)
{
    auto factory = module.factory();
    ASSERT_TRUE(factory);
    PFactoryInfo info;
    std::memset(static_cast<void*>(&info), 0x55, sizeof(info));
    ASSERT_EQ(factory->getFactoryInfo(&info), kResultOk);
    EXPECT_STREQ(info.vendor, "Tarnwell");
    EXPECT_EQ(std::string(info.url).rfind("https://", 0), 0u) << info.url;
    EXPECT_EQ(std::string(info.email).rfind("mailto:", 0), 0u) << info.email;
    EXPECT_GT(std::strlen(info.email), std::strlen("mailto:"));
    EXPECT_EQ(info.flags, PFactoryInfo::kUnicode);
    EXPECT_EQ(factory->getFactoryInfo(nullptr), kInvalidArgument);
}

TEST_F(Factory, AnswersAllFactoryInterfacesAndRefusesHostContext)
{
    auto factory = module.factory();
    ASSERT_TRUE(factory);
    EXPECT_TRUE(query<FUnknown>(factory));
    EXPECT_TRUE(query<IPluginFactory2>(factory));
    auto factory3 = query<IPluginFactory3>(factory);
    ASSERT_TRUE(factory3);
    EXPECT_EQ(factory3->setHostContext(vosk::test::makeHostContext()), kNotImplemented);
    EXPECT_FALSE(query<IComponent>(factory));
}

TEST_F(Factory, PlainClassInformation)
{
    auto factory = module.factory();
    ASSERT_TRUE(factory);
    ASSERT_EQ(factory->countClasses(), 2);

    PClassInfo info;
    ASSERT_EQ(factory->getClassInfo(0, &info), kResultOk);
    EXPECT_TRUE(sameCid(info.cid, kProcessorCid));
    EXPECT_EQ(textOf(info.cid), kProcessorText);
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_STREQ(info.name, "Tarnwell Mastering Velmor");

    ASSERT_EQ(factory->getClassInfo(1, &info), kResultOk);
    EXPECT_TRUE(sameCid(info.cid, kControllerCid));
    EXPECT_EQ(textOf(info.cid), kControllerText);
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(info.category, "Component Controller Class");
    EXPECT_STREQ(info.name, "Tarnwell Mastering VelmorController");

    EXPECT_NE(factory->getClassInfo(2, &info), kResultOk);
    EXPECT_NE(factory->getClassInfo(-1, &info), kResultOk);
    EXPECT_NE(factory->getClassInfo(0, nullptr), kResultOk);
}

TEST_F(Factory, ExtendedClassInformation)
{
    auto factory = query<IPluginFactory2>(module.factory());
    ASSERT_TRUE(factory);

    PClassInfo2 info;
    ASSERT_EQ(factory->getClassInfo2(0, &info), kResultOk);
    EXPECT_TRUE(sameCid(info.cid, kProcessorCid));
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_STREQ(info.name, "Tarnwell Mastering Velmor");
    EXPECT_EQ(info.classFlags, 1u); // distributable
    EXPECT_STREQ(info.subCategories, "Fx|EQ");
    EXPECT_STREQ(info.vendor, ""); // the factory's vendor applies
    EXPECT_STREQ(info.version, "1.0.0.1");
    EXPECT_STREQ(info.sdkVersion, "VST 3.5.2");

    ASSERT_EQ(factory->getClassInfo2(1, &info), kResultOk);
    EXPECT_TRUE(sameCid(info.cid, kControllerCid));
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(info.category, "Component Controller Class");
    EXPECT_STREQ(info.name, "Tarnwell Mastering VelmorController");
    EXPECT_EQ(info.classFlags, 0u);
    EXPECT_STREQ(info.subCategories, "");
    EXPECT_STREQ(info.vendor, "");
    EXPECT_STREQ(info.version, "1.0.0.1");
    EXPECT_STREQ(info.sdkVersion, "VST 3.5.2");

    EXPECT_NE(factory->getClassInfo2(2, &info), kResultOk);
}

TEST_F(Factory, UnicodeClassInformation)
{
    auto factory = query<IPluginFactory3>(module.factory());
    ASSERT_TRUE(factory);

    PClassInfoW info;
    ASSERT_EQ(factory->getClassInfoUnicode(0, &info), kResultOk);
    EXPECT_TRUE(sameCid(info.cid, kProcessorCid));
    EXPECT_EQ(info.cardinality, PClassInfo::kManyInstances);
    EXPECT_STREQ(info.category, "Audio Module Class");
    EXPECT_EQ(utf8(info.name), "Tarnwell Mastering Velmor");
    EXPECT_EQ(info.classFlags, 1u);
    EXPECT_STREQ(info.subCategories, "Fx|EQ");
    EXPECT_EQ(utf8(info.vendor), "");
    EXPECT_EQ(utf8(info.version), "1.0.0.1");
    EXPECT_EQ(utf8(info.sdkVersion), "VST 3.5.2");

    ASSERT_EQ(factory->getClassInfoUnicode(1, &info), kResultOk);
    EXPECT_TRUE(sameCid(info.cid, kControllerCid));
    EXPECT_STREQ(info.category, "Component Controller Class");
    EXPECT_EQ(utf8(info.name), "Tarnwell Mastering VelmorController");
    EXPECT_EQ(info.classFlags, 0u);
    EXPECT_STREQ(info.subCategories, "");
    EXPECT_EQ(utf8(info.version), "1.0.0.1");
    EXPECT_EQ(utf8(info.sdkVersion), "VST 3.5.2");

    EXPECT_NE(factory->getClassInfoUnicode(2, &info), kResultOk);
}

// The module description in the bundle's Resources says what the factory says, in
// the fields of the SDK's module-information format, with nothing it does not
// know; it declares the texts earlier Linux modules were known by as the same classes.
TEST_F(Factory, ModuleDescriptionMatchesTheFactory)
{
    std::ifstream file(VOSK_BUNDLE_PATH "/Contents/Resources/moduleinfo.json", std::ios::binary);
    ASSERT_TRUE(file) << "no moduleinfo.json";
    const auto parsed = vosk::test::Json::parse(
        std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()));
    ASSERT_TRUE(parsed) << "moduleinfo.json is no JSON document";
    const vosk::test::Json& info = *parsed;
    using Type = vosk::test::Json::Type;
    // The format's keys of an object, each of its type; `required` lists those it must hold.
    const auto expectKeys = [](const vosk::test::Json& object, std::vector<std::pair<std::string, Type>> keys,
                               std::set<std::string> required, const std::string& where) {
        ASSERT_EQ(object.type, Type::Object) << where;
        for (const auto& [key, value] : object.members) {
            const auto known = std::find_if(keys.begin(), keys.end(), [&](const auto& k) { return k.first == key; });
            if (known == keys.end()) {
                ADD_FAILURE() << where << ": unknown key " << key;
                continue;
            }
            EXPECT_EQ(value.type, known->second) << where << ": " << key;
            required.erase(key);
        }
        for (const auto& key : required) ADD_FAILURE() << where << ": no " << key;
    };
    expectKeys(info,
               {{"Name", Type::String}, {"Version", Type::String}, {"Factory Info", Type::Object},
                {"Compatibility", Type::Array}, {"Classes", Type::Array}},
               {"Name", "Version", "Factory Info", "Classes"}, "the description");
    EXPECT_EQ(info["Version"].text, "1.0.0.1");

    auto factory = query<IPluginFactory3>(module.factory());
    ASSERT_TRUE(factory);
    PFactoryInfo factoryInfo;
    ASSERT_EQ(factory->getFactoryInfo(&factoryInfo), kResultOk);
    const vosk::test::Json& fi = info["Factory Info"];
    expectKeys(fi, {{"Vendor", Type::String}, {"URL", Type::String}, {"E-Mail", Type::String}, {"Flags", Type::Object}},
               {"Vendor", "URL", "E-Mail", "Flags"}, "Factory Info");
    EXPECT_EQ(fi["Vendor"].text, factoryInfo.vendor);
    EXPECT_EQ(fi["URL"].text, factoryInfo.url);
    EXPECT_EQ(fi["E-Mail"].text, factoryInfo.email);
    const std::pair<const char*, int32> flagBits[] = {{"Unicode", PFactoryInfo::kUnicode},
                                                      {"Classes Discardable", PFactoryInfo::kClassesDiscardable},
                                                      {"Component Non Discardable", PFactoryInfo::kComponentNonDiscardable}};
    expectKeys(fi["Flags"], {{"Unicode", Type::Boolean}, {"Classes Discardable", Type::Boolean},
                             {"Component Non Discardable", Type::Boolean}},
               {}, "Flags");
    int32 flags = 0;
    for (const auto& [name, bit] : flagBits) flags |= fi["Flags"][name].boolean ? bit : 0;
    EXPECT_EQ(flags, factoryInfo.flags);

    // Every class of the factory once, as the factory describes it (the factory's
    // vendor where the class names none; sub-categories split where the text has "|").
    const vosk::test::Json& classes = info["Classes"];
    ASSERT_EQ(classes.items.size(), static_cast<size_t>(factory->countClasses()));
    for (int32 i = 0; i < factory->countClasses(); ++i) {
        PClassInfoW ci;
        ASSERT_EQ(factory->getClassInfoUnicode(i, &ci), kResultOk);
        const vosk::test::Json& c = classes.items[static_cast<size_t>(i)];
        const std::string where = "class " + std::to_string(i);
        expectKeys(c,
                   {{"CID", Type::String}, {"Category", Type::String}, {"Name", Type::String}, {"Vendor", Type::String},
                    {"Version", Type::String}, {"SDKVersion", Type::String}, {"Sub Categories", Type::Array},
                    {"Class Flags", Type::Number}, {"Cardinality", Type::Number}, {"Snapshots", Type::Array}},
                   {"CID", "Category", "Name", "Vendor", "Version", "SDKVersion", "Class Flags", "Cardinality"}, where);
        EXPECT_EQ(c["CID"].text, textOf(ci.cid)) << where;
        EXPECT_EQ(c["Category"].text, ci.category) << where;
        EXPECT_EQ(c["Name"].text, utf8(ci.name)) << where;
        EXPECT_EQ(c["Vendor"].text, ci.vendor[0] ? utf8(ci.vendor) : std::string(factoryInfo.vendor)) << where;
        EXPECT_EQ(c["Version"].text, utf8(ci.version)) << where;
        EXPECT_EQ(c["SDKVersion"].text, utf8(ci.sdkVersion)) << where;
        std::vector<std::string> subCategories;
        std::istringstream split(ci.subCategories);
        for (std::string item; std::getline(split, item, '|');) subCategories.push_back(item);
        std::vector<std::string> listed;
        for (const auto& item : c["Sub Categories"].items) listed.push_back(item.text);
        EXPECT_EQ(listed, subCategories) << where;
        EXPECT_EQ(c["Class Flags"].number, static_cast<double>(ci.classFlags)) << where;
        EXPECT_EQ(c["Cardinality"].number, static_cast<double>(ci.cardinality)) << where;
    }

    const vosk::test::Json& compatibility = info["Compatibility"];
    ASSERT_EQ(compatibility.items.size(), 2u);
    const std::pair<const char*, const char*> replaced[] = {{kProcessorText, kEarlierLinuxProcessorText},
                                                            {kControllerText, kEarlierLinuxControllerText}};
    for (size_t i = 0; i < std::size(replaced); ++i) {
        const vosk::test::Json& entry = compatibility.items[i];
        expectKeys(entry, {{"New", Type::String}, {"Old", Type::Array}}, {"New", "Old"}, "compatibility");
        EXPECT_EQ(entry["New"].text, replaced[i].first);
        ASSERT_EQ(entry["Old"].items.size(), 1u);
        EXPECT_EQ(entry["Old"].items[0].text, replaced[i].second);
    }
}

TEST_F(Factory, RepeatedRequestsShareOneCountedFactory)
{
    // References the loader holds come on top of ours.
    const uint32 held = module.loaderFactoryReferences();
    IPluginFactory* first = module.getPluginFactory();
    ASSERT_NE(first, nullptr);
    // The first call hands out the creation reference itself: one reference.
    EXPECT_EQ(first->addRef(), held + 2u);
    EXPECT_EQ(first->release(), held + 1u);

    IPluginFactory* second = module.getPluginFactory();
    EXPECT_EQ(second, first);
    EXPECT_EQ(first->addRef(), held + 3u);
    EXPECT_EQ(first->release(), held + 2u);
    EXPECT_EQ(first->countClasses(), 2); // no class registered twice

    EXPECT_EQ(second->release(), held + 1u);
    EXPECT_EQ(first->release(), held);
}

// A host that loads the library by hand may let go of the factory entirely
// and ask again.
TEST(FactoryByHand, LastReleaseLeavesRoomForAFreshFactory)
{
    vosk::test::LibraryByHand library(VOSK_BUNDLE_PATH);
    ASSERT_TRUE(library.ok());
    for (int round = 0; round < 3; ++round) {
        IPluginFactory* factory = library.getPluginFactory();
        ASSERT_NE(factory, nullptr);
        // A fresh factory again holds exactly one reference and two entries in order.
        EXPECT_EQ(factory->addRef(), 2u) << "round " << round;
        factory->release();
        ASSERT_EQ(factory->countClasses(), 2) << "round " << round;
        PClassInfo info;
        ASSERT_EQ(factory->getClassInfo(0, &info), kResultOk);
        EXPECT_TRUE(sameCid(info.cid, kProcessorCid));
        ASSERT_EQ(factory->getClassInfo(1, &info), kResultOk);
        EXPECT_TRUE(sameCid(info.cid, kControllerCid));
        EXPECT_EQ(factory->release(), 0u);
    }
}

TEST_F(Factory, CreatesBothClassesByIdentifier)
{
    auto factory = module.factory();
    ASSERT_TRUE(factory);

    TUID processorCid, controllerCid;
    std::memcpy(processorCid, kProcessorCid, 16);
    std::memcpy(controllerCid, kControllerCid, 16);

    auto component = vosk::test::createInstance<IComponent>(factory, processorCid);
    ASSERT_TRUE(component);
    EXPECT_TRUE(query<IAudioProcessor>(component));
    EXPECT_TRUE(query<IConnectionPoint>(component));
    EXPECT_TRUE(query<IPluginBase>(component));
    EXPECT_FALSE(query<IEditController>(component));
    // The creation reference is gone: ours is the only one.
    EXPECT_EQ(component->addRef(), 2u);
    component->release();

    auto processor = vosk::test::createInstance<IAudioProcessor>(factory, processorCid);
    EXPECT_TRUE(processor);

    auto controller = vosk::test::createInstance<IEditController>(factory, controllerCid);
    ASSERT_TRUE(controller);
    EXPECT_TRUE(query<IConnectionPoint>(controller));
    EXPECT_FALSE(query<IComponent>(controller));
    EXPECT_EQ(controller->addRef(), 2u);
    controller->release();

    // The processor points the host at entry 1.
    TUID answered = {};
    ASSERT_EQ(component->getControllerClassId(answered), kResultOk);
    EXPECT_TRUE(sameCid(answered, kControllerCid));
}

TEST_F(Factory, RefusesUnknownClassesAndInterfaces)
{
    auto factory = module.factory();
    ASSERT_TRUE(factory);
    TUID unknown = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    void* obj = reinterpret_cast<void*>(0x1);
    EXPECT_NE(factory->createInstance(unknown, IComponent::iid, &obj), kResultOk);
    EXPECT_EQ(obj, nullptr);

    TUID controllerCid;
    std::memcpy(controllerCid, kControllerCid, 16);
    obj = reinterpret_cast<void*>(0x1);
    EXPECT_NE(factory->createInstance(controllerCid, IAudioProcessor::iid, &obj), kResultOk);
    EXPECT_EQ(obj, nullptr);
}

TEST_F(Factory, ControllerInitializesAndTerminates)
{
    auto factory = module.factory();
    auto controller = vosk::test::createInstance<IEditController>(factory, vosk::test::controllerClassId());
    ASSERT_TRUE(controller);
    auto context = vosk::test::makeHostContext();
    for (int cycle = 0; cycle < 2; ++cycle) {
        EXPECT_EQ(controller->initialize(context), kResultOk);
        EXPECT_EQ(controller->terminate(), kResultOk);
    }
}

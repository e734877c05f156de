// An editor over the real controller and the built bundle's resources, with a
// component handler that records what reaches the host.
#pragma once

#include "source/controller.h"
#include "editor/editor.h"
#include "source/parameterids.h"

#include <pluginterfaces/vst/ivsteditcontroller.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vosk::test {

struct HostEdit
{
    char kind; // 'b' begin, 'p' perform, 'e' end
    Steinberg::Vst::ParamID id;
    double value;
};

class RecordingHandler : public Steinberg::Vst::IComponentHandler
{
public:
    std::vector<HostEdit> edits;

    Steinberg::tresult PLUGIN_API beginEdit(Steinberg::Vst::ParamID id) override
    {
        edits.push_back({'b', id, 0});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API performEdit(Steinberg::Vst::ParamID id,
                                              Steinberg::Vst::ParamValue v) override
    {
        edits.push_back({'p', id, v});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API endEdit(Steinberg::Vst::ParamID id) override
    {
        edits.push_back({'e', id, 0});
        return Steinberg::kResultOk;
    }
    Steinberg::tresult PLUGIN_API restartComponent(Steinberg::int32) override { return Steinberg::kResultOk; }
    Steinberg::tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override
    {
        if (Steinberg::FUnknownPrivate::iidEqual(queried, Steinberg::Vst::IComponentHandler::iid) ||
            Steinberg::FUnknownPrivate::iidEqual(queried, Steinberg::FUnknown::iid)) {
            *obj = this;
            return Steinberg::kResultOk;
        }
        *obj = nullptr;
        return Steinberg::kNoInterface;
    }
    Steinberg::uint32 PLUGIN_API addRef() override { return 1; }
    Steinberg::uint32 PLUGIN_API release() override { return 1; }

    std::vector<double> performed(Steinberg::Vst::ParamID id) const
    {
        std::vector<double> out;
        for (const auto& e : edits)
            if (e.kind == 'p' && e.id == id) out.push_back(e.value);
        return out;
    }
    bool touched(Steinberg::Vst::ParamID id) const
    {
        for (const auto& e : edits)
            if (e.id == id) return true;
        return false;
    }
};

inline std::string resourcesFolder()
{
    return std::string(VOSK_BUNDLE_PATH) + "/Contents/Resources";
}

class EditorFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_EQ(controller->initialize(nullptr), Steinberg::kResultOk);
        controller->setComponentHandler(&handler);
        editor = std::make_unique<ui::Editor>(controller, ui::ResourceFolder(resourcesFolder()),
                                              "voskEditor.uidesc", "view");
        ASSERT_TRUE(editor->valid()) << editor->error();
        editor->setKnobModeSource([this] { return controller->knobMode(); }); // as the plug-in view does
        editor->idle(0);
    }
    void TearDown() override
    {
        editor.reset();
        controller->terminate();
        controller->release();
    }

    template <class T> T* viewOf(int tag) const
    {
        for (ui::View* v : editor->viewsWithTag(tag))
            if (auto* t = dynamic_cast<T*>(v)) return t;
        return nullptr;
    }
    ui::Point centre(const ui::View& v) const
    {
        return {v.frame().x + v.frame().w / 2, v.frame().y + v.frame().h / 2};
    }
    void click(ui::Point p, uint32_t modifiers = 0)
    {
        editor->onMouse({ui::MouseEvent::Kind::Down, p, 1, modifiers});
        editor->onMouse({ui::MouseEvent::Kind::Up, p, 1, modifiers});
    }
    void type(const std::string& text)
    {
        for (char c : text) editor->onKey({ui::Key::Character, static_cast<char32_t>(c), 0});
    }
    double param(int tag) const
    {
        return controller->getParamNormalized(static_cast<Steinberg::Vst::ParamID>(tag));
    }

    UIDescriptionController* controller = new UIDescriptionController;
    RecordingHandler handler;
    std::unique_ptr<ui::Editor> editor;
};

} // namespace vosk::test

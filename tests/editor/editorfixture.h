// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// An editor over the real controller and the built bundle's resources, with a
// component handler that records what reaches the host.
#pragma once

#include "source/controller.h"
#include "editor/editor.h"
#include "source/parameterids.h"
#include "hosting/componenthandler.h"

#include <pluginterfaces/vst/ivsteditcontroller.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace vosk::test {

// Records what reaches the host, with the question the editor tests ask of it.
class RecordingHandler : public RecordingComponentHandler
{
public:
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

#pragma once
// The editor as a VST 3 view: an Editor shown in a platform window inside the
// host's window, driven by the host's run loop. Keys come both from the host
// (onKeyDown, onKeyUp) and from the window while it has the keyboard.

#include "editor.h"
#include "platform/window.h"

#include "pluginterfaces/gui/iplugviewcontentscalesupport.h"
#include "public.sdk/source/vst/vsteditcontroller.h"

#include <memory>
#include <string>

namespace Steinberg::Linux {
class IRunLoop;
}

namespace vosk::ui {

class PlugView : public Steinberg::Vst::EditorView,
                 public Steinberg::IPlugViewContentScaleSupport,
                 private WindowClient
{
public:
    using tresult = Steinberg::tresult;

    // Builds the editor from `descriptionName` in `resources` at once, so that the
    // size is known before the host attaches the view.
    PlugView(Steinberg::Vst::EditController* controller, const ResourceFolder& resources,
             const std::string& descriptionName, const std::string& templateName);
    ~PlugView() override;

    // IPlugView
    tresult PLUGIN_API isPlatformTypeSupported(Steinberg::FIDString type) override;
    tresult PLUGIN_API attached(void* parent, Steinberg::FIDString type) override;
    tresult PLUGIN_API removed() override;
    tresult PLUGIN_API onWheel(float distance) override;
    tresult PLUGIN_API onKeyDown(Steinberg::char16 key, Steinberg::int16 keyCode,
                                 Steinberg::int16 modifiers) override;
    tresult PLUGIN_API onKeyUp(Steinberg::char16 key, Steinberg::int16 keyCode,
                               Steinberg::int16 modifiers) override;
    tresult PLUGIN_API getSize(Steinberg::ViewRect* size) override;
    tresult PLUGIN_API onSize(Steinberg::ViewRect* newSize) override;
    tresult PLUGIN_API onFocus(Steinberg::TBool state) override;
    tresult PLUGIN_API canResize() override;
    tresult PLUGIN_API checkSizeConstraint(Steinberg::ViewRect* rect) override;

    // IPlugViewContentScaleSupport: 1.5 or 2 on high-density screens.
    tresult PLUGIN_API setContentScaleFactor(ScaleFactor factor) override;

    tresult PLUGIN_API queryInterface(const Steinberg::TUID queried, void** obj) override;
    REFCOUNT_METHODS(Steinberg::Vst::EditorView)

    const Editor& editor() const { return *content; }

private:
    // WindowClient
    void paint(cairo_t* cr, double x, double y, double w, double h) override;
    void pointerDown(const PointerInput& input) override;
    void pointerMove(const PointerInput& input) override;
    void pointerUp(const PointerInput& input) override;
    void wheel(const PointerInput& where, double delta) override;
    bool keyDown(const KeyInput& key) override;
    bool keyUp(const KeyInput& key) override;
    void tick() override;

    Steinberg::ViewRect scaledSize() const;
    bool key(const KeyInput& key);
    void pointer(MouseEvent::Kind kind, const PointerInput& input);
    void showChanges();

    std::unique_ptr<Editor> content;
    std::unique_ptr<Window> window;
    Steinberg::Linux::IRunLoop* runLoop = nullptr;
    double scale = 1;
};

} // namespace vosk::ui

// An edit controller standing in for one that lives in another module (a loaded
// plug-in): it mirrors that controller's parameters — information, values and
// texts — so that a host can build and draw the plug-in's editor itself, for
// example offscreen. Edits are passed on as values set on the original.
#pragma once

#include <public.sdk/source/vst/vsteditcontroller.h>

namespace vosk::ui {

class MirrorController : public Steinberg::Vst::EditController
{
public:
    explicit MirrorController(Steinberg::Vst::IEditController* original);
    ~MirrorController() override;

    // Takes every parameter's current value from the original again.
    void refresh();

    Steinberg::tresult performEdit(Steinberg::Vst::ParamID tag, Steinberg::Vst::ParamValue value) override;

private:
    Steinberg::Vst::IEditController* original_;
};

} // namespace vosk::ui

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The edit controller: registers the parameter catalogue, opens the editor and passes
// the editor's edits on to the host for registered parameters only.
#pragma once

#include "editorhost/curvepanelhost.h"
#include "editorhost/listeninghost.h"
#include "editorhost/parameteredits.h"
#include "editorhost/spectrumsource.h"
#include "source/dsp/responsedesign.h"
#include "source/dsp/listening.h"
#include "spectrumanalysis.h"

#include "public.sdk/source/vst/vsteditcontroller.h"

#include <chrono>

namespace vosk {

class UIDescriptionController;
// Opens the editor view for a controller, or returns null when it cannot.
using EditorViewFactory = Steinberg::IPlugView* (*)(UIDescriptionController&);

class UIDescriptionController : public Steinberg::Vst::EditController,
                                public IParameterEdits,
                                public ICurvePanelHost,
                                public IListeningHost,
                                public ui::SpectrumSource
{
public:
    using tresult = Steinberg::tresult;
    using ParamID = Steinberg::Vst::ParamID;
    using ParamValue = Steinberg::Vst::ParamValue;

    // The module hands in its editor; a controller without one opens no view, so
    // that its classes link without the editor runtime.
    explicit UIDescriptionController(EditorViewFactory openEditor = nullptr) : openEditor_(openEditor) {}
    ~UIDescriptionController() override = default;

    // IPluginBase
    tresult PLUGIN_API initialize(Steinberg::FUnknown* context) override;

    // IEditController
    tresult PLUGIN_API getParameterInfo(Steinberg::int32 paramIndex,
                                        Steinberg::Vst::ParameterInfo& info) override;
    Steinberg::IPlugView* PLUGIN_API createView(Steinberg::FIDString name) override;
    tresult PLUGIN_API setParamNormalized(ParamID tag, ParamValue value) override;
    // Brings every parameter in line with what a restored processor plays, so that a
    // reopened project does not send the defaults back over the restored sound.
    tresult PLUGIN_API setComponentState(Steinberg::IBStream* state) override;

    // The controller's own state: whether the curve panel shows. States saved
    // before it was kept, and states it cannot read, load with the panel closed.
    tresult PLUGIN_API setState(Steinberg::IBStream* state) override;
    tresult PLUGIN_API getState(Steinberg::IBStream* state) override;

    // IConnectionPoint: the processor reports its setup for the curve and the
    // loudness figures for the listening tools.
    tresult PLUGIN_API notify(Steinberg::Vst::IMessage* message) override;

    // ICurvePanelHost
    Steinberg::TBool PLUGIN_API curvePanelOpen() override { return curvePanelOpen_; }
    void PLUGIN_API setCurvePanelOpen(Steinberg::TBool open) override { curvePanelOpen_ = open != 0; }
    Steinberg::TBool PLUGIN_API processingSetup(double& sampleRate, Steinberg::int32& fftSize) override;

    // IListeningHost: the request goes to the processor at once, whole; one it
    // cannot play is refused and changes nothing.
    void PLUGIN_API setListening(Steinberg::int32 soloBand, Steinberg::int32 soloChannel, Steinberg::TBool delta,
                                 Steinberg::TBool compare) override;
    void PLUGIN_API listening(Steinberg::int32& soloBand, Steinberg::int32& soloChannel, Steinberg::TBool& delta,
                              Steinberg::TBool& compare) override;
    void PLUGIN_API setLoudnessWanted(Steinberg::TBool wanted) override;
    Steinberg::TBool PLUGIN_API loudnessDifference(double& lu) override;

    // IEditController2: the knob mode the host prefers. Until it says, knobs drag
    // vertically, so that a click near a knob's centre never makes it jump.
    tresult PLUGIN_API setKnobMode(Steinberg::Vst::KnobMode mode) override;
    Steinberg::Vst::KnobMode knobMode() const { return knobMode_; }

    // IParameterEdits: the editor's gestures, passed on to the host's component
    // handler; tags without a parameter (the about button) stay inside the editor.
    tresult PLUGIN_API beginEdit(ParamID tag) override;
    tresult PLUGIN_API performEdit(ParamID tag, ParamValue valueNormalized) override;
    tresult PLUGIN_API endEdit(ParamID tag) override;

    // SpectrumSource: the processor captures while any panel is open; each tick
    // asks it for its newest frame.
    void setSpectrumWanted(bool wanted) override;
    bool latestSpectrum(ui::SpectrumPicture& picture) override;

    OBJ_METHODS(UIDescriptionController, EditController)
    DEFINE_INTERFACES
        DEF_INTERFACE(IParameterEdits)
        DEF_INTERFACE(ICurvePanelHost)
        DEF_INTERFACE(IListeningHost)
    END_DEFINE_INTERFACES(EditController)
    REFCOUNT_METHODS(EditController)

private:
    void setValue(ParamID tag, ParamValue value);
    // What the FftSize and Phase values choose: a new length or phase is a new
    // latency, which the processor takes up when the host restarts it.
    struct LatencyChoice
    {
        Steinberg::int32 fftSize;
        Phase phase;
    };
    LatencyChoice latencyChoice();
    // After the choice may have changed from `before`: the processor is told ahead
    // of the restart asked for.
    void latencyMayHaveChanged(const LatencyChoice& before);

    void sendSpectrumMessage(const char* id, Steinberg::int64 on = -1);
    void sendToProcessor(const char* id, const char* attribute = nullptr, Steinberg::int64 value = 0);

    EditorViewFactory openEditor_;
    Steinberg::Vst::KnobMode knobMode_ = Steinberg::Vst::kLinearMode;
    int spectrumPanels_ = 0;
    SpectrumAnalysis spectrum_;
    std::chrono::steady_clock::time_point lastSpectrumTick_;
    bool curvePanelOpen_ = false;
    double setupRate_ = 0; // 0 until the processor reports its setup
    Steinberg::int32 setupFftSize_ = 0;
    ListeningRequest listening_;
    int loudnessWanted_ = 0; // callers that want the loudnesses measured
    double loudnessDifference_ = 0;
    bool loudnessKnown_ = false;
};

// The module's editor: the editor runtime built from the module's own description
// and images. The editor layer defines it (editor/moduleview.cpp), and the module
// hands it to its controllers; nothing here depends on the editor.
Steinberg::IPlugView* createEditorView(UIDescriptionController& controller);

} // namespace vosk

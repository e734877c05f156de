// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// One control tag of an open editor: the parameter it is bound to, or a value
// kept inside the editor when the controller has no parameter with that number.
// Every view with the tag shares the binding, so they always show one value.
// Values and texts come from the controller through IEditController alone.
#pragma once

#include <pluginterfaces/vst/ivsteditcontroller.h>

#include <functional>
#include <string>
#include <vector>

namespace vosk {
class IParameterEdits;
}

namespace vosk::ui {

class Binding
{
public:
    // `info` is the controller's parameter with the tag's number, or null; `edits`
    // passes gestures on to the host, or is null when the controller has no way to.
    Binding(Steinberg::Vst::IEditController* controller, IParameterEdits* edits, int tag,
            const Steinberg::Vst::ParameterInfo* info);

    int tag() const { return tag_; }
    bool hasParameter() const { return hasParameter_; }

    double value() const; // normalised 0 .. 1

    // Edits: a bound tag goes to the controller (and through it to the host);
    // an unbound one changes only the editor's own value.
    void beginEdit();
    void performEdit(double normalized);
    void endEdit();
    void edit(double normalized); // begin, perform, end

    // The parameter's text of the current value ("" when unbound).
    std::string text() const;
    // Reads typed text through the parameter's conversion; false (and no edit)
    // when the text holds no number.
    bool editFromText(const std::string& utf8);

    // List entries of a discrete parameter (step count + 1 texts), else none.
    std::vector<std::string> entries() const;
    int entryIndex() const;

    // Called after every value change the editor makes or notices.
    std::function<void(Binding&)> onChange;
    // For following changes that arrive from the host.
    double lastSeen = -1;

private:
    Steinberg::Vst::ParamID id() const { return static_cast<Steinberg::Vst::ParamID>(tag_); }
    std::string textOf(double normalized) const;

    Steinberg::Vst::IEditController* controller_;
    IParameterEdits* edits_;
    int tag_;
    bool hasParameter_;
    int stepCount_ = 0;
    double local_ = 0;
};

} // namespace vosk::ui

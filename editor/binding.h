// One control tag of an open editor: the parameter it is bound to, or a value
// kept inside the editor when the controller has no parameter with that number.
// Every view with the tag shares the binding, so they always show one value.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace Steinberg::Vst {
class EditController;
class Parameter;
} // namespace Steinberg::Vst

namespace vosk::ui {

class Binding
{
public:
    Binding(Steinberg::Vst::EditController* controller, int tag, Steinberg::Vst::Parameter* parameter);

    int tag() const { return tag_; }
    bool hasParameter() const { return parameter_ != nullptr; }
    Steinberg::Vst::Parameter* parameter() const { return parameter_; }

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
    Steinberg::Vst::EditController* controller_;
    int tag_;
    Steinberg::Vst::Parameter* parameter_;
    double local_ = 0;
};

} // namespace vosk::ui

#include "binding.h"

#include <public.sdk/source/vst/vsteditcontroller.h>

#include <algorithm>
#include <cmath>

namespace vosk::ui {

using namespace Steinberg;

Binding::Binding(Vst::EditController* controller, int tag, Vst::Parameter* parameter)
    : controller_(controller), tag_(tag), parameter_(parameter)
{
}

double Binding::value() const
{
    return parameter_ ? parameter_->getNormalized() : local_;
}

void Binding::beginEdit()
{
    if (parameter_) controller_->beginEdit(static_cast<Vst::ParamID>(tag_));
}

void Binding::performEdit(double normalized)
{
    normalized = std::clamp(normalized, 0.0, 1.0);
    if (parameter_) {
        controller_->setParamNormalized(static_cast<Vst::ParamID>(tag_), normalized);
        controller_->performEdit(static_cast<Vst::ParamID>(tag_), parameter_->getNormalized());
    } else {
        local_ = normalized;
    }
    lastSeen = value();
    if (onChange) onChange(*this);
}

void Binding::endEdit()
{
    if (parameter_) controller_->endEdit(static_cast<Vst::ParamID>(tag_));
}

void Binding::edit(double normalized)
{
    beginEdit();
    performEdit(normalized);
    endEdit();
}

std::string Binding::text() const
{
    if (!parameter_) return {};
    Vst::String128 s{};
    parameter_->toString(parameter_->getNormalized(), s);
    s[127] = 0;
    return utf16ToUtf8(reinterpret_cast<const char16_t*>(s));
}

bool Binding::editFromText(const std::string& utf8)
{
    if (!parameter_) return false;
    std::u16string wide = utf8ToUtf16(utf8);
    Vst::ParamValue v = parameter_->getNormalized();
    if (!parameter_->fromString(reinterpret_cast<const Vst::TChar*>(wide.c_str()), v)) return false;
    if (!std::isfinite(v)) return false;
    edit(v);
    return true;
}

std::vector<std::string> Binding::entries() const
{
    std::vector<std::string> out;
    if (!parameter_) return out;
    const int steps = parameter_->getInfo().stepCount;
    if (steps <= 0 || steps > 1000) return out;
    for (int i = 0; i <= steps; ++i) {
        Vst::String128 s{};
        parameter_->toString(static_cast<double>(i) / steps, s);
        s[127] = 0;
        out.push_back(utf16ToUtf8(reinterpret_cast<const char16_t*>(s)));
    }
    return out;
}

int Binding::entryIndex() const
{
    if (!parameter_) return 0;
    const int steps = parameter_->getInfo().stepCount;
    if (steps <= 0) return 0;
    return std::min(steps, static_cast<int>(value() * (steps + 1)));
}

std::string utf8Encode(char32_t c)
{
    std::string out;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xc0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xe0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    } else {
        out += static_cast<char>(0xf0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3f));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3f));
        out += static_cast<char>(0x80 | (c & 0x3f));
    }
    return out;
}

std::string utf16ToUtf8(const char16_t* text)
{
    std::string out;
    for (const char16_t* p = text; *p; ++p) {
        char32_t c = *p;
        if (c >= 0xd800 && c < 0xdc00 && p[1] >= 0xdc00 && p[1] < 0xe000) {
            c = 0x10000 + ((c - 0xd800) << 10) + (static_cast<char32_t>(p[1]) - 0xdc00);
            ++p;
        }
        out += utf8Encode(c);
    }
    return out;
}

std::u16string utf8ToUtf16(const std::string& text)
{
    std::u16string out;
    for (size_t i = 0; i < text.size();) {
        auto b = static_cast<unsigned char>(text[i]);
        uint32_t c = 0xfffd;
        size_t len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 1;
        if (i + len > text.size()) len = 1;
        if (len == 1 && b < 0x80)
            c = b;
        else if (len == 2)
            c = (b & 0x1fu) << 6 | (text[i + 1] & 0x3fu);
        else if (len == 3)
            c = (b & 0x0fu) << 12 | (text[i + 1] & 0x3fu) << 6 | (text[i + 2] & 0x3fu);
        else if (len == 4)
            c = (b & 0x07u) << 18 | (text[i + 1] & 0x3fu) << 12 | (text[i + 2] & 0x3fu) << 6 |
                (text[i + 3] & 0x3fu);
        i += len;
        if (c >= 0x10000) {
            c -= 0x10000;
            out += static_cast<char16_t>(0xd800 + (c >> 10));
            out += static_cast<char16_t>(0xdc00 + (c & 0x3ff));
        } else {
            out += static_cast<char16_t>(c);
        }
    }
    return out;
}

} // namespace vosk::ui

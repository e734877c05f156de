// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "editor.h"

#include "canvas.h"

#include <algorithm>
#include <cmath>

namespace vosk::ui {

// A view over the whole window that takes every input while it is open.
class Editor::Modal
{
public:
    virtual ~Modal() = default;
    virtual void draw(Canvas& canvas) = 0;
    // Returns true when the modal view is done and should close.
    virtual bool onMouseDown(const MouseEvent& e) = 0;
    virtual void idle() {}
    virtual bool isSplash() const { return false; }
};

namespace {

class SplashModal : public Editor::Modal
{
public:
    SplashModal(Editor& editor, SplashScreen& splash)
        : editor_(editor), splash_(splash), openedAt_(editor.now())
    {
    }
    double alpha() const
    {
        if (splash_.fadeMs() <= 0) return 1;
        return std::clamp((editor_.now() - openedAt_) / splash_.fadeMs(), 0.0, 1.0);
    }
    void draw(Canvas& canvas) override
    {
        const Rect area = splash_.splashArea();
        canvas.pushAlpha(alpha());
        if (const Image* image = splash_.splashImage())
            canvas.drawImage(*image, {0, 0, area.w, area.h}, {area.x, area.y});
        else
            canvas.fillRect(area, {0, 0, 0, 0.85});
        canvas.popAlpha();
    }
    bool onMouseDown(const MouseEvent& e) override { return e.button == 1; }
    void idle() override
    {
        if (alpha() < 1 || !shownFully_) {
            shownFully_ = alpha() >= 1;
            editor_.invalidate(splash_.splashArea());
        }
    }
    bool isSplash() const override { return true; }
    SplashScreen& splash() { return splash_; }

private:
    Editor& editor_;
    SplashScreen& splash_;
    double openedAt_;
    bool shownFully_ = false;
};

class PopupModal : public Editor::Modal
{
public:
    static constexpr double kRowHeight = 18;
    PopupModal(Editor& editor, OptionMenu& menu) : menu_(menu), entries_(menu.entries())
    {
        const Rect f = menu.frame();
        const double w = std::max(f.w, 90.0), h = kRowHeight * static_cast<double>(entries_.size()) + 4;
        double y = f.y + f.h;
        if (y + h > editor.height()) y = std::max(0.0, f.y - h);
        double x = std::min(f.x, editor.width() - w);
        area_ = {x, y, w, h};
    }
    Rect area() const { return area_; }
    void draw(Canvas& canvas) override
    {
        canvas.fillRect({area_.x + 2, area_.y + 2, area_.w, area_.h}, {0, 0, 0, 0.4});
        canvas.fillRect(area_, {0.96, 0.96, 0.96, 1});
        canvas.strokeRect(area_, {0.3, 0.3, 0.3, 1}, 1);
        const int current = menu_.selected();
        Font f{"sans-serif", 12, false};
        for (size_t i = 0; i < entries_.size(); ++i) {
            Rect row{area_.x + 2, area_.y + 2 + kRowHeight * static_cast<double>(i), area_.w - 4, kRowHeight};
            if (static_cast<int>(i) == current) canvas.fillRect(row, {0.25, 0.45, 0.85, 1});
            Color text = static_cast<int>(i) == current ? Color{1, 1, 1, 1} : Color{0, 0, 0, 1};
            if (static_cast<int>(i) == current)
                canvas.drawText("\xe2\x9c\x93", {row.x + 2, row.y, 14, row.h}, f, text, Align::Left);
            canvas.drawText(entries_[i], {row.x + 16, row.y, row.w - 16, row.h}, f, text, Align::Left);
        }
    }
    bool onMouseDown(const MouseEvent& e) override
    {
        if (area_.contains(e.where)) {
            int row = static_cast<int>((e.where.y - area_.y - 2) / kRowHeight);
            if (row >= 0 && row < static_cast<int>(entries_.size())) menu_.select(row);
        }
        return true;
    }

private:
    OptionMenu& menu_;
    std::vector<std::string> entries_;
    Rect area_;
};

std::string readText(const std::vector<uint8_t>& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

} // namespace

Editor::Editor(Steinberg::Vst::IEditController* controller, const Resources& resources,
               const std::string& descriptionName, const std::string& templateName)
    : controller_(controller), resources_(&resources)
{
    if (controller_) {
        edits_ = Steinberg::FUnknownPtr<IParameterEdits>(controller_);
        const Steinberg::int32 count = controller_->getParameterCount();
        for (Steinberg::int32 i = 0; i < count; ++i) {
            Steinberg::Vst::ParameterInfo info{};
            if (controller_->getParameterInfo(i, info) == Steinberg::kResultOk)
                parameters_[static_cast<int>(info.id)] = info;
        }
    }
    build(descriptionName, templateName);
    resources_ = nullptr;
}

void Editor::build(const std::string& descriptionName, const std::string& templateName)
{
    auto bytes = resources_->read(Resources::Kind::Description, descriptionName);
    if (!bytes) {
        error_ = "the editor description " + descriptionName + " is missing";
        return;
    }
    auto doc = parseDocument(readText(*bytes), error_);
    if (!doc) return;
    document_ = std::move(*doc);
    const TemplateDesc* t = document_.findTemplate(templateName);
    if (!t) {
        error_ = "the editor description has no template " + templateName;
        return;
    }
    Point size = parsePoint(t->container.get("size")).value_or(Point{});
    if (size.x < 1 || size.y < 1 || size.x > 16384 || size.y > 16384) {
        error_ = "the template " + templateName + " has no usable size";
        return;
    }
    width_ = static_cast<int>(size.x);
    height_ = static_cast<int>(size.y);
    background_ = parseColor(t->container.get("background-color", "#000000ff")).value_or(Color{0, 0, 0, 1});
    if (const std::string* b = t->container.find("bitmap")) backgroundImage_ = image(*b);
    for (const ViewDesc& d : t->views) views_.push_back(createView(*this, d));
    for (auto& [tag, b] : bindings_) b->lastSeen = b->value();
    dirty_ = {0, 0, static_cast<double>(width_), static_cast<double>(height_)};
}

Editor::~Editor()
{
    for (auto& [tag, b] : bindings_) b->onChange = nullptr;
}

bool Editor::resize(int width, int height)
{
    if (width < 1 || height < 1 || width > 16384 || height > 16384) return false;
    if (width == width_ && height == height_) return true;
    if (sizeRequest_ && !sizeRequest_(width, height)) return false;
    width_ = width;
    height_ = height;
    invalidate(allArea());
    return true;
}

void Editor::setKnobModeSource(std::function<Steinberg::Vst::KnobMode()> source)
{
    knobModeSource_ = std::move(source);
}

Steinberg::Vst::KnobMode Editor::knobMode() const
{
    return knobModeSource_ ? knobModeSource_() : Steinberg::Vst::kLinearMode;
}

const Image* Editor::image(const std::string& bitmapName)
{
    auto it = images_.find(bitmapName);
    if (it != images_.end()) return it->second.get();
    std::unique_ptr<Image> decoded;
    if (!resources_) return nullptr;
    if (const std::string* path = document_.bitmapPath(bitmapName))
        if (auto bytes = resources_->read(Resources::Kind::Image, *path)) decoded = loadImage(*bytes);
    const Image* result = decoded.get();
    images_[bitmapName] = std::move(decoded);
    return result;
}

Binding* Editor::binding(int tag)
{
    auto it = bindings_.find(tag);
    if (it != bindings_.end()) return it->second.get();
    const auto info = parameters_.find(tag);
    auto b = std::make_unique<Binding>(controller_, edits_.get(), tag,
                                       info != parameters_.end() ? &info->second : nullptr);
    b->onChange = [this](Binding& changed) { bindingChanged(changed); };
    Binding* raw = b.get();
    bindings_[tag] = std::move(b);
    return raw;
}

std::vector<View*> Editor::viewsWithTag(int tag) const
{
    std::vector<View*> out;
    for (const auto& v : views_)
        if (v->binding() && v->binding()->tag() == tag) out.push_back(v.get());
    return out;
}

void Editor::bindingChanged(Binding& b)
{
    for (View* v : viewsWithTag(b.tag())) {
        v->valueChanged();
        // A splash opens when its value reaches the maximum.
        if (auto* splash = dynamic_cast<SplashScreen*>(v); splash && b.value() >= 1 && !modal_)
            openSplash(*splash);
    }
}

void Editor::openSplash(SplashScreen& splash)
{
    if (focus_) setFocus(nullptr);
    modal_ = std::make_unique<SplashModal>(*this, splash);
    invalidate({0, 0, static_cast<double>(width_), static_cast<double>(height_)});
}

void Editor::openPopup(OptionMenu& menu)
{
    if (modal_) return;
    if (focus_) setFocus(nullptr);
    auto popup = std::make_unique<PopupModal>(*this, menu);
    invalidate(popup->area());
    modal_ = std::move(popup);
}

void Editor::closeModal()
{
    if (!modal_) return;
    std::unique_ptr<Modal> closing = std::move(modal_);
    invalidate({0, 0, static_cast<double>(width_), static_cast<double>(height_)});
    if (closing->isSplash()) {
        auto& splash = static_cast<SplashModal&>(*closing).splash();
        if (Binding* b = splash.binding()) b->edit(0.0);
    }
}

bool Editor::splashOpen() const
{
    return modal_ && modal_->isSplash();
}

double Editor::splashAlpha() const
{
    return splashOpen() ? static_cast<SplashModal&>(*modal_).alpha() : 0;
}

bool Editor::popupOpen() const
{
    return modal_ && !modal_->isSplash();
}

void Editor::invalidate(const Rect& r)
{
    dirty_ = dirty_.united(r);
}

Rect Editor::takeDirty()
{
    Rect d = dirty_.intersected({0, 0, static_cast<double>(width_), static_cast<double>(height_)});
    dirty_ = {};
    return d;
}

void Editor::setFocus(View* view)
{
    if (focus_ == view) return;
    View* old = focus_;
    focus_ = view;
    if (old) old->onFocusLost();
}

bool Editor::onMouse(const MouseEvent& e)
{
    if (!valid()) return false;
    hideTooltip();
    if (e.kind == MouseEvent::Kind::Leave) {
        hovering_ = false;
        return false;
    }
    // A pointer moving with no button held starts a new rest.
    hovering_ = e.kind == MouseEvent::Kind::Move && !tracking_;
    hover_ = e.where;
    hoverSince_ = now_;
    if (e.kind == MouseEvent::Kind::Down) {
        if (modal_) {
            if (modal_->onMouseDown(e)) closeModal();
            return true;
        }
        if (focus_ && !focus_->frame().contains(e.where)) setFocus(nullptr);
        for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
            View& v = **it;
            if (!v.mouseEnabled() || !v.frame().contains(e.where)) continue;
            if (v.onMouseDown(e)) {
                // A click that opened a modal view ends there; other views track the drag.
                tracking_ = modal_ ? (modal_->isSplash() ? &v : nullptr) : &v;
                return true;
            }
        }
        return false;
    }
    if (!tracking_) return modal_ != nullptr;
    if (e.kind == MouseEvent::Kind::Move) {
        tracking_->onMouseMove(e);
    } else {
        View* v = tracking_;
        tracking_ = nullptr;
        v->onMouseUp(e);
    }
    return true;
}

bool Editor::onWheel(const WheelEvent& e)
{
    if (!valid()) return false;
    hideTooltip();
    hovering_ = false;
    if (modal_) return true;
    for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
        View& v = **it;
        if (v.mouseEnabled() && v.frame().contains(e.where) && v.onWheel(e)) return true;
    }
    return false;
}

bool Editor::onKey(const KeyEvent& e)
{
    if (!valid()) return false;
    hideTooltip();
    hovering_ = false;
    if (modal_) {
        if (e.key == Key::Escape && !modal_->isSplash()) closeModal();
        return true;
    }
    return focus_ && focus_->onKey(e);
}

void Editor::idle(double nowMs)
{
    now_ = nowMs;
    for (auto& [tag, b] : bindings_) {
        const double v = b->value();
        if (v != b->lastSeen) {
            b->lastSeen = v;
            bindingChanged(*b);
        }
    }
    for (auto& v : views_) v->idle();
    if (modal_) modal_->idle();

    if (hovering_ && !tooltipView_ && !modal_ && !tracking_ && now_ - hoverSince_ >= kTooltipDelayMs) {
        hovering_ = false; // one tooltip per rest
        // The view a click would reach, as in VSTGUI: the topmost under the pointer.
        for (auto it = views_.rbegin(); it != views_.rend(); ++it) {
            const View& v = **it;
            if (!v.mouseEnabled() || !v.frame().contains(hover_)) continue;
            if (!v.tooltip().empty()) {
                tooltipView_ = &v;
                invalidate(allArea()); // its size is known only once drawn
            }
            break;
        }
    }
}

std::string Editor::tooltipShown() const
{
    return tooltipView_ ? tooltipView_->tooltip() : std::string();
}

void Editor::hideTooltip()
{
    if (!tooltipView_) return;
    tooltipView_ = nullptr;
    invalidate(allArea());
}

void Editor::drawTooltip(Canvas& canvas)
{
    const Font font{"sans-serif", 11, false};
    constexpr double kLineHeight = 15, kPad = 5, kBelowPointer = 20;
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t nl; (nl = tooltipView_->tooltip().find('\n', start)) != std::string::npos; start = nl + 1)
        lines.push_back(tooltipView_->tooltip().substr(start, nl - start));
    lines.push_back(tooltipView_->tooltip().substr(start));
    double textWidth = 0;
    for (const auto& line : lines) textWidth = std::max(textWidth, canvas.textWidth(line, font));
    const double w = std::min(std::ceil(textWidth) + 2 * kPad + 8, static_cast<double>(width_));
    const double h = kLineHeight * static_cast<double>(lines.size()) + 2 * kPad;
    double x = std::clamp(hover_.x, 0.0, std::max(0.0, width_ - w));
    double y = hover_.y + kBelowPointer;
    if (y + h > height_) y = std::max(0.0, hover_.y - h - 4);
    const Rect box{std::round(x), std::round(y), w, h};
    canvas.fillRect({box.x + 2, box.y + 2, box.w, box.h}, {0, 0, 0, 0.35});
    canvas.fillRect(box, {1, 1, 0.88, 1});
    canvas.strokeRect(box, {0.2, 0.2, 0.2, 1}, 1);
    for (size_t i = 0; i < lines.size(); ++i)
        canvas.drawText(
            lines[i],
            {box.x + kPad, box.y + kPad + kLineHeight * static_cast<double>(i), w - 2 * kPad, kLineHeight},
            font, {0, 0, 0, 1}, Align::Left);
}

void Editor::draw(Canvas& canvas)
{
    draw(canvas, allArea());
}

void Editor::draw(Canvas& canvas, const Rect& area)
{
    const Rect all = allArea();
    const Rect shown = area.intersected(all);
    if (shown.empty()) return;
    canvas.save();
    canvas.clip(shown);
    if (!valid()) {
        canvas.fillRect(all, {0.12, 0.12, 0.13, 1});
        canvas.drawText("Editor unavailable: " + error_, {10, 0, all.w - 20, all.h},
                        {"sans-serif", 12, false}, {1, 0.4, 0.35, 1}, Align::Left);
        canvas.restore();
        return;
    }
    canvas.fillRect(shown, background_);
    // The whole picture under the clip: a part of it, scaled and smoothed, would
    // take other samples at its edges than a full draw does.
    if (backgroundImage_)
        canvas.drawImage(*backgroundImage_,
                         {0, 0, static_cast<double>(backgroundImage_->width()),
                          static_cast<double>(backgroundImage_->height())},
                         {0, 0});
    for (auto& v : views_) {
        if (v->frame().intersected(shown).empty()) continue;
        canvas.save();
        canvas.clip(v->frame());
        v->draw(canvas);
        canvas.restore();
    }
    if (modal_)
        modal_->draw(canvas);
    else if (tooltipView_)
        drawTooltip(canvas);
    canvas.restore();
}

} // namespace vosk::ui

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
#include "d2dcanvas.h"

#include "common/utf.h"

#include <objbase.h>

#include <algorithm>
#include <cmath>
#include <cstring>

namespace vosk::ui {

namespace {

D2D1_RECT_F rectF(const Rect& r)
{
    return D2D1::RectF(static_cast<float>(r.x), static_cast<float>(r.y), static_cast<float>(r.x + r.w),
                       static_cast<float>(r.y + r.h));
}

D2D1_COLOR_F colorF(Color c)
{
    return D2D1::ColorF(static_cast<float>(c.r), static_cast<float>(c.g), static_cast<float>(c.b),
                        static_cast<float>(c.a));
}

D2D1_ROUNDED_RECT roundedRect(const Rect& r, double radius)
{
    const auto clamped = static_cast<float>(std::max(0.0, std::min({radius, r.w / 2, r.h / 2})));
    return D2D1::RoundedRect(rectF(r), clamped, clamped);
}

ComPtr<IWICImagingFactory> createWic()
{
    ComPtr<IWICImagingFactory> wic;
    CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&wic));
    return wic;
}

// Families to try after the one asked for, by kind of face.
const std::vector<std::wstring>& fallbacks(const std::string& family)
{
    static const std::vector<std::wstring> sans{L"Segoe UI", L"Tahoma", L"Liberation Sans", L"DejaVu Sans"};
    static const std::vector<std::wstring> serif{L"Times New Roman", L"Liberation Serif", L"DejaVu Serif",
                                                 L"Segoe UI",        L"Tahoma",           L"Liberation Sans",
                                                 L"DejaVu Sans"};
    static const std::vector<std::wstring> mono{L"Consolas",         L"Courier New", L"Liberation Mono",
                                                L"DejaVu Sans Mono", L"Segoe UI",    L"Tahoma",
                                                L"Liberation Sans",  L"DejaVu Sans"};
    if (family == "serif") return serif;
    if (family == "monospace") return mono;
    return sans;
}

} // namespace

ComScope::ComScope() : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComScope::~ComScope()
{
    if (initialised_) CoUninitialize();
}

// The factories live until the process ends: releasing them while the module
// unloads would run inside the loader lock.
ID2D1Factory* d2dFactory()
{
    static ID2D1Factory* factory = [] {
        ID2D1Factory* made = nullptr;
        D2D1CreateFactory(D2D1_FACTORY_TYPE_SINGLE_THREADED, __uuidof(ID2D1Factory), nullptr,
                          reinterpret_cast<void**>(&made));
        return made;
    }();
    return factory;
}

IDWriteFactory* writeFactory()
{
    static IDWriteFactory* factory = [] {
        IDWriteFactory* made = nullptr;
        DWriteCreateFactory(DWRITE_FACTORY_TYPE_SHARED, __uuidof(IDWriteFactory),
                            reinterpret_cast<IUnknown**>(&made));
        return made;
    }();
    return factory;
}

std::wstring resolveFontFamily(const std::string& family)
{
    static std::map<std::string, std::wstring> resolved;
    const auto known = resolved.find(family);
    if (known != resolved.end()) return known->second;

    std::vector<std::wstring> candidates;
    if (family != "sans-serif" && family != "serif" && family != "monospace" && !family.empty())
        candidates.push_back(wideFromUtf8(family));
    const auto& more = fallbacks(family);
    candidates.insert(candidates.end(), more.begin(), more.end());

    ComPtr<IDWriteFontCollection> fonts;
    std::wstring found;
    if (writeFactory() && SUCCEEDED(writeFactory()->GetSystemFontCollection(&fonts, FALSE))) {
        for (const std::wstring& candidate : candidates) {
            UINT32 index = 0;
            BOOL exists = FALSE;
            if (SUCCEEDED(fonts->FindFamilyName(candidate.c_str(), &index, &exists)) && exists) {
                found = candidate;
                break;
            }
        }
        // None of the list: any family at all draws better than none.
        ComPtr<IDWriteFontFamily> first;
        ComPtr<IDWriteLocalizedStrings> names;
        UINT32 length = 0;
        if (found.empty() && fonts->GetFontFamilyCount() > 0 && SUCCEEDED(fonts->GetFontFamily(0, &first)) &&
            SUCCEEDED(first->GetFamilyNames(&names)) && SUCCEEDED(names->GetStringLength(0, &length))) {
            std::wstring name(length + 1, L'\0');
            if (SUCCEEDED(names->GetString(0, name.data(), length + 1))) found = name.c_str();
        }
    }
    if (found.empty()) found = candidates.front();
    resolved[family] = found;
    return found;
}

std::unique_ptr<Image> loadImage(const std::vector<uint8_t>& bytes)
{
    if (bytes.empty() || bytes.size() > 0x7fffffff) return nullptr;
    ComScope com;
    ComPtr<IWICImagingFactory> wic = createWic();
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapDecoder> decoder;
    ComPtr<IWICBitmapFrameDecode> frame;
    ComPtr<IWICFormatConverter> converter;
    if (!wic || FAILED(wic->CreateStream(&stream)) ||
        FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()),
                                            static_cast<DWORD>(bytes.size()))) ||
        FAILED(
            wic->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand, &decoder)) ||
        FAILED(decoder->GetFrame(0, &frame)) || FAILED(wic->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0, WICBitmapPaletteTypeCustom)))
        return nullptr;
    UINT width = 0, height = 0;
    if (FAILED(converter->GetSize(&width, &height)) || width == 0 || height == 0 || width > 32768 ||
        height > 32768)
        return nullptr;
    std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
    if (FAILED(converter->CopyPixels(nullptr, width * 4, static_cast<UINT>(pixels.size()), pixels.data())))
        return nullptr;
    return std::make_unique<D2DImage>(static_cast<int>(width), static_cast<int>(height), std::move(pixels));
}

D2D1_RENDER_TARGET_PROPERTIES renderTargetProperties(D2D1_ALPHA_MODE alpha)
{
    return D2D1::RenderTargetProperties(D2D1_RENDER_TARGET_TYPE_DEFAULT,
                                        D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, alpha), 96.f, 96.f);
}

D2DCanvas::D2DCanvas(ID2D1RenderTarget* target) : target_(target)
{
    // Grey-scale text looks the same on every target, windows and offscreen pictures alike.
    target_->SetTextAntialiasMode(D2D1_TEXT_ANTIALIAS_MODE_GRAYSCALE);
}

void D2DCanvas::place(double scale, int originX, int originY)
{
    scale_ = scale;
    const auto factor = static_cast<float>(scale);
    target_->SetTransform(
        D2D1::Matrix3x2F::Scale(factor, factor) *
        D2D1::Matrix3x2F::Translation(static_cast<float>(-originX), static_cast<float>(-originY)));
}

void D2DCanvas::save()
{
    pushed_.push_back(Pushed::Save);
}

void D2DCanvas::popThrough(Pushed kind)
{
    while (!pushed_.empty()) {
        const Pushed last = pushed_.back();
        popOne();
        if (last == kind) return;
    }
}

void D2DCanvas::restore()
{
    popThrough(Pushed::Save);
}

void D2DCanvas::clip(const Rect& r)
{
    target_->PushAxisAlignedClip(rectF(r), D2D1_ANTIALIAS_MODE_ALIASED);
    pushed_.push_back(Pushed::Clip);
}

void D2DCanvas::pushAlpha(double alpha)
{
    ComPtr<ID2D1Layer> layer;
    if (FAILED(target_->CreateLayer(&layer))) return;
    target_->PushLayer(D2D1::LayerParameters(D2D1::InfiniteRect(), nullptr, D2D1_ANTIALIAS_MODE_PER_PRIMITIVE,
                                             D2D1::IdentityMatrix(), static_cast<float>(alpha)),
                       layer.Get());
    pushed_.push_back(Pushed::Layer);
}

void D2DCanvas::popAlpha()
{
    popThrough(Pushed::Layer);
}

void D2DCanvas::unwind()
{
    while (!pushed_.empty()) popOne();
}

void D2DCanvas::popOne()
{
    switch (pushed_.back()) {
    case Pushed::Clip:
        target_->PopAxisAlignedClip();
        break;
    case Pushed::Layer:
        target_->PopLayer();
        break;
    case Pushed::Save:
        break;
    }
    pushed_.pop_back();
}

ID2D1SolidColorBrush* D2DCanvas::brush(Color c)
{
    if (!brush_)
        target_->CreateSolidColorBrush(colorF(c), &brush_);
    else
        brush_->SetColor(colorF(c));
    return brush_.Get();
}

void D2DCanvas::fillRect(const Rect& r, Color c)
{
    if (auto* b = brush(c)) target_->FillRectangle(rectF(r), b);
}

void D2DCanvas::strokeRect(const Rect& r, Color c, double lineWidth)
{
    const double inset = lineWidth / 2;
    if (auto* b = brush(c))
        target_->DrawRectangle(rectF({r.x + inset, r.y + inset, r.w - lineWidth, r.h - lineWidth}), b,
                               static_cast<float>(lineWidth));
}

void D2DCanvas::fillRoundRect(const Rect& r, double radius, Color c)
{
    if (auto* b = brush(c)) target_->FillRoundedRectangle(roundedRect(r, radius), b);
}

void D2DCanvas::strokeRoundRect(const Rect& r, double radius, Color c, double lineWidth)
{
    const double inset = lineWidth / 2;
    if (auto* b = brush(c))
        target_->DrawRoundedRectangle(
            roundedRect({r.x + inset, r.y + inset, r.w - lineWidth, r.h - lineWidth}, radius), b,
            static_cast<float>(lineWidth));
}

void D2DCanvas::fillRoundRectGradient(const Rect& r, double radius, Color top, Color bottom)
{
    const D2D1_GRADIENT_STOP stops[2] = {{0.f, colorF(top)}, {1.f, colorF(bottom)}};
    ComPtr<ID2D1GradientStopCollection> collection;
    ComPtr<ID2D1LinearGradientBrush> gradient;
    if (FAILED(target_->CreateGradientStopCollection(stops, 2, &collection)) ||
        FAILED(target_->CreateLinearGradientBrush(
            D2D1::LinearGradientBrushProperties(
                D2D1::Point2F(static_cast<float>(r.x), static_cast<float>(r.y)),
                D2D1::Point2F(static_cast<float>(r.x), static_cast<float>(r.y + r.h))),
            collection.Get(), &gradient)))
        return;
    target_->FillRoundedRectangle(roundedRect(r, radius), gradient.Get());
}

void D2DCanvas::line(Point a, Point b, Color c, double lineWidth)
{
    if (auto* br = brush(c))
        target_->DrawLine(D2D1::Point2F(static_cast<float>(a.x), static_cast<float>(a.y)),
                          D2D1::Point2F(static_cast<float>(b.x), static_cast<float>(b.y)), br,
                          static_cast<float>(lineWidth));
}

ComPtr<ID2D1PathGeometry> D2DCanvas::pathThrough(const std::vector<Point>& points, bool closed)
{
    ComPtr<ID2D1Factory> factory;
    target_->GetFactory(&factory);
    ComPtr<ID2D1PathGeometry> geometry;
    ComPtr<ID2D1GeometrySink> sink;
    if (!factory || FAILED(factory->CreatePathGeometry(&geometry)) || FAILED(geometry->Open(&sink))) return {};
    const auto at = [](Point p) { return D2D1::Point2F(static_cast<float>(p.x), static_cast<float>(p.y)); };
    sink->SetFillMode(D2D1_FILL_MODE_WINDING);
    sink->BeginFigure(at(points[0]), closed ? D2D1_FIGURE_BEGIN_FILLED : D2D1_FIGURE_BEGIN_HOLLOW);
    for (size_t i = 1; i < points.size(); ++i) sink->AddLine(at(points[i]));
    sink->EndFigure(closed ? D2D1_FIGURE_END_CLOSED : D2D1_FIGURE_END_OPEN);
    if (FAILED(sink->Close())) return {};
    return geometry;
}

void D2DCanvas::polyline(const std::vector<Point>& points, Color c, double lineWidth)
{
    if (points.size() < 2) return;
    auto* b = brush(c);
    if (!b) return;
    // Round joins, as cairo's curves have them.
    ComPtr<ID2D1Factory> factory;
    target_->GetFactory(&factory);
    ComPtr<ID2D1StrokeStyle> style;
    if (factory)
        factory->CreateStrokeStyle(D2D1::StrokeStyleProperties(D2D1_CAP_STYLE_FLAT, D2D1_CAP_STYLE_FLAT,
                                                               D2D1_CAP_STYLE_FLAT, D2D1_LINE_JOIN_ROUND),
                                   nullptr, 0, &style);
    if (auto geometry = pathThrough(points, false))
        target_->DrawGeometry(geometry.Get(), b, static_cast<float>(lineWidth), style.Get());
}

void D2DCanvas::fillPolygon(const std::vector<Point>& points, Color c)
{
    if (points.size() < 3) return;
    if (auto* b = brush(c))
        if (auto geometry = pathThrough(points, true)) target_->FillGeometry(geometry.Get(), b);
}

ID2D1Bitmap* D2DCanvas::bitmapOf(const D2DImage& image)
{
    auto& bitmap = bitmaps_[&image];
    if (!bitmap)
        target_->CreateBitmap(
            D2D1::SizeU(static_cast<UINT32>(image.width()), static_cast<UINT32>(image.height())),
            image.pixels().data(), static_cast<UINT32>(image.width()) * 4,
            D2D1::BitmapProperties(
                D2D1::PixelFormat(DXGI_FORMAT_B8G8R8A8_UNORM, D2D1_ALPHA_MODE_PREMULTIPLIED), 96.f, 96.f),
            &bitmap);
    return bitmap.Get();
}

void D2DCanvas::drawImage(const Image& image, const Rect& src, Point dest)
{
    const auto& d2dImage = static_cast<const D2DImage&>(image);
    // Only the part of src inside the picture draws, where it would have been.
    const Rect inside =
        src.intersected({0, 0, static_cast<double>(image.width()), static_cast<double>(image.height())});
    if (inside.empty()) return;
    ID2D1Bitmap* bitmap = bitmapOf(d2dImage);
    if (!bitmap) return;
    const Rect to{dest.x + inside.x - src.x, dest.y + inside.y - src.y, inside.w, inside.h};
    // Pixel for pixel unscaled; scaled pictures are smoothed.
    const auto interpolation =
        scale_ == 1 ? D2D1_BITMAP_INTERPOLATION_MODE_NEAREST_NEIGHBOR : D2D1_BITMAP_INTERPOLATION_MODE_LINEAR;
    const D2D1_RECT_F source = rectF(inside);
    target_->DrawBitmap(bitmap, rectF(to), 1.f, interpolation, &source);
}

ComPtr<IDWriteTextLayout> D2DCanvas::layout(const std::string& utf8, const Font& font)
{
    IDWriteFactory* factory = writeFactory();
    if (!factory) return nullptr;
    auto& format = formats_[{font.family, {font.size, font.bold}}];
    if (!format) {
        if (FAILED(factory->CreateTextFormat(resolveFontFamily(font.family).c_str(), nullptr,
                                             font.bold ? DWRITE_FONT_WEIGHT_BOLD : DWRITE_FONT_WEIGHT_NORMAL,
                                             DWRITE_FONT_STYLE_NORMAL, DWRITE_FONT_STRETCH_NORMAL,
                                             static_cast<float>(font.size), L"en-us", &format)))
            return nullptr;
        format->SetWordWrapping(DWRITE_WORD_WRAPPING_NO_WRAP);
    }
    const std::wstring text = wideFromUtf8(utf8);
    ComPtr<IDWriteTextLayout> made;
    factory->CreateTextLayout(text.c_str(), static_cast<UINT32>(text.size()), format.Get(), 1e5f, 1e5f,
                              &made);
    return made;
}

double D2DCanvas::textWidth(const std::string& utf8, const Font& font)
{
    if (utf8.empty()) return 0;
    const ComPtr<IDWriteTextLayout> text = layout(utf8, font);
    DWRITE_TEXT_METRICS metrics{};
    if (!text || FAILED(text->GetMetrics(&metrics))) return 0;
    return metrics.widthIncludingTrailingWhitespace;
}

void D2DCanvas::drawText(const std::string& utf8, const Rect& box, const Font& font, Color c, Align align)
{
    if (utf8.empty()) return;
    const ComPtr<IDWriteTextLayout> text = layout(utf8, font);
    DWRITE_TEXT_METRICS metrics{};
    DWRITE_LINE_METRICS line{};
    UINT32 lines = 0;
    if (!text || FAILED(text->GetMetrics(&metrics)) || FAILED(text->GetLineMetrics(&line, 1, &lines)) ||
        !lines)
        return;
    const double width = metrics.widthIncludingTrailingWhitespace;
    double x = box.x + 2;
    if (align == Align::Center)
        x = box.x + (box.w - width) / 2;
    else if (align == Align::Right)
        x = box.x + box.w - width - 2;
    // The line centred in the box, its baseline on a whole pixel.
    const double baseline = std::round(box.y + (box.h - line.height) / 2 + line.baseline);
    save();
    clip(box);
    if (auto* b = brush(c))
        target_->DrawTextLayout(
            D2D1::Point2F(static_cast<float>(std::round(x)), static_cast<float>(baseline - line.baseline)),
            text.Get(), b);
    restore();
}

D2DOffscreen::D2DOffscreen(int width, int height, double scale)
    : scale_(scale), pixelWidth_(std::max(1, static_cast<int>(std::lround(width * scale)))),
      pixelHeight_(std::max(1, static_cast<int>(std::lround(height * scale)))), wic_(createWic())
{
    if (!wic_ || !d2dFactory() ||
        FAILED(wic_->CreateBitmap(static_cast<UINT>(pixelWidth_), static_cast<UINT>(pixelHeight_),
                                  GUID_WICPixelFormat32bppPBGRA, WICBitmapCacheOnLoad, &bitmap_)) ||
        FAILED(d2dFactory()->CreateWicBitmapRenderTarget(
            bitmap_.Get(), renderTargetProperties(D2D1_ALPHA_MODE_PREMULTIPLIED), &target_)))
        return;
    canvas_ = std::make_unique<D2DCanvas>(target_.Get());
    target_->BeginDraw();
    target_->Clear(D2D1::ColorF(0, 0, 0, 0));
    target_->EndDraw();
}

Canvas& D2DOffscreen::begin()
{
    target_->BeginDraw();
    canvas_->place(scale_, 0, 0);
    return *canvas_;
}

bool D2DOffscreen::end()
{
    canvas_->unwind();
    return SUCCEEDED(target_->EndDraw());
}

std::unique_ptr<D2DImage> D2DOffscreen::picture() const
{
    if (!bitmap_) return nullptr;
    std::vector<uint8_t> pixels(static_cast<size_t>(pixelWidth_) * static_cast<size_t>(pixelHeight_) * 4);
    if (FAILED(bitmap_->CopyPixels(nullptr, static_cast<UINT>(pixelWidth_) * 4,
                                   static_cast<UINT>(pixels.size()), pixels.data())))
        return nullptr;
    return std::make_unique<D2DImage>(pixelWidth_, pixelHeight_, std::move(pixels));
}

std::vector<uint8_t> D2DOffscreen::encodePng() const
{
    if (!bitmap_) return {};
    ComPtr<IStream> memory;
    ComPtr<IWICStream> stream;
    ComPtr<IWICBitmapEncoder> encoder;
    ComPtr<IWICBitmapFrameEncode> frame;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    const bool encoded =
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &memory)) && SUCCEEDED(wic_->CreateStream(&stream)) &&
        SUCCEEDED(stream->InitializeFromIStream(memory.Get())) &&
        SUCCEEDED(wic_->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) && SUCCEEDED(frame->Initialize(nullptr)) &&
        SUCCEEDED(frame->SetSize(static_cast<UINT>(pixelWidth_), static_cast<UINT>(pixelHeight_))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) && SUCCEEDED(frame->WriteSource(bitmap_.Get(), nullptr)) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    if (!encoded) return {};
    // Read back what the encoder wrote, from the start of the stream.
    LARGE_INTEGER zero{};
    ULARGE_INTEGER end{};
    if (FAILED(memory->Seek(zero, STREAM_SEEK_END, &end)) || end.QuadPart > 0x7fffffff ||
        FAILED(memory->Seek(zero, STREAM_SEEK_SET, nullptr)))
        return {};
    std::vector<uint8_t> png(static_cast<size_t>(end.QuadPart));
    ULONG read = 0;
    if (FAILED(memory->Read(png.data(), static_cast<ULONG>(png.size()), &read)) || read != png.size())
        return {};
    return png;
}

std::vector<uint8_t> drawPng(int width, int height, const std::function<void(Canvas&)>& paint)
{
    D2DOffscreen picture(width, height);
    if (!picture.valid()) return {};
    paint(picture.begin());
    if (!picture.end()) return {};
    return picture.encodePng();
}

} // namespace vosk::ui

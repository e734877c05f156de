// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The XML reader of the Windows build: XmlLite, which every Windows since XP
// carries. It is loaded at run time because MinGW ships no import library for it.
#include "editor/xmltree.h"

#include "common/utf.h"

#include <windows.h>

#include <objidl.h>
#include <shlwapi.h>
#include <xmllite.h>

#include <string>
#include <vector>

namespace vosk::ui {

namespace {

using CreateXmlReaderFunction = HRESULT(WINAPI*)(REFIID, void**, IMalloc*);

template <typename T> struct Released
{
    T* p = nullptr;
    ~Released()
    {
        if (p) p->Release();
    }
};

std::string text(const WCHAR* value, UINT length)
{
    return utf8FromWide(std::wstring_view(value, length));
}

std::string failure(IXmlReader* reader, HRESULT hr)
{
    UINT line = 0, column = 0;
    reader->GetLineNumber(&line);
    reader->GetLinePosition(&column);
    char code[16];
    wsprintfA(code, "0x%08lx", static_cast<unsigned long>(hr));
    return std::string("the description is not well-formed XML: error ") + code + " at line " +
           std::to_string(line) + ", column " + std::to_string(column);
}

} // namespace

std::optional<XmlElement> readXml(const std::string& xml, std::string& error)
{
    static const HMODULE library = LoadLibraryW(L"xmllite.dll");
    const auto create = library ? reinterpret_cast<CreateXmlReaderFunction>(
                                      reinterpret_cast<void*>(GetProcAddress(library, "CreateXmlReader")))
                                : nullptr;
    if (!create) {
        error = "the XML reader of the system (xmllite.dll) is missing";
        return std::nullopt;
    }
    if (xml.size() > 0x7fffffff) {
        error = "the description is too large";
        return std::nullopt;
    }
    Released<IStream> stream;
    stream.p = SHCreateMemStream(reinterpret_cast<const BYTE*>(xml.data()), static_cast<UINT>(xml.size()));
    Released<IXmlReader> reader;
    if (!stream.p || FAILED(create(__uuidof(IXmlReader), reinterpret_cast<void**>(&reader.p), nullptr)) ||
        FAILED(reader.p->SetInput(stream.p))) {
        error = "the XML reader cannot be set up";
        return std::nullopt;
    }

    std::optional<XmlElement> root;
    std::vector<XmlElement*> open; // the elements not yet closed, innermost last
    XmlNodeType type = XmlNodeType_None;
    HRESULT hr = S_OK;
    while ((hr = reader.p->Read(&type)) == S_OK) {
        if (type == XmlNodeType_EndElement) {
            if (!open.empty()) open.pop_back();
            continue;
        }
        if (type != XmlNodeType_Element) continue;
        const WCHAR* value = nullptr;
        UINT length = 0;
        XmlElement element;
        reader.p->GetQualifiedName(&value, &length);
        element.name = text(value, length);
        // Asked before the attributes move the reader off the element.
        const bool empty = reader.p->IsEmptyElement() != FALSE;
        for (HRESULT a = reader.p->MoveToFirstAttribute(); a == S_OK; a = reader.p->MoveToNextAttribute()) {
            reader.p->GetQualifiedName(&value, &length);
            std::string name = text(value, length);
            reader.p->GetValue(&value, &length);
            element.attributes.emplace_back(std::move(name), text(value, length));
        }
        XmlElement* placed = nullptr;
        if (open.empty()) {
            root = std::move(element);
            placed = &*root;
        } else {
            open.back()->children.push_back(std::move(element));
            placed = &open.back()->children.back();
        }
        if (!empty) open.push_back(placed);
    }
    if (FAILED(hr)) {
        error = failure(reader.p, hr);
        return std::nullopt;
    }
    if (!root) {
        error = "the description is not well-formed XML: no element";
        return std::nullopt;
    }
    return root;
}

} // namespace vosk::ui

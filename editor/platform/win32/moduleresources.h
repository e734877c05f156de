// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's description and images as resources of a Windows module: the
// description under the type "DATA", every image under the type "PNG", each
// found by its file name, which Windows compares without regard to case.
#pragma once

#include "editor/resources.h"

namespace vosk::ui {

class ModuleResources : public Resources
{
public:
    // `module` is the HINSTANCE of the module that carries the resources.
    explicit ModuleResources(void* module) : module_(module) {}
    std::optional<std::vector<uint8_t>> read(Kind kind, const std::string& name) const override;

private:
    void* module_;
};

} // namespace vosk::ui

// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Where the editor's description and images come from: files in a folder
// (ResourceFolder) or, on Windows, the module's own resources.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vosk::ui {

class Resources
{
public:
    enum class Kind { Description, Image };
    virtual ~Resources() = default;
    // The bytes of the resource called name, compared without regard to case;
    // nothing when absent.
    virtual std::optional<std::vector<uint8_t>> read(Kind kind, const std::string& name) const = 0;
};

// Files in one folder, found by name without regard to case; both kinds alike.
class ResourceFolder : public Resources
{
public:
    explicit ResourceFolder(std::string folder) : folder_(std::move(folder)) {}
    const std::string& folder() const { return folder_; }
    std::optional<std::vector<uint8_t>> read(const std::string& name) const;
    std::optional<std::vector<uint8_t>> read(Kind, const std::string& name) const override
    {
        return read(name);
    }

private:
    std::string folder_;
};

} // namespace vosk::ui

// Files the editor loads (description, images) from one folder, found by name
// without regard to case.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace vosk::ui {

class ResourceFolder
{
public:
    explicit ResourceFolder(std::string folder) : folder_(std::move(folder)) {}
    const std::string& folder() const { return folder_; }
    // The bytes of the file whose name equals name ignoring case; nothing when absent.
    std::optional<std::vector<uint8_t>> read(const std::string& name) const;

private:
    std::string folder_;
};

} // namespace vosk::ui

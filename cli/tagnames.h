#pragma once

#include <cstdint>
#include <vector>

namespace vosk {

struct TagName
{
    const char* name;
    uint32_t id;
};

const std::vector<TagName>& tagNames();

} // namespace vosk

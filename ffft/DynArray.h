// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Minimal owned array: a pointer and a signed count; resizing drops the old
// elements.
#pragma once

#include <cstdint>

namespace ffft {

template <class T> class DynArray
{
public:
    typedef T DataType;

    DynArray() = default;
    explicit DynArray(std::int32_t size);
    ~DynArray();

    DynArray(const DynArray&) = delete;
    DynArray& operator=(const DynArray&) = delete;

    std::int32_t size() const { return _len; }
    void resize(std::int32_t size);

    const DataType& operator[](std::int32_t pos) const;
    DataType& operator[](std::int32_t pos);

    // Unchecked access for the inner loops, whose bounds follow from the length.
    const DataType* data() const { return _data_ptr; }
    DataType* data() { return _data_ptr; }

private:
    DataType* _data_ptr = nullptr;
    std::int32_t _len = 0;
};

} // namespace ffft

#include "ffft/DynArray.hpp"

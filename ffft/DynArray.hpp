// Copyright (C) 2026 Tarnwell
// SPDX-License-Identifier: GPL-3.0-or-later
// Implementation of DynArray; included by DynArray.h only.
#pragma once

#include "ffft/def.h"

namespace ffft {

template <class T> DynArray<T>::DynArray(std::int32_t size)
{
    resize(size);
}

template <class T> DynArray<T>::~DynArray()
{
    delete[] _data_ptr;
}

template <class T> void DynArray<T>::resize(std::int32_t size)
{
    ffft_assert(size >= 0);
    DataType* fresh = (size > 0) ? new DataType[size]() : nullptr;
    delete[] _data_ptr;
    _data_ptr = fresh;
    _len = size;
}

template <class T> const typename DynArray<T>::DataType& DynArray<T>::operator[](std::int32_t pos) const
{
    ffft_assert(pos >= 0);
    ffft_assert(pos < _len);
    return _data_ptr[pos];
}

template <class T> typename DynArray<T>::DataType& DynArray<T>::operator[](std::int32_t pos)
{
    ffft_assert(pos >= 0);
    ffft_assert(pos < _len);
    return _data_ptr[pos];
}

} // namespace ffft

#pragma once

#include <memory>

// The owner of a C library's handle: a std::unique_ptr whose deleter calls
// the library's release function, e.g. CHandle<cairo_t, cairo_destroy>.
template <auto Release>
struct ReleaseWith {
    template <class T>
    void operator()(T* handle) const {
        Release(handle);
    }
};

template <class T, auto Release>
using CHandle = std::unique_ptr<T, ReleaseWith<Release>>;

#pragma once

#include <glib-object.h>

#include "base/CHandle.h"

namespace platform {

// Owners of what GLib hands over: text to g_free, errors, object references.
using GCharPtr = CHandle<char, g_free>;
using GErrorPtr = CHandle<GError, g_error_free>;
template <class T>
using GObjectPtr = CHandle<T, g_object_unref>;

}  // namespace platform

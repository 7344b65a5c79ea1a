#pragma once

namespace platform {

// A native window as the layers above see it: a GtkWidget* at run time,
// nullptr for "no owner".
using WindowHandle = void*;

}  // namespace platform

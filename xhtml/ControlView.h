#pragma once

#include "xhtml/BoxView.h"

namespace xhtml {

// A view that hosts a native child window (property 81 marks it, so a
// conversion to a scrolling frame can move the window along).
class ControlView : public BoxView {
public:
    explicit ControlView(ViewContext* context, int32_t type = kControlView);
    bool acceptsChildren() const override { return false; }
    bool ownsWindow(const void* window) const override { return window && window == window_; }

    const void* window() const { return window_; }
    void setWindow(const void* window) { window_ = window; }

private:
    const void* window_ = nullptr;
};

// object: hosts an application window such as the file list.
class ObjectView : public ControlView {
public:
    explicit ObjectView(ViewContext* context) : ControlView(context, kObjectView) {}
};

}  // namespace xhtml

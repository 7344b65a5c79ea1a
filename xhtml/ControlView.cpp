#include "xhtml/ControlView.h"

namespace xhtml {

ControlView::ControlView(ViewContext* context, int32_t type) : BoxView(context, type) {
    setStyle(StyleId::NativeWindow, StyleValue::makeBool(true), kStateNormal);
}

}  // namespace xhtml

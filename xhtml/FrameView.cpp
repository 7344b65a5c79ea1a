#include "xhtml/FrameView.h"

namespace xhtml {

void FrameView::setScrollMode(int32_t axis, int32_t mode) {
    if (axis & kVertical) verticalScroll_ = mode;
    if (axis & kHorizontal) horizontalScroll_ = mode;
}

}  // namespace xhtml

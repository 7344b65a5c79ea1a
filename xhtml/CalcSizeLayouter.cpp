#include "xhtml/CalcSizeLayouter.h"

#include <algorithm>

namespace xhtml {

void CalcSizeLayouter::commit(const Entry& entry) {
    x_ = clampExtent(int64_t{x_} + entry.width);
    lineHeight_ = std::max(lineHeight_, entry.height);
}

void CalcSizeLayouter::breakLine(int minHeight) {
    maxWidth_ = std::max(maxWidth_, x_ - rect_.left);
    x_ = rect_.left;
    y_ = clampExtent(int64_t{y_} + std::max(lineHeight_, minHeight) + lineSpacing_);
    lineHeight_ = 0;
}

}  // namespace xhtml

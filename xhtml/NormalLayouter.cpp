#include "xhtml/NormalLayouter.h"

#include <algorithm>

namespace xhtml {

void NormalLayouter::commit(const Entry& entry) {
    const int right = clampExtent(int64_t{x_} + entry.width);
    placed_.push_back({entry.view, {x_, y_, right, clampExtent(int64_t{y_} + entry.height)}, entry.vAlign});
    x_ = right;
}

void NormalLayouter::onAdded(View* view) {
    // Out of sight until finish() gives the final place.
    const Size size = view->getSize();
    view->setPosition(-size.width, -size.height);
}

void NormalLayouter::breakLine(int minHeight) {
    const auto first = placed_.begin() + lineStart_;
    int lineHeight = 0;
    int lineWidth = 0;
    for (auto it = first; it != placed_.end(); ++it) {
        lineHeight = std::max(lineHeight, it->rect.height());
        lineWidth = clampExtent(int64_t{lineWidth} + it->rect.width());
    }
    x_ = rect_.left;
    y_ = clampExtent(int64_t{y_} + std::max(lineHeight, minHeight) + lineSpacing_);
    if (placed_.end() - first >= 2 && vAlignLine_ != kTop) {
        for (auto it = first; it != placed_.end(); ++it) {
            const int gap = lineHeight - it->rect.height();
            if (gap <= 0) continue;
            if (it->vAlign == kBottom)
                it->rect = it->rect.offset(0, gap);
            else if (it->vAlign == kMiddle)
                it->rect = it->rect.offset(0, gap / 2);
        }
    }
    if (textAlign_ != kAlignLeft && first != placed_.end() && lineWidth < rect_.width()) {
        const int free = rect_.width() - lineWidth;
        // Justified lines are aligned like right-aligned ones.
        const int shift = (textAlign_ == kAlignRight || textAlign_ == kAlignJustify) ? free
                          : textAlign_ == kAlignCenter                               ? free / 2
                                                                                     : 0;
        if (shift)
            for (auto it = first; it != placed_.end(); ++it) it->rect = it->rect.offset(shift, 0);
    }
    lineStart_ = static_cast<int>(placed_.size());
}

void NormalLayouter::finish() {
    Layouter::finish();
    if (y_ < rect_.bottom && (vAlignContent_ == kMiddle || vAlignContent_ == kBottom)) {
        const int shift = vAlignContent_ == kBottom ? rect_.bottom - y_ : (rect_.bottom - y_) / 2;
        for (Placed& p : placed_) p.rect = p.rect.offset(0, shift);
    }
    for (const Placed& p : placed_) p.view->setPosition(p.rect.left, p.rect.top);
}

Rect NormalLayouter::getUsedRect() const {
    if (placed_.empty()) return {rect_.left, rect_.top, rect_.left, rect_.top};
    Rect used = placed_.front().rect;
    for (const Placed& p : placed_) {
        used.left = std::min(used.left, p.rect.left);
        used.top = std::min(used.top, p.rect.top);
        used.right = std::max(used.right, p.rect.right);
        used.bottom = std::max(used.bottom, p.rect.bottom);
    }
    return used;
}

}  // namespace xhtml

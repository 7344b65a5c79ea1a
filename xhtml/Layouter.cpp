#include "xhtml/Layouter.h"

#include <algorithm>
#include <utility>

namespace xhtml {

Layouter::Layouter(int32_t mode, const Rect& area)
    : mode_(mode), rect_(area), x_(area.left), y_(area.top) {}

Layouter::~Layouter() = default;

int32_t Layouter::setTextAlign(int32_t value) { return std::exchange(textAlign_, value); }
int32_t Layouter::setVAlignContent(int32_t value) { return std::exchange(vAlignContent_, value); }
int32_t Layouter::setVAlignLine(int32_t value) { return std::exchange(vAlignLine_, value); }
int Layouter::setLineSpacing(int value) { return std::exchange(lineSpacing_, std::max(0, value)); }

bool Layouter::setFlag(uint32_t mask, bool on) {
    const bool was = hasFlag(mask);
    flags_ = on ? (flags_ | mask) : (flags_ & ~mask);
    return was;
}

void Layouter::ensureNewLine() {
    flushPending();
    if (x_ != rect_.left) breakLine(0);
}

void Layouter::newLine(int minHeight) {
    flushPending();
    breakLine(minHeight);
}

void Layouter::add(View* view) {
    const Size size = view->getSize();
    const Entry entry{view, size.width, size.height, vAlignLine_};
    // Blanks never start a line. A dropped blank keeps no size, so it is
    // neither hit nor painted where it was last placed.
    if (view->isBlank() && !hasContent()) return view->setSize(0, 0);
    if (hasFlag(kNoWrap)) {
        // A run without wrapping is committed as one unit by the next flush.
        pending_.push_back(entry);
        pendingWidth_ = clampExtent(int64_t{pendingWidth_} + entry.width);
    } else {
        flushPending();
        if (view->isBlank()) {
            if (!hasContent()) return view->setSize(0, 0);
            if (int64_t{x_} + entry.width >= rect_.right) {
                breakLine(0);
                return view->setSize(0, 0);
            }
        }
        pending_.push_back(entry);
        pendingWidth_ = clampExtent(int64_t{pendingWidth_} + entry.width);
        flushPending();
    }
    onAdded(view);
}

void Layouter::flushPending() {
    if (pending_.empty()) return;
    // A run on an empty line never wraps: it overflows instead.
    if (int64_t{x_} + pendingWidth_ >= rect_.right && x_ > rect_.left) breakLine(0);
    for (const Entry& entry : pending_) commit(entry);
    pending_.clear();
    pendingWidth_ = 0;
}

void Layouter::finish() { ensureNewLine(); }

}  // namespace xhtml

#include "xhtml/WordView.h"

#include "platform/gfx/Font.h"

namespace xhtml {

WordView::WordView(ViewContext* context, ZString text) : View(context, kWordView), text_(std::move(text)) {
}

bool WordView::isBlank() const { return text_.length() == 1 && text_.getAt(0) == u' '; }

Size WordView::sizeIn(const std::shared_ptr<platform::gfx::Font>& font) {
    for (const Measured& entry : measured_) {
        if (entry.font == font) return entry.size;
    }
    const platform::gfx::TextExtents e = font->measure(text_.view());
    Measured& slot = measured_[nextSlot_];
    nextSlot_ = (nextSlot_ + 1) % measured_.size();
    slot = {font, {e.width, e.height}};
    return slot.size;
}

}  // namespace xhtml

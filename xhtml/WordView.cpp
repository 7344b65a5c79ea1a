#include "xhtml/WordView.h"

namespace xhtml {

WordView::WordView(ViewContext* context, ZString text) : View(context, kWordView), text_(std::move(text)) {
    clearMeasured();
}

bool WordView::isBlank() const { return text_.length() == 1 && text_.getAt(0) == u' '; }

void WordView::clearMeasured() { measured_.fill(Size{-1, -1}); }

}  // namespace xhtml

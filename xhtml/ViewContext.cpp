#include "xhtml/ViewContext.h"

#include "xhtml/EventListener.h"
#include "xhtml/View.h"

namespace xhtml {

ViewContext::ViewContext() = default;

ViewContext::~ViewContext() = default;

void ViewContext::setUrlLoader(std::unique_ptr<UrlLoader> loader) { urlLoader_ = std::move(loader); }

void ViewContext::setCursor(int cursor) {
    if ((cursor == 0 || cursor == 1) && cursorSetter_) cursorSetter_(cursor);
}

void ViewContext::onLButtonDown(View* view) {
    if (listener_) listener_->onLButtonDown(view);
}

void ViewContext::onLButtonUp(View* view) {
    if (!listener_) return;
    const bool click = (view->stateFlags() & kLeftClick) != 0;
    if (click && view->type() == kLinkView) listener_->onLinkClicked(view);
    if (click && view->type() == kButtonView) listener_->onButtonClicked(view);
    if (click) listener_->onClicked(view);
    listener_->onLButtonUp(view);
}

void ViewContext::onRButtonDown(View* view) {
    if (listener_) listener_->onRButtonDown(view);
}

void ViewContext::onRButtonUp(View* view) {
    if (listener_) listener_->onRButtonUp(view);
}

}  // namespace xhtml

#include "xhtml/CheckView.h"

#include "platform/gui/Theme.h"
#include "xhtml/EventListener.h"
#include "xhtml/ViewContext.h"

namespace xhtml {

namespace gui = platform::gui;

namespace {

gui::Theme::State themeState(const CheckView& view) {
    gui::Theme::State state;
    state.checked = view.isChecked();
    state.hot = view.isHovered();
    state.pressed = (view.stateFlags() & kLeftPressed) != 0;
    state.disabled = view.isDisabled();
    return state;
}

}  // namespace

void CheckView::paintContent(platform::gfx::Dc& dc, const Rect& clip) {
    const Rect content = getContentRect();
    if (content.touches(clip)) gui::Theme::drawCheckBox(dc, content, themeState(*this));
}

void CheckView::onLButtonUp() {
    const bool click = (stateFlags() & kLeftClick) != 0;
    BoxView::onLButtonUp();
    if (click) setChecked(!isChecked(), true);
}

void CheckView::setChecked(bool checked, bool notify) {
    if (checked != isChecked()) {
        setStyle(StyleId::Checked, StyleValue::makeBool(checked), kStateNormal);
        invalidate();
    }
    EventListener* listener = context_ ? context_->listener() : nullptr;
    if (notify && listener) listener->onFormNotify(this);
}

void RadioView::paintContent(platform::gfx::Dc& dc, const Rect& clip) {
    const Rect content = getContentRect();
    if (content.touches(clip)) gui::Theme::drawRadioButton(dc, content, themeState(*this));
}

void RadioView::onLButtonUp() {
    const bool click = (stateFlags() & kLeftClick) != 0;
    BoxView::onLButtonUp();
    if (click && !isChecked()) setChecked(true, true);
}

void RadioView::setChecked(bool checked, bool notify) {
    if (checked) {
        const ZString name = getNameText();
        if (!name.isEmpty()) {
            getRoot()->forEachInTree([&](View* view) {
                if (view != this && view->type() == kRadioView &&
                    static_cast<RadioView*>(view)->getNameText() == name)
                    static_cast<RadioView*>(view)->CheckView::setChecked(false, false);
                return true;
            });
        }
    }
    CheckView::setChecked(checked, notify);
}

}  // namespace xhtml

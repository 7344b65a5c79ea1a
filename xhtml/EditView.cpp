#include "xhtml/EditView.h"

#include "platform/gui/Controls.h"

namespace xhtml {

namespace gui = platform::gui;

platform::WindowHandle EditView::createWindow(platform::WindowHandle parent) {
    return gui::Controls::createEdit(parent, 0,
                                     styleString(StyleId::FormValue, ZString(), kStateNormal),
                                     styleBool(StyleId::Password, false, kStateNormal),
                                     styleBool(StyleId::ReadOnly, false, kStateNormal));
}

void EditView::getValue(ZString& out) const {
    if (window())
        out = gui::Controls::text(window());
    else
        FormElement::getValue(out);
}

void EditView::setValue(const ZString& value) {
    setStyle(StyleId::FormValue, StyleValue::makeString(value), kStateNormal);
    if (window()) gui::Controls::setText(window(), value);
    relayoutNeeded();
}

void EditView::onCommand(const void* window, int code) {
    if (window == this->window() && code == gui::kTextChanged) notifyListener(8);
}

}  // namespace xhtml

#include "xhtml/TextAreaView.h"

#include <algorithm>

#include "platform/gfx/Font.h"
#include "platform/gui/Controls.h"

namespace xhtml {

namespace gui = platform::gui;

void TextAreaView::layout(Layouter& layouter) {
    const int columns = std::max(1, styleInt(StyleId::Columns, 20, kStateNormal));
    const int rows = std::max(1, styleInt(StyleId::Rows, 2, kStateNormal));
    const auto font = getFont();
    // Room for the frame and the vertical scroll bar beside the text.
    const int width = scaleInt(30) + columns * font->averageCharWidth();
    const int height = scaleInt(8) + rows * font->lineHeight();
    layoutBox(layouter, width, height);
}

platform::WindowHandle TextAreaView::createWindow(platform::WindowHandle parent) {
    return gui::Controls::createTextArea(parent, 0,
                                         styleString(StyleId::FormValue, ZString(), kStateNormal),
                                         styleBool(StyleId::ReadOnly, false, kStateNormal));
}

void TextAreaView::getValue(ZString& out) const {
    if (window())
        out = gui::Controls::text(window());
    else
        FormElement::getValue(out);
}

void TextAreaView::setValue(const ZString& value) {
    setStyle(StyleId::FormValue, StyleValue::makeString(value), kStateNormal);
    if (window()) gui::Controls::setText(window(), value);
    relayoutNeeded();
}

void TextAreaView::onCommand(const void* window, int code) {
    if (window == this->window() && code == gui::kTextChanged) notifyListener(8);
}

}  // namespace xhtml

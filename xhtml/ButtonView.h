#pragma once

#include "xhtml/BoxView.h"
#include "xhtml/FormElement.h"

namespace xhtml {

// input type="button": a push button painted with the desktop theme, its
// value as the label; a click reaches the listener's button-clicked slot.
class ButtonView : public BoxView, public FormElement {
public:
    explicit ButtonView(ViewContext* context) : BoxView(context, kButtonView), FormElement(this) {}
    bool acceptsChildren() const override { return false; }
    void layout(Layouter& layouter) override;
    void paintContent(platform::gfx::Dc& dc, const Rect& clip) override;
};

}  // namespace xhtml

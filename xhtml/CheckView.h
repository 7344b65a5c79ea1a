#pragma once

#include "xhtml/BoxView.h"
#include "xhtml/FormElement.h"

namespace xhtml {

// input type="checkbox": painted with the desktop theme in six states
// (unchecked or checked, each normal, hot or pressed); a click toggles it.
class CheckView : public BoxView, public FormElement {
public:
    explicit CheckView(ViewContext* context, int32_t type = kCheckView)
        : BoxView(context, type), FormElement(this) {}
    bool acceptsChildren() const override { return false; }
    void layout(Layouter& layouter) override;
    void paintContent(platform::gfx::Dc& dc, const Rect& clip) override;
    void onLButtonUp() override;

    bool isChecked() const { return styleBool(StyleId::Checked, false, kStateNormal); }
    // "true" or "false".
    ZString getCheckedText() const { return isChecked() ? u"true" : u"false"; }
    // Sets property 79 and repaints; `notify` tells the listener (slot 8).
    virtual void setChecked(bool checked, bool notify);
};

// input type="radio": checking one unchecks the others of its name.
class RadioView : public CheckView {
public:
    explicit RadioView(ViewContext* context) : CheckView(context, kRadioView) {}
    void paintContent(platform::gfx::Dc& dc, const Rect& clip) override;
    void onLButtonUp() override;
    void setChecked(bool checked, bool notify) override;
};

}  // namespace xhtml

#pragma once

#include "xhtml/ControlView.h"
#include "xhtml/FormElement.h"

namespace xhtml {

// textarea: a native multi-line edit field, `cols` average characters wide
// (20 when unset) and `rows` lines high (2 when unset); CSS sizes win.
class TextAreaView : public ControlView, public FormElement {
public:
    explicit TextAreaView(ViewContext* context)
        : ControlView(context, kTextAreaView), FormElement(this) {}
    void layout(Layouter& layouter) override;
    void getValue(ZString& out) const override;
    void setValue(const ZString& value) override;
    void onCommand(const void* window, int code) override;

protected:
    platform::WindowHandle createWindow(platform::WindowHandle parent) override;
};

}  // namespace xhtml

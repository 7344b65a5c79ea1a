#pragma once

#include "xhtml/ControlView.h"
#include "xhtml/FormElement.h"

namespace xhtml {

// input type="text" and "password": a native single-line edit field whose
// text is the value while the field exists.
class EditView : public ControlView, public FormElement {
public:
    explicit EditView(ViewContext* context, int32_t type = kEditView)
        : ControlView(context, type), FormElement(this) {}
    // Sized in characters by `size` (FormLayout.cpp).
    void layout(Layouter& layouter) override;
    void getValue(ZString& out) const override;
    void setValue(const ZString& value) override;
    void onCommand(const void* window, int code) override;

protected:
    platform::WindowHandle createWindow(platform::WindowHandle parent) override;
};

}  // namespace xhtml

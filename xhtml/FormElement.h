#pragma once

#include "xhtml/View.h"

namespace xhtml {

// The side of a form control that the form code reads and sets by name.
// The views keep their state in their style maps (name 62, value 5,
// checked 79 …); views with a native window read it from there while the
// window exists.
class FormElement {
public:
    FormElement() = default;
    explicit FormElement(View* view) : view_(view) {}
    virtual ~FormElement() = default;
    virtual ZString getNameText() const;
    virtual void getName(ZString& out) const;
    virtual void getValue(ZString& out) const;
    virtual void setName(const ZString& name);
    // Stores the value and re-lays the view out.
    virtual void setValue(const ZString& value);
    // Remembers the view and marks it as a form element (property 87).
    virtual void bind(View* view);
    View* boundView() const { return view_; }

    // The form element side of a view, null for other views.
    static FormElement* of(View* view);
    // The first form element of the tree with this name, in document order.
    static FormElement* findByName(View* root, const ZString& name);

protected:
    View* view_ = nullptr;
};

// input type="hidden": only a name and a value.
class HiddenInputView : public View, public FormElement {
public:
    explicit HiddenInputView(ViewContext* context)
        : View(context, kHiddenInputView), FormElement(this) {}
};

}  // namespace xhtml

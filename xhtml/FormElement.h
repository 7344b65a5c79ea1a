#pragma once

#include <vector>

#include "xhtml/ControlView.h"

namespace xhtml {

// The side of a form control that the form code reads and sets. The views
// keep their state in their style maps (name 62, value 5, checked 79 …).
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

protected:
    View* view_ = nullptr;
};

class HiddenInputView : public View, public FormElement {
public:
    explicit HiddenInputView(ViewContext* context) : View(context, kHiddenInputView), FormElement(this) {}
};

class ButtonView : public BoxView, public FormElement {
public:
    explicit ButtonView(ViewContext* context) : BoxView(context, kButtonView), FormElement(this) {}
    bool acceptsChildren() const override { return false; }
};

class CheckView : public BoxView, public FormElement {
public:
    explicit CheckView(ViewContext* context) : BoxView(context, kCheckView), FormElement(this) {}
    bool acceptsChildren() const override { return false; }
    void layout(Layouter& layouter) override;
};

class RadioView : public BoxView, public FormElement {
public:
    explicit RadioView(ViewContext* context) : BoxView(context, kRadioView), FormElement(this) {}
    bool acceptsChildren() const override { return false; }
    void layout(Layouter& layouter) override;
};

class FileChooseView : public BoxView, public FormElement {
public:
    explicit FileChooseView(ViewContext* context) : BoxView(context, kFileChooseView), FormElement(this) {}
    bool acceptsChildren() const override { return false; }
};

class EditView : public ControlView, public FormElement {
public:
    explicit EditView(ViewContext* context) : ControlView(context, kEditView), FormElement(this) {}
    // Sized in characters by `size` (FormLayout.cpp).
    void layout(Layouter& layouter) override;
};

class TextAreaView : public ControlView, public FormElement {
public:
    explicit TextAreaView(ViewContext* context) : ControlView(context, kTextAreaView), FormElement(this) {}
};

// select: its options are data, not child views.
class SelectView : public ControlView, public FormElement {
public:
    struct Option {
        ZString label;
        ZString value;
        bool selected = false;
    };

    explicit SelectView(ViewContext* context) : ControlView(context, kSelectView), FormElement(this) {}
    // As wide as its longest option (FormLayout.cpp).
    void layout(Layouter& layouter) override;

    virtual void addOption(const ZString& label, const ZString& value);
    // Selects the first option with this value; without the multiple flag
    // every other option is deselected. False when no option has it.
    virtual bool selectValue(const ZString& value);
    const std::vector<Option>& options() const { return options_; }
    // The values of the selected options joined with ";".
    ZString selectedValues() const;

private:
    std::vector<Option> options_;
};

}  // namespace xhtml

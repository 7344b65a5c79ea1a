#include "xhtml/FormElement.h"

namespace xhtml {

ZString FormElement::getNameText() const {
    ZString name;
    getName(name);
    return name;
}

void FormElement::getName(ZString& out) const {
    out = view_ ? view_->styleString(StyleId::FormName, ZString(), kStateNormal) : ZString();
}

void FormElement::getValue(ZString& out) const {
    out = view_ ? view_->styleString(StyleId::FormValue, ZString(), kStateNormal) : ZString();
}

void FormElement::setName(const ZString& name) {
    if (view_) view_->setStyle(StyleId::FormName, StyleValue::makeString(name), kStateNormal);
}

void FormElement::setValue(const ZString& value) {
    if (!view_) return;
    view_->setStyle(StyleId::FormValue, StyleValue::makeString(value), kStateNormal);
    view_->relayoutNeeded();
}

void FormElement::bind(View* view) {
    view_ = view;
    if (view) view->setStyle(StyleId::FormBound, StyleValue::makeBool(true), kStateNormal);
}

FormElement* FormElement::of(View* view) { return dynamic_cast<FormElement*>(view); }

void SelectView::addOption(const ZString& label, const ZString& value) { options_.push_back({label, value, false}); }

bool SelectView::selectValue(const ZString& value) {
    const bool multiple = styleBool(StyleId::Multiple, false, kStateNormal);
    bool found = false;
    for (Option& option : options_) {
        if (!found && option.value == value) {
            option.selected = true;
            found = true;
        } else if (!multiple) {
            option.selected = false;
        }
    }
    return found;
}

ZString SelectView::selectedValues() const {
    ZString joined;
    bool first = true;
    for (const Option& option : options_) {
        if (!option.selected) continue;
        if (!first) joined.append(u';');
        joined.append(option.value);
        first = false;
    }
    return joined;
}

}  // namespace xhtml

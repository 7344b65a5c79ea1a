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

FormElement* FormElement::findByName(View* root, const ZString& name) {
    FormElement* found = nullptr;
    if (!root) return nullptr;
    root->forEachInTree([&](View* view) {
        FormElement* element = of(view);
        if (element && element->getNameText() == name) found = element;
        return found == nullptr;
    });
    return found;
}

}  // namespace xhtml

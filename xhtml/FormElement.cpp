#include "xhtml/FormElement.h"

namespace xhtml {

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

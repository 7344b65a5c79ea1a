#include "xhtml/SelectView.h"

#include "platform/gui/Controls.h"

namespace xhtml {

namespace gui = platform::gui;

void SelectView::addOption(const ZString& label, const ZString& value) {
    options_.push_back({label, value, false, false});
}

SelectView::Realisation SelectView::realisation() const {
    const int size = styleInt(StyleId::Size, 0, kStateNormal);
    const bool dropDownSize = size < 2;
    if (isMultiple() && dropDownSize) return kCheckDropDown;
    if (isMultiple() || !dropDownSize) return kListBox;
    return kDropDownList;
}

bool SelectView::isSelected(int index) const {
    if (index < 0 || index >= static_cast<int>(options_.size())) return false;
    if (window()) return gui::Controls::isSelected(window(), index);
    return options_[static_cast<size_t>(index)].selected;
}

int SelectView::firstSelected() const {
    for (size_t i = 0; i < options_.size(); ++i) {
        if (!options_[i].disabled && isSelected(static_cast<int>(i))) return static_cast<int>(i);
    }
    if (isMultiple()) return -1;
    for (size_t i = 0; i < options_.size(); ++i) {
        if (!options_[i].disabled) return static_cast<int>(i);
    }
    return -1;
}

bool SelectView::selectValue(const ZString& value, bool notify) {
    const bool multiple = isMultiple();
    int found = -1;
    for (size_t i = 0; i < options_.size() && found < 0; ++i) {
        if (options_[i].value == value) found = static_cast<int>(i);
    }
    if (found < 0) return false;
    for (size_t i = 0; i < options_.size(); ++i) {
        if (static_cast<int>(i) == found)
            options_[i].selected = true;
        else if (!multiple)
            options_[i].selected = false;
    }
    if (window()) gui::Controls::select(window(), found, true);
    if (notify) notifyListener(9);
    return true;
}

ZString SelectView::selectedValues() const {
    ZString joined;
    bool first = true;
    for (size_t i = 0; i < options_.size(); ++i) {
        if (!isSelected(static_cast<int>(i))) continue;
        if (!first) joined.append(u';');
        joined.append(options_[i].value);
        first = false;
    }
    return joined;
}

void SelectView::getValue(ZString& out) const {
    if (realisation() == kDropDownList && styleBool(StyleId::ComboBox, false, kStateNormal) &&
        window()) {
        // An editable drop-down gives what the user typed when it is not an option.
        const ZString typed = gui::Controls::text(window());
        const int index = firstSelected();
        out = index >= 0 && options_[static_cast<size_t>(index)].label.trimmed() == typed
                  ? options_[static_cast<size_t>(index)].value
                  : typed;
        return;
    }
    if (isMultiple()) {
        out = selectedValues();
        return;
    }
    const int index = firstSelected();
    out = index >= 0 ? options_[static_cast<size_t>(index)].value : ZString();
}

void SelectView::setValue(const ZString& value) {
    if (!selectValue(value, false) && window() && styleBool(StyleId::ComboBox, false, kStateNormal))
        gui::Controls::setText(window(), value);
}

platform::WindowHandle SelectView::createWindow(platform::WindowHandle parent) {
    platform::WindowHandle handle = nullptr;
    switch (realisation()) {
        case kCheckDropDown:
            handle = gui::Controls::createCheckDropDown(parent, 0);
            break;
        case kListBox:
            handle = gui::Controls::createListBox(parent, 0, isMultiple());
            break;
        case kDropDownList:
            handle = gui::Controls::createComboBox(
                parent, 0, styleBool(StyleId::ComboBox, false, kStateNormal));
            break;
    }
    if (!handle) return nullptr;
    std::vector<ZString> labels;
    for (const Option& option : options_) labels.push_back(option.label.trimmed());
    gui::Controls::setItems(handle, labels);
    for (size_t i = 0; i < options_.size(); ++i) {
        if (options_[i].selected) gui::Controls::select(handle, static_cast<int>(i), true);
    }
    // A drop-down list always shows a choice: the first that can be made.
    if (realisation() == kDropDownList && !isMultiple()) {
        const int index = firstSelected();
        if (index >= 0) gui::Controls::select(handle, index, true);
    }
    return handle;
}

void SelectView::readSelectionFromWindow() {
    for (size_t i = 0; i < options_.size(); ++i)
        options_[i].selected = isSelected(static_cast<int>(i));
}

void SelectView::onCommand(const void* window, int code) {
    if (window != this->window()) return;
    if (code == gui::kSelectionChanged) {
        readSelectionFromWindow();
        notifyListener(9);
    } else if (code == gui::kTextChanged) {
        notifyListener(8);
    } else if (code == gui::kDropDownClosed) {
        notifyListener(10);
    }
}

}  // namespace xhtml

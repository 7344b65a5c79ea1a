#pragma once

#include <vector>

#include "xhtml/ControlView.h"
#include "xhtml/FormElement.h"

namespace xhtml {

// select: its options are data, not child views. Realised as a drop-down
// list (an editable one with the combo attribute), a list box (`size` of 2
// or more, or `multiple`), or a drop-down with check boxes (`multiple`
// without a list size).
class SelectView : public ControlView, public FormElement {
public:
    struct Option {
        ZString label;
        ZString value;
        bool selected = false;
        bool disabled = false;  // cannot be selected
    };
    enum Realisation { kDropDownList, kListBox, kCheckDropDown };

    explicit SelectView(ViewContext* context)
        : ControlView(context, kSelectView), FormElement(this) {}
    // As wide as its longest option (FormLayout.cpp).
    void layout(Layouter& layouter) override;

    virtual void addOption(const ZString& label, const ZString& value);
    // Selects the first option with exactly this value; without the multiple
    // flag every other option is deselected. False (and nothing changes)
    // when no option has it. `notify` tells the listener.
    virtual bool selectValue(const ZString& value, bool notify = false);
    const std::vector<Option>& options() const { return options_; }
    // The values of the selected options joined with ";".
    ZString selectedValues() const;
    // Read from the native control while it exists.
    bool isSelected(int index) const;
    // The first selected option that can be selected; in a single-choice
    // select without a selection, the first that can be. -1 when none.
    int firstSelected() const;
    Realisation realisation() const;
    bool isMultiple() const { return styleBool(StyleId::Multiple, false, kStateNormal); }

    void getValue(ZString& out) const override;
    void setValue(const ZString& value) override;
    void onCommand(const void* window, int code) override;

protected:
    platform::WindowHandle createWindow(platform::WindowHandle parent) override;

private:
    void readSelectionFromWindow();

    std::vector<Option> options_;
};

}  // namespace xhtml

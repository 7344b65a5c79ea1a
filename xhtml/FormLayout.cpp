// Sizes of the form fields: edit fields in characters, selects by their
// longest option, check boxes and radio buttons as the usual small square.
// CSS width and height override all of these.
#include <algorithm>

#include "platform/gfx/Font.h"
#include "platform/gui/Controls.h"
#include "xhtml/ButtonView.h"
#include "xhtml/CheckView.h"
#include "xhtml/EditView.h"
#include "xhtml/FileChooseView.h"
#include "xhtml/FormElement.h"
#include "xhtml/FrameView.h"
#include "xhtml/SelectView.h"
#include "xhtml/TextAreaView.h"

namespace xhtml {

namespace {

constexpr int kDefaultEditCharacters = 15;
constexpr int kCheckBoxSize = 13;
constexpr int kDropDownArrowWidth = 20;

}  // namespace

void EditView::layout(Layouter& layouter) {
    const int characters = styleInt(StyleId::Size, kDefaultEditCharacters, kStateNormal);
    const auto font = getFont();
    const int width = scaleInt(10) + (std::max(characters, 0) + 1) * font->averageCharWidth();
    const int height = scaleInt(5) + font->lineHeight();
    layoutBox(layouter, width, height);
}

void SelectView::layout(Layouter& layouter) {
    const auto font = getFont();
    const Realisation kind = realisation();
    const int rows = styleInt(StyleId::Size, 1, kStateNormal);
    int widest = 0;
    for (const Option& option : options())
        widest = std::max(widest, font->measure(option.label.view()).width);
    if (kind == kListBox) {
        layoutBox(layouter, scaleInt(10) + widest,
                  scaleInt(4) + std::max(rows, 2) * font->lineHeight());
        return;
    }
    // In a window the native drop-down says what it needs for its items;
    // without one (documents laid out headless) an estimate stands in.
    int width = 0;
    FrameView* top = getFrame(true);
    if (top && top->windowHandle()) {
        std::vector<ZString> labels;
        for (const Option& option : options()) labels.push_back(option.label.trimmed());
        width = platform::gui::Controls::fitWidth(
            kind == kCheckDropDown ? platform::gui::Controls::kCheckDropDown
                                   : platform::gui::Controls::kComboBox,
            styleBool(StyleId::ComboBox, false, kStateNormal), controlFont(), labels);
    }
    if (width <= 0) width = scaleInt(10) + widest + scaleInt(kDropDownArrowWidth);
    layoutBox(layouter, width, scaleInt(5) + font->lineHeight());
}

void CheckView::layout(Layouter& layouter) {
    layoutBox(layouter, scaleInt(kCheckBoxSize), scaleInt(kCheckBoxSize));
}

}  // namespace xhtml

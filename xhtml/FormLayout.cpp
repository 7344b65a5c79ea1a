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
    int widest = 0;
    for (const Option& option : options())
        widest = std::max(widest, font->measure(option.label.view()).width);
    const int rows = styleInt(StyleId::Size, 1, kStateNormal);
    const bool list = rows >= 2 || styleBool(StyleId::Multiple, false, kStateNormal);
    int arrow = list ? 0 : scaleInt(kDropDownArrowWidth);
    // In a window the native drop-down's own arrow button, often wider
    // than the reserve, must not cut the longest option.
    FrameView* top = getFrame(true);
    if (rows < 2 && top && top->windowHandle()) {
        const auto kind = isMultiple() ? platform::gui::Controls::kCheckDropDown
                                       : platform::gui::Controls::kComboBox;
        const bool editable = styleBool(StyleId::ComboBox, false, kStateNormal);
        arrow =
            std::max(arrow, platform::gui::Controls::chromeWidth(kind, editable, controlFont()) -
                                scaleInt(10));
    }
    const int width = scaleInt(10) + widest + arrow;
    const int height = list ? scaleInt(4) + std::max(rows, 2) * font->lineHeight()
                            : scaleInt(5) + font->lineHeight();
    layoutBox(layouter, width, height);
}

void CheckView::layout(Layouter& layouter) {
    layoutBox(layouter, scaleInt(kCheckBoxSize), scaleInt(kCheckBoxSize));
}

}  // namespace xhtml

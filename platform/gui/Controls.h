#pragma once

#include <cstdint>
#include <vector>

#include "base/ZString.h"
#include "platform/WindowHandle.h"
#include "platform/gui/Message.h"

namespace platform::gui {

// Native controls placed in a window's client area. They tell their parent
// window what the user did with Command messages (control = their handle,
// code = kTextChanged, kSelectionChanged, kButtonClicked, kDropDownClosed).
// Move, size, show, focus and destroy them with the Window functions.
class Controls {
public:
    enum Kind { kEdit = 1, kTextArea, kListBox, kComboBox, kCheckDropDown, kButton, kLabel };

    struct Font {
        ZString family;
        int pixelHeight = 13;  // device pixels
        int weight = 400;
        bool italic = false;
    };

    // Single-line edit field, optionally masked.
    static WindowHandle createEdit(WindowHandle parent, uint32_t id, const ZString& text,
                                   bool password, bool readOnly);
    // Multi-line edit field with a vertical scroll bar.
    static WindowHandle createTextArea(WindowHandle parent, uint32_t id, const ZString& text,
                                       bool readOnly);
    static WindowHandle createListBox(WindowHandle parent, uint32_t id, bool multiple);
    // A drop-down list; `editable` lets the user type a text of his own.
    static WindowHandle createComboBox(WindowHandle parent, uint32_t id, bool editable);
    // A drop-down whose items carry check boxes; its face lists the checked labels.
    static WindowHandle createCheckDropDown(WindowHandle parent, uint32_t id);
    static WindowHandle createButton(WindowHandle parent, uint32_t id, const ZString& label);
    static WindowHandle createLabel(WindowHandle parent, uint32_t id, const ZString& text);

    static int kind(WindowHandle control);
    // The width GTK needs for a drop-down (kComboBox or kCheckDropDown)
    // with these items and font to show any one of them in full: frame,
    // padding, arrow button and text. 0 for other kinds.
    static int fitWidth(Kind kind, bool editable, const Font& font,
                        const std::vector<ZString>& labels);
    // What a live drop-down needs to show its current choice in full.
    static int neededWidth(WindowHandle control);
    static void setFont(WindowHandle control, const Font& font);

    // Text of edit fields, text areas, editable combo boxes, buttons and labels.
    static ZString text(WindowHandle control);
    static void setText(WindowHandle control, const ZString& text);
    static void setReadOnly(WindowHandle control, bool readOnly);

    // Items of list boxes, combo boxes and check drop-downs.
    static void setItems(WindowHandle control, const std::vector<ZString>& labels);
    static int itemCount(WindowHandle control);
    static bool isSelected(WindowHandle control, int index);
    // Selects (or, in multiple-choice controls, deselects) one item; a
    // single-choice control drops its other selection.
    static void select(WindowHandle control, int index, bool selected);
};

}  // namespace platform::gui

#pragma once

#include <cstdint>

namespace xhtml {

// The closed list of property identifiers under which views store their
// style values and the element attributes the engine treats alike. Numbers
// are fixed; gaps are identifiers nobody uses.
struct StyleId {
    enum : int32_t {
        ElementName = 0,           // string, set by the view builder
        Cursor = 1,                // int: 0 arrow, 1 hand
        CellPadding = 2,           // number
        CellSpacing = 3,           // number
        TableAlign = 4,            // int, text-align values
        FormValue = 5,             // string
        NoWrap = 6,                // bool
        LinkTarget = 7,            // string, href of a link
        ImageSource = 8,           // string, src of an image
        Superscript = 9,           // bool
        Subscript = 10,            // bool
        Italic = 11,               // bool
        FontFamily = 12,           // string
        FontWeight = 13,           // int 100..900
        FontSize = 14,             // number, pixels at 96 dpi
        Color = 15,                // colour
        Overline = 16,             // bool
        Underline = 17,            // bool
        LineThrough = 18,          // bool
        TextBackgroundColor = 19,  // colour, set by views
        BackgroundColor = 20,      // colour
        BackgroundImage = 21,      // string (URL)
        BackgroundRepeat = 22,     // int
        BackgroundPositionX = 23,  // int or number
        BackgroundPositionY = 24,  // int or number
        Size = 25,                 // int, size attribute of input, select, hr
        Height = 26,               // number, percent allowed
        Width = 27,                // number, percent allowed
        MinHeight = 28,            // number
        MinWidth = 29,             // number
        VerticalAlign = 30,        // int
        VerticalAlignContent = 31, // int
        VerticalAlignLine = 32,    // int
        TextAlign = 33,            // int
        Margin = 34,               // number
        MarginLeft = 35,
        MarginTop = 36,
        MarginRight = 37,
        MarginBottom = 38,
        Padding = 39,              // number
        PaddingLeft = 40,
        PaddingTop = 41,
        PaddingRight = 42,
        PaddingBottom = 43,
        BorderStyle = 44,          // int
        BorderLeftStyle = 45,
        BorderTopStyle = 46,
        BorderRightStyle = 47,
        BorderBottomStyle = 48,
        TableBorder = 49,          // int, border attribute of a table
        BorderWidth = 50,          // number
        BorderLeftWidth = 51,
        BorderTopWidth = 52,
        BorderRightWidth = 53,
        BorderBottomWidth = 54,
        BorderColor = 55,          // colour
        BorderLeftColor = 56,
        BorderTopColor = 57,
        BorderRightColor = 58,
        BorderBottomColor = 59,
        ColumnSpan = 60,           // int
        RowSpan = 61,              // int
        FormName = 62,             // string
        Id = 63,                   // string
        ClassList = 64,            // string, the class attribute
        InlineStyle = 65,          // string, style / moStyle / lbdStyle / rbdStyle
        InputType = 66,            // string
        Rows = 67,                 // int
        Columns = 68,              // int
        Position = 69,             // int
        Top = 70,                  // number
        Left = 71,                 // number
        Right = 72,                // number
        Bottom = 73,               // number
        GradientOn = 74,           // bool
        GradientStart = 75,        // colour
        GradientEnd = 76,          // colour
        GradientMode = 77,         // int
        Multiple = 78,             // bool
        Checked = 79,              // bool
        ReadOnly = 80,             // bool
        NativeWindow = 81,         // set by views hosting a native window
        BoxMarker = 82,            // bool false, set by every box view
        Visibility = 83,           // int
        Display = 84,              // int
        OverflowX = 85,            // int
        OverflowY = 86,            // int
        FormBound = 87,            // bool, set when a form element binds its view
        UseFormValues = 88,        // bool
        FileFilter = 89,           // string
        FileButtonLabel = 90,      // string
        Password = 91,             // bool
        Disabled = 92,             // bool
        Title = 93,                // string, tooltip
        ComboBox = 94,             // bool
        Opacity = 95,              // number
        Sorted = 96,               // bool
        LineSpacing = 97,          // number
        HideId = 98,               // string
        AltText = 99,              // string, alt of an image
        LabelFor = 100,            // string, for of a label: the id of the field it names
    };
};

}  // namespace xhtml

#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/ZString.h"
#include "platform/WindowHandle.h"
#include "platform/gfx/Rect.h"

namespace platform::gui {

// A list in report mode: rows of texts in columns with a header, one row
// selected at most, never sorted, each row carrying a pointer. Colours are
// 32-bit values with red in the low byte. The look of each cell is asked
// for whenever it is drawn.
class ReportList {
public:
    struct Column {
        ZString title;
        bool alignRight = false;
        int width = 100;
    };
    struct CellLook {
        uint32_t background = 0xFFFFFF;
        uint32_t text = 0x000000;
    };
    struct Handlers {
        std::function<CellLook(int row, int column, bool selected)> cellLook;
        // Left or right single click, and double clicks, on a row (-1 when
        // below the rows).
        std::function<void(int row, int button, bool doubleClick)> onClick;
        // Key presses and releases of the list; true when consumed. The
        // left Control key's state is tracked by the list itself.
        std::function<bool(unsigned keyval, bool release, bool leftControlDown)> onKey;
        std::function<void(const std::vector<ZString>& paths)> onDrop;
    };

    ReportList(const std::vector<Column>& columns, Handlers handlers);
    ~ReportList();
    ReportList(const ReportList&) = delete;
    ReportList& operator=(const ReportList&) = delete;

    // The widget of the list (the list inside its scroller).
    WindowHandle widget() const;
    // Puts the list into a window's client area, or moves it there.
    void place(WindowHandle parent, int x, int y, int width, int height);
    // Text size of the rows and the header's font ("family", pixel size,
    // bold) and colour.
    void setFonts(int rowPixels, const ZString& headerFamily, int headerPixels, bool headerBold,
                  uint32_t headerColor);
    void setColumnWidth(int column, int width);

    int rowCount() const;
    int appendRow(const ZString& firstText, void* data);
    void setText(int row, int column, const ZString& text);
    // Shown when the pointer rests on the row; empty for none.
    void setTooltip(int row, const ZString& text);
    void* rowData(int row) const;
    void removeRow(int row);
    // Redraws the row with the looks the handler gives now.
    void redrawRow(int row);
    void redrawAll();

    int selectedRow() const;
    void selectRow(int row, bool focus);

    // A menu of the texts at the pointer; the 1-based number of the chosen
    // entry, 0 when none was chosen.
    int popupMenu(const std::vector<ZString>& items);

    // The widgets behind the list; opaque outside its source file.
    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::gui

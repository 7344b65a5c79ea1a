#pragma once

#include <memory>
#include <vector>

#include "base/ZString.h"
#include "compress/FileData.h"
#include "platform/WindowHandle.h"

namespace platform::gui {
class ReportList;
}

// The file list of the main window: one row per listed file with its name,
// its size and the size of its compressed result. Each row points to its
// record, which the background processor owns.
class MyFileList {
public:
    // What the list asks of the window it lives in.
    class Owner {
    public:
        virtual ~Owner() = default;
        virtual void saveOne(int row) = 0;
        virtual void addFiles(const std::vector<ZString>& paths) = 0;
        virtual void addDroppedFiles(const std::vector<ZString>& paths) = 0;
        virtual void listClicked(int row, int button, bool doubleClick) = 0;
    };

    MyFileList(Owner& owner, int dpi);
    ~MyFileList();

    platform::WindowHandle widget() const;
    // Puts the list at a rectangle of the window's client area.
    void place(platform::WindowHandle window, int x, int y, int width, int height);
    // Column widths for the list's client width: the sizes fixed (wide enough
    // for their texts at the dpi), the name takes the rest.
    void fitColumns(int clientWidth);

    int rowCount() const;
    int insertRow(FileData* record);
    FileData* recordAt(int row) const;
    // Row -1 is the selected row, or the only row when none is selected.
    int usableRow(int row) const;
    void removeRow(int row);
    void setResultText(int row, FileData* record, const ZString& text);
    void refreshResults();
    void ensureSelection();
    void showResult(int row);
    void showContextMenu(int row);
    int selectedRow() const;

private:
    struct Look;
    bool handleKey(unsigned keyval, bool release, bool leftControlDown);

    Owner& owner_;
    int dpi_;
    int clientWidth_ = 0;
    std::unique_ptr<platform::gui::ReportList> list_;
};

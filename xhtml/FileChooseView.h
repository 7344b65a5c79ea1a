#pragma once

#include "xhtml/EditView.h"

namespace xhtml {

// input type="file": an edit field with a browse button beside it that
// opens the open-file dialog (filter from the `filter` attribute, "All
// Files/*.*" by default; the value "directories" chooses a folder). The
// chosen path becomes the field's text and value.
class FileChooseView : public EditView {
public:
    explicit FileChooseView(ViewContext* context) : EditView(context, kFileChooseView) {}
    ~FileChooseView() override;
    bool ownsWindow(const void* window) const override;
    void appendWindows(std::vector<platform::WindowHandle>& out) const override {
        EditView::appendWindows(out);
        if (button_) out.push_back(button_);
    }
    void onCommand(const void* window, int code) override;
    // Opens the dialog as the button does; true when a path was chosen.
    bool browse();

protected:
    Rect windowRect() const override;
    void onWindowPlaced(const Rect& clientRect, bool visible) override;

private:
    int buttonWidth() const { return scaleInt(30); }
    platform::WindowHandle button_ = nullptr;
};

}  // namespace xhtml

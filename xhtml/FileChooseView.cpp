#include "xhtml/FileChooseView.h"

#include <filesystem>

#include "platform/FileDialogs.h"
#include "platform/gui/Controls.h"
#include "platform/gui/Gui.h"
#include "platform/gui/Window.h"
#include "xhtml/FrameView.h"

namespace xhtml {

namespace gui = platform::gui;

namespace {

std::vector<ZString> splitAtBars(const ZString& text) {
    std::vector<ZString> parts;
    int start = 0;
    while (start <= text.length()) {
        int end = text.find(u'|', start);
        if (end < 0) end = text.length();
        parts.push_back(text.substring(start, end));
        start = end + 1;
    }
    return parts;
}

}  // namespace

FileChooseView::~FileChooseView() {
    if (button_) gui::Window::destroy(button_);
}

bool FileChooseView::ownsWindow(const void* window) const {
    return EditView::ownsWindow(window) || (window && window == button_);
}

Rect FileChooseView::windowRect() const {
    Rect field = getBorderBox();
    field.right = std::max(field.left, field.right - buttonWidth());
    return field;
}

void FileChooseView::onWindowPlaced(const Rect& clientRect, bool visible) {
    FrameView* frame = getFrame(false);
    if (!frame || !frame->windowHandle()) return;
    if (!button_) {
        const ZString label = styleString(StyleId::FileButtonLabel, u"...", kStateNormal);
        button_ = gui::Controls::createButton(frame->windowHandle(), 0, label);
        if (!button_) return;
        applyFont(button_);
    } else if (gui::Window::parent(button_) != frame->windowHandle()) {
        gui::Window::setParent(button_, frame->windowHandle());
    }
    gui::Window::move(button_, clientRect.right, clientRect.top);
    gui::Window::setClientSize(button_, buttonWidth(), clientRect.height());
    gui::Window::show(button_, visible);
}

bool FileChooseView::browse() {
    FrameView* frame = getFrame(false);
    platform::WindowHandle owner = frame ? frame->windowHandle() : nullptr;
    const ZString filter = styleString(StyleId::FileFilter, ZString(), kStateNormal);
    // The dialog opens where the field's current path points.
    ZString current;
    getValue(current);
    const bool folders = filter == u"directories";
    const ZString start =
        current.isEmpty() || folders
            ? current
            : ZString::fromUtf8(std::filesystem::path(current.toUtf8()).parent_path().string());
    ZString path;
    if (folders) {
        path = platform::dialogs::chooseFolder(owner, ZString(), start).value_or(ZString());
    } else {
        std::vector<platform::dialogs::Filter> filters;
        // "Name|*.pdf;*.PDF|Name2|*.*", as the classic filter strings read.
        const std::vector<ZString> parts =
            filter.isEmpty() ? std::vector<ZString>{} : splitAtBars(filter);
        for (size_t i = 0; i + 1 < parts.size(); i += 2)
            filters.push_back({parts[i], parts[i + 1]});
        if (filters.empty()) filters.push_back({u"All Files", u"*.*"});
        const auto files = platform::dialogs::openFiles(owner, ZString(), filters, false, start);
        if (!files.empty()) path = files.front();
    }
    if (path.isEmpty()) return false;
    setValue(path);
    notifyListener(8);
    return true;
}

void FileChooseView::onCommand(const void* window, int code) {
    if (window && window == button_ && code == gui::kButtonClicked) {
        browse();
        return;
    }
    EditView::onCommand(window, code);
}

}  // namespace xhtml

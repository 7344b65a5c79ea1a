#pragma once

#include <memory>

#include "base/ZString.h"
#include "platform/WindowHandle.h"
#include "platform/gfx/Rect.h"

namespace platform::gui {

// A tracking tooltip: a small popup with a wrapped text, shown wherever its
// owner puts it, never taking the focus. GUI thread only.
class Tooltip {
public:
    explicit Tooltip(WindowHandle owner, int maxWidth = 300);

    // Every tooltip of the program, ours and the native controls', in the
    // scale of windows drawn at `dpi` rather than at the desktop's
    // resolution, so a tip's text is as large as the window's beside it.
    static void scaleTo(int dpi);
    ~Tooltip();
    Tooltip(const Tooltip&) = delete;
    Tooltip& operator=(const Tooltip&) = delete;

    // Sets the text and returns the size the tip will take on the screen.
    gfx::Rect prepare(const ZString& text);
    // Shows the prepared text with its top-left corner at a screen position.
    void showAt(int screenX, int screenY);
    void hide();
    bool isShown() const;
    // Where the tip is on the screen; empty while hidden.
    gfx::Rect screenRect() const;
    ZString text() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::gui

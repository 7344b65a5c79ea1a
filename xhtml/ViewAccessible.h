#pragma once

#include <cstdint>
#include <vector>

#include "platform/gui/AccessibleArea.h"
#include "xhtml/View.h"

namespace xhtml {

class FrameView;

// What one frame's document offers to the keyboard and to screen readers:
// its links, buttons, check boxes and radio buttons, the labels of its form
// fields and its native windows between them, in document order. It keeps
// the keyboard focus among the painted ones, draws the focus ring and
// presses a view as a click would.
class ViewAccessible {
public:
    using Item = platform::gui::AccessibleItem;

    explicit ViewAccessible(FrameView& frame) : frame_(frame) {}

    // The items of the frame's document (client coordinates) and, beside
    // each, its view (the control view for a native window).
    static void collect(FrameView& frame, std::vector<Item>& items, std::vector<View*>& views);
    // False for views that are neither pressed nor checked by the user.
    static bool interactiveRole(const View* view, Item::Role& role);
    // The visible text, else the title, else the alt text of an image inside.
    static ZString nameOf(View* view);
    // Where the view is painted, in document coordinates.
    static Rect boundsOf(View* view);
    // Pressed and released over the view: the document hears a click.
    static void press(View* view);

    // Tells the window what the document shows now.
    void refresh();
    // The document is replaced: no view is known any more.
    void reset();
    void onFocusItem(int index);
    // False when the item is no view of the document now.
    bool pressItem(int index);
    View* focusedView() const;
    // Enter and Space press the focused view; true when used.
    bool onKey(uint32_t key);
    // A dotted outline around the focused view, while the window has the focus.
    void paintFocusRing(platform::gfx::Dc& dc);

private:
    bool isLive(const View* view) const;

    FrameView& frame_;
    std::vector<View*> views_;
    int focusIndex_ = -1;
};

}  // namespace xhtml

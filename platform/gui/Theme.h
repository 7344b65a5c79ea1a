#pragma once

#include "base/ZString.h"
#include "platform/gfx/Dc.h"
#include "platform/gfx/Rect.h"

namespace platform::gui {

// Parts of the desktop theme drawn into a device context, so self-painted
// form controls look like the native ones around them.
class Theme {
public:
    struct State {
        bool checked = false;
        bool hot = false;      // the pointer is over it
        bool pressed = false;  // the left button is held on it
        bool disabled = false;
    };

    static void drawCheckBox(gfx::Dc& dc, const gfx::Rect& r, const State& state);
    static void drawRadioButton(gfx::Dc& dc, const gfx::Rect& r, const State& state);
    // The button's face and frame; the caller draws the label.
    static void drawPushButton(gfx::Dc& dc, const gfx::Rect& r, const State& state);
};

}  // namespace platform::gui

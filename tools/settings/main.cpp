// varto-Settings: the settings program the window's "Settings" link starts.
// It edits the values of config.ini a user would change.
#include <cstdio>

#include "SettingsWindow.h"
#include "platform/gui/Gui.h"
#include "xhtml/View.h"
#include "xhtml/ViewContext.h"

int main() {
    if (!platform::gui::Gui::init()) {
        std::fprintf(stderr, "varto-Settings: cannot open the display\n");
        return 1;
    }
    xhtml::View::setScreenDpi(platform::gui::Gui::screenDpi());
    xhtml::ViewContext context;
    SettingsWindow window(&context);
    if (!window.initialize()) {
        std::fprintf(stderr, "varto-Settings: cannot create the window\n");
        return 1;
    }
    return platform::gui::Gui::run();
}

#include "app/Application.h"

#include <memory>

#include "app/FileHandlerArgs.h"
#include "app/MyGUI.h"
#include "app/StartUp.h"
#include "async/JobProcessor.h"
#include "compress/FileProcessor.h"
#include "platform/MessageBox.h"
#include "platform/Terminal.h"
#include "platform/gui/Gui.h"
#include "xhtml/View.h"
#include "xhtml/ViewContext.h"

namespace {

// A window that has not painted by then (no compositor answer, a slow
// server) does not hold up the files any longer.
constexpr int kFirstPaintWaitMs = 500;

}  // namespace

MyGUI* createMainWindow() {
    xhtml::View::setScreenDpi(platform::gui::Gui::screenDpi());
    static std::unique_ptr<xhtml::ViewContext> context = std::make_unique<xhtml::ViewContext>();
    static std::unique_ptr<MyGUI> window;
    window = std::make_unique<MyGUI>(context.get());
    if (!window->initialize()) {
        platform::messageBox(nullptr, u"Error!", u"Window Creation Failed!",
                             platform::MB_OK | platform::MB_ICONWARNING);
        return nullptr;
    }
    return window.get();
}

MyGUI* startApplication(const std::vector<ZString>& args) {
    createMarkerLocks();
    setUpEnvironment();
    MyGUI* window = createMainWindow();
    if (!window) return nullptr;
    // Starting the service and copying and unlocking the files can take a
    // while; the user sees the window first.
    window->waitForFirstPaint(kFirstPaintWaitMs);
    ensureBackendRuns();
    FileHandlerArgs commandLine;
    commandLine.parseArgs(args);
    commandLine.handOver([window](const ZString& path, const ZString& name, const ZString& dir) {
        return window->addFile(path, name, dir);
    });
    FileProcessor& processor = FileProcessor::instance();
    if (!processor.isRunning()) processor.start();
    return window;
}

int runApplication(const std::vector<ZString>& args) {
    if (!platform::gui::Gui::init()) {
        platform::terminal::writeText(
            2,
            "varto-compress: no display to open the window on; to compress in a terminal use "
            "varto-compress-cli (scripts/run.sh --batch FILE...)\n");
        return 1;
    }
    MyGUI* window = startApplication(args);
    if (!window) return 2;
    platform::gui::Gui::quitOnTerminationSignals();
    int exitCode = platform::gui::Gui::run();
    // A quit that did not come from closing the window closes it now, so it
    // leaves the registry and no background report waits for it.
    if (window->windowHandle()) window->getWindow().destroy();
    // Page fetches are aborted, then the running tool is killed: nothing
    // the workers wait for is left.
    async::JobProcessor::instance().stop();
    stopFileProcessor();
    closeTimeUpdateCheck(u"appClose");
    return exitCode;
}

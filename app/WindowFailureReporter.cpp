#include "app/WindowFailureReporter.h"

#include "async/GuiSyncedOp.h"
#include "async/GuiThread.h"
#include "compress/Command.h"
#include "platform/MessageBox.h"
#include "platform/gui/Gui.h"

namespace {

class BoxOnWindowThread : public async::GuiSyncedOp {
public:
    explicit BoxOnWindowThread(std::function<int()> show) : show_(std::move(show)) {}
    void runOnGui() override {
        answer = show_();
        answered = true;
    }
    int answer = 0;
    bool answered = false;

private:
    std::function<int()> show_;
};

}  // namespace

int WindowFailureReporter::report(const ZString& caption, const ZString& text, unsigned flags) {
    async::GuiThread& gui = async::guiThread();
    // The registry, not the handle itself, says whether the window lives.
    if (platform::gui::Gui::quitRequested() || !gui.windowAlive(owner_))
        return platform::cautiousAnswer(flags);
    if (gui.onWindowThread(owner_)) return showHere(caption, text, flags);
    BoxOnWindowThread op([&] { return showHere(caption, text, flags); });
    op.window = owner_;
    op.syncWithGui();
    return op.answered ? op.answer : platform::cautiousAnswer(flags);
}

int WindowFailureReporter::showHere(const ZString& caption, const ZString& text, unsigned flags) {
    if (platform::gui::Gui::quitRequested()) return platform::cautiousAnswer(flags);
    if (beforeModal_) beforeModal_();
    // The console keeps what each box said, as it keeps the list's results.
    ZString line = caption + u": " + text;
    for (int at = line.find(u'\r'); at >= 0; at = line.find(u'\r', at)) {
        line.replace(at, at + 1, ZString());
    }
    printLogLine(line);
    return platform::messageBox(owner_, caption, text, flags);
}

#pragma once

#include <chrono>
#include <deque>
#include <memory>
#include <vector>

#include "app/MyFileList.h"
#include "base/Props.h"
#include "xhtml/EventListener.h"
#include "xhtml/FrameView.h"

class OperationWindow;
class WindowUnlockPrompt;
namespace platform {
class CopyDataSocket;
}
namespace browser {
class EmbeddedBrowser;
}

// The main window: the UI document in a frame of its own, the file list
// placed in the document, the compression form bound to the last used
// settings, the actions of the tool buttons and footer links, and the
// twice-a-second refresh of the list, the file tools and the title.
class MyGUI : public xhtml::FrameView, public xhtml::EventListener, public MyFileList::Owner {
public:
    // The console switch: F12 and the window's context menu open the
    // console once.
    struct ConsoleSwitch {
        uint32_t commandId = 0xEFFF;
        win::WindowHandle window = nullptr;
        bool keyEnabled = false;
        bool menuWanted = false;
        bool consoleOpen = false;
        bool menuAdded = false;
        void openConsole();
        bool addMenuEntry();
    };

    explicit MyGUI(xhtml::ViewContext* context);
    ~MyGUI() override;

    // Creates the window, loads the document, places the list, sets the
    // form from the profile. False when the window could not be made.
    bool initialize();

    void dispatchAction(const ZString& id);
    void collectFormValues(Props& values);
    void setFormValues(const Props& values);
    void requestCalculation(int row);
    int addFile(const ZString& path, const ZString& name, const ZString& dir);
    void showResult(int row);
    void saveAll();
    void saveCompressedFile(FileData* record, const ZString& targetPath, OperationWindow* window);
    void updateFileTools();
    void updateTitle();
    // Runs the window's messages until it has painted once, or at most maxMs.
    void waitForFirstPaint(int maxMs);
    // When the window painted first; the clock's zero before that.
    std::chrono::steady_clock::time_point firstPaintTime() const { return firstPaint_; }
    // A command line from the start or from another program.
    void readCommandLine(const ZString& commandLine);
    MyFileList& fileList() { return *fileList_; }

    // MyFileList::Owner
    void saveOne(int row) override;
    void addFiles(const std::vector<ZString>& paths) override;
    void addDroppedFiles(const std::vector<ZString>& paths) override;
    void listClicked(int row, int button, bool doubleClick) override;

    // xhtml::FrameView
    void handleEvent(xhtml::ViewEvent& event) override;
    void filterMarkup(ZString& text) override;
    intptr_t handleMessage(win::Message& message) override;

    // xhtml::EventListener
    void onLButtonUp(xhtml::View* view) override;
    void onLinkClicked(xhtml::View* view) override;

private:
    void onAction(const ZString& id);
    bool onShortcut(uint32_t key, uint32_t keyState);
    void placeFileList();
    void prepareAgain(FileData* record);
    void placeBrowser();
    void showWindowMenu();
    // Before a modal window: the pointer leaves without the window hearing
    // it, so hover and tooltip would stay shown over the dialog and after it.
    void leaveForModal();
    void saveProfile();
    void onDestroy();
    // Command lines that came during a modal box, in order of arrival.
    void readPendingCommands();

    ConsoleSwitch console_;
    std::unique_ptr<MyFileList> fileList_;
    std::unique_ptr<WindowUnlockPrompt> unlockPrompt_;
    std::unique_ptr<platform::CopyDataSocket> copyData_;
    // Over the banner image; null when the feature is off.
    std::unique_ptr<browser::EmbeddedBrowser> browser_;
    int browserStep_ = 0;
    std::deque<ZString> pendingCommands_;
    int readingCommands_ = 0;
    std::chrono::steady_clock::time_point firstPaint_{};
};

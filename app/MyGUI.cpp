#include "app/MyGUI.h"

#include <cstdio>
#include <string>

#include "app/AppInfo.h"
#include "app/AppLauncher.h"
#include "app/BannerBrowser.h"
#include "app/FileHandlerArgs.h"
#include "app/OperationWindow.h"
#include "app/SaveOp.h"
#include "app/SendCommand.h"
#include "app/WindowUnlockPrompt.h"
#include "async/GlibGuiThread.h"
#include "base/Version.h"
#include "browser/EmbeddedBrowser.h"
#include "compress/FileProcessor.h"
#include "compress/LastError.h"
#include "compress/Pipeline.h"
#include "compress/SaveNames.h"
#include "platform/Clock.h"
#include "platform/ConsoleWindow.h"
#include "platform/CopyDataSocket.h"
#include "platform/FileDialogs.h"
#include "platform/Fs.h"
#include "platform/PopupMenu.h"
#include "platform/Process.h"
#include "platform/ShellOpen.h"
#include "platform/ThreadTimer.h"
#include "suite/LangPlaceholders.h"
#include "suite/Language.h"
#include "suite/Settings.h"
#include "xhtml/CheckView.h"
#include "xhtml/FormElement.h"
#include "xhtml/SelectView.h"
#include "xhtml/StyleId.h"
#include "xhtml/UrlLoader.h"
#include "xhtml/ViewContext.h"

namespace {

constexpr uint32_t kActionLockOutMs = 500;
constexpr uint32_t kRefreshTimer = xhtml::FrameView::kTooltipTimer;
// Starts the embedded browser once the window has painted, so the web
// view's start never delays the window's first picture, one step a tick.
constexpr uint32_t kBrowserTimer = 0xB905;
// Looks whether command lines that arrived during a modal box can be handled.
constexpr uint32_t kPendingCommandsTimer = 0xB906;
constexpr uint32_t kPendingCommandsPeriodMs = 100;
constexpr uint32_t kKeyF12 = platform::gui::kVkF1 + 11;
constexpr uint32_t kKeyF5 = platform::gui::kVkF1 + 4;
constexpr const char16_t* kProfileGroup = u"compress";
constexpr const char16_t* kProfileName = u"lastUsedSettings";

uint32_t lastActionTick = 0;

// Images and documents of the window: the banner from its own rule, the
// rest from the program's resources or files.
class MyUrlLoader : public xhtml::UrlLoader {
public:
    MyUrlLoader() : UrlLoader(u"res:///") {}

    uint32_t load(const ZString& url, std::string& bytes) override {
        if (url.startsWith(u"bannerUrl://")) {
            ZString mediaType;
            std::string image;
            bannerImage(image, mediaType);
            bytes.append(image);
            return static_cast<uint32_t>(image.size());
        }
        ZString resolved = xhtml::resolveUrl(base(), url).toLower();
        if (resolved.startsWith(u"res://") || resolved.startsWith(u"file://")) {
            return UrlLoader::load(url, bytes);
        }
        return 0;
    }
};

ZString binFile(const char16_t* name) {
    return progConfig_getStr(u"BinDir", ZString()) + u"/" + name;
}

// The value a form element gives, or false when it gives none.
bool formValue(xhtml::View* view, xhtml::FormElement* element, ZString& value) {
    if (view->type() == xhtml::kRadioView) {
        if (!static_cast<xhtml::RadioView*>(view)->isChecked()) return false;
        element->getValue(value);
        return true;
    }
    if (view->type() == xhtml::kCheckView) {
        value = static_cast<xhtml::CheckView*>(view)->getCheckedText();
        return true;
    }
    if (view->type() == xhtml::kSelectView) {
        value = static_cast<xhtml::SelectView*>(view)->selectedValues();
        return true;
    }
    element->getValue(value);
    return true;
}

void setFormValue(xhtml::View* view, xhtml::FormElement* element, const ZString& value) {
    if (view->type() == xhtml::kCheckView) {
        static_cast<xhtml::CheckView*>(view)->setChecked(value == u"true", false);
    } else if (view->type() == xhtml::kSelectView) {
        static_cast<xhtml::SelectView*>(view)->selectValue(value, false);
    } else {
        element->setValue(value);
    }
}

// Where a save of the record starts: the folder proposed when it was added,
// else the folder of the user's file.
ZString folderOf(const FileData* record) {
    if (!record->sourceFolder.isEmpty()) return record->sourceFolder;
    return record->userPath.isEmpty() ? ZString() : platform::fs::parentPath(record->userPath);
}

}  // namespace

void MyGUI::ConsoleSwitch::openConsole() {
    if (consoleOpen) return;
    consoleOpen = true;
    platform::openConsoleWindow();
    platform::printEnvironment();
    std::string rule(80, '=');
    std::string header = rule + "\nVarto Suite " + ZString(kProductVersion).toUtf8() + "\n" + rule + "\n";
    platform::writeStdHandle(1, header.data(), header.size());
}

bool MyGUI::ConsoleSwitch::addMenuEntry() {
    // There is no system menu: the entry lives in the window's context menu,
    // which exists as soon as the window does.
    if (!window || menuAdded) return false;
    menuAdded = true;
    return true;
}

MyGUI::MyGUI(xhtml::ViewContext* context) : FrameView(context) {}

MyGUI::~MyGUI() {
    if (unlockPrompt_ && &failureReporter() == &unlockPrompt_->reporter()) setFailureReporter(nullptr);
    fileList_.reset();
}

bool MyGUI::initialize() {
    if (!create(nullptr, 0, 0, 1, 1, platform::gui::kNoResize, 0, u"Varto Compress")) return false;
    getWindow().setIconFromModule("", 100);
    setScrollMode(kBothAxes, kScrollNever);
    setAutoSize(true, true);
    context()->setUrlLoader(std::make_unique<MyUrlLoader>());
    context()->setListener(this);
    loadUrl(u"res:///ui.xhtml");
    fileList_ = std::make_unique<MyFileList>(*this, platform::gui::Gui::screenDpi());
    Props profile;
    userConfig_loadProfile(kProfileGroup, kProfileName, profile);
    setFormValues(profile);
    if (!isFeatureEnabled(u"updateCheckBtns")) {
        if (xhtml::View* update = findViewById(u"footerUpdateCheckBtn")) update->setHidden(true);
    }
    console_.keyEnabled = true;
    console_.menuWanted = true;
    console_.window = windowHandle();
    console_.addMenuEntry();
    unlockPrompt_ =
        std::make_unique<WindowUnlockPrompt>(windowHandle(), [this] { leaveForModal(); });
    // The engine's reports from the background worker come to this window's
    // thread, which the registry names.
    async::GlibGuiThread::instance().openWindow(windowHandle());
    setFailureReporter(&unlockPrompt_->reporter());
    platform::gui::Window::acceptFiles(windowHandle(), true);
    copyData_ = std::make_unique<platform::CopyDataSocket>();
    copyData_->listen(kWindowClass, [this](uint32_t tag, const ZString& text) -> uint32_t {
        win::Message message = win::Message::make(win::Msg::CopyData);
        message.id = tag;
        message.text = text;
        return static_cast<uint32_t>(getWindow().sendMessage(message));
    });
    if (isAutoSize()) scheduleUpdate(true);
    getWindow().centerOnOwner();
    getWindow().show(true);
    getWindow().bringToTop();
    return true;
}

void MyGUI::filterMarkup(ZString& text) {
    text = applyLangPlaceholders(text);
    ZString update = lang_getStr(u"compress/check-for-updates");
    for (int at = text.find(u"{updateTxt}"); at >= 0; at = text.find(u"{updateTxt}", at)) {
        text.replace(at, at + 11, update);
        at += update.length();
    }
}

void MyGUI::handleEvent(xhtml::ViewEvent& event) {
    if (event.type == xhtml::ViewEvent::kAttach) {
        placeFileList();
        placeBrowser();
    }
    FrameView::handleEvent(event);
}

void MyGUI::placeBrowser() {
    xhtml::View* banner = findViewById(u"banner");
    if (browser_ && banner) browser_->setRect(toClient(banner->getRect()));
}

void MyGUI::placeFileList() {
    xhtml::View* host = findViewById(u"fileList");
    if (!host || !fileList_ || !windowHandle()) return;
    auto* control = dynamic_cast<xhtml::ControlView*>(host);
    if (control) control->setWindow(fileList_->widget());
    xhtml::Rect box = toClient(host->getRect());
    fileList_->place(windowHandle(), box.left, box.top, box.width(), box.height());
}

intptr_t MyGUI::handleMessage(win::Message& message) {
    switch (message.msg) {
        case win::Msg::KeyDown:
            if (onShortcut(message.key, message.keyState)) return 1;
            break;
        case win::Msg::KeyUp:
            if (console_.keyEnabled && message.key == kKeyF12) {
                console_.openConsole();
                return 0;
            }
            break;
        case win::Msg::RButtonUp:
            if (console_.menuAdded) showWindowMenu();
            break;
        case win::Msg::Destroy:
            onDestroy();
            break;
        case win::Msg::CopyData:
            if (message.id == kCommandLineTag) {
                // The sender is answered at once. During a modal box (the
                // password prompt above all) the files wait for it to close:
                // a second prompt on top of the first would be the result.
                if (platform::gui::Gui::modalDepth() > 0 || readingCommands_ > 0) {
                    pendingCommands_.push_back(message.text);
                    getWindow().setTimer(kPendingCommandsTimer, kPendingCommandsPeriodMs);
                    return 1;
                }
                readCommandLine(message.text);
                getWindow().bringToTop();
                return 1;
            }
            break;
        case win::Msg::Paint:
            if (firstPaint_ == std::chrono::steady_clock::time_point{}) {
                firstPaint_ = std::chrono::steady_clock::now();
            }
            if (browserStep_ == 0) {
                getWindow().setTimer(kBrowserTimer, 1);
            }
            break;
        case win::Msg::Timer:
            if (message.id == kBrowserTimer) {
                if (!startBannerBrowser(windowHandle(), browser_, browserStep_++)) {
                    getWindow().killTimer(kBrowserTimer);
                }
                placeBrowser();
                return 0;
            }
            if (message.id == kPendingCommandsTimer) {
                readPendingCommands();
                return 0;
            }
            if (message.id == kRefreshTimer && fileList_) {
                fileList_->refreshResults();
                updateFileTools();
                updateTitle();
            }
            break;
        case win::Msg::DropFiles:
            addDroppedFiles(message.files);
            return 0;
        default:
            break;
    }
    return FrameView::handleMessage(message);
}

void MyGUI::leaveForModal() {
    win::Message leave = win::Message::make(win::Msg::MouseLeave);
    forEachInTree([&](xhtml::View* view) {
        if (view->type() == xhtml::kIFrameView) {
            static_cast<xhtml::FrameView*>(view)->handleMessage(leave);
        }
        return true;
    });
    FrameView::handleMessage(leave);
}

void MyGUI::waitForFirstPaint(int maxMs) {
    static bool timedOut;
    timedOut = false;
    uint32_t timer = platform::ThreadTimer::start(static_cast<uint32_t>(maxMs),
                                                  [](uint32_t) { timedOut = true; });
    while (firstPaint_ == std::chrono::steady_clock::time_point{} && !timedOut) {
        platform::gui::Gui::pump(true);
    }
    platform::ThreadTimer::stop(timer);
}

void MyGUI::showWindowMenu() {
    leaveForModal();
    if (platform::popupMenu(windowHandle(), {lang_getStr(u"general/console")}) == 1) {
        console_.openConsole();
    }
}

void MyGUI::onDestroy() {
    saveProfile();
    closeBannerBrowser(browser_, windowHandle());
    // From now on a report waits for nobody: the worker gets the cautious answer.
    async::GlibGuiThread::instance().closeWindow(windowHandle());
    platform::gui::Gui::quit(0);
}

void MyGUI::saveProfile() {
    Props values;
    collectFormValues(values);
    userConfig_saveProfile(kProfileGroup, kProfileName, values);
}

void MyGUI::onLButtonUp(xhtml::View* view) { onAction(view->getId()); }

void MyGUI::onLinkClicked(xhtml::View* view) {
    onAction(view->styleString(xhtml::StyleId::LinkTarget, ZString(), xhtml::kStateNormal));
}

// The usual keys of a desktop program for the window's four actions and
// for closing; the tool buttons' tooltips name them.
bool MyGUI::onShortcut(uint32_t key, uint32_t keyState) {
    const bool control = (keyState & platform::gui::kKeyControl) != 0;
    const bool shift = (keyState & platform::gui::kKeyShift) != 0;
    // A key does what its button does, and nothing while the button is off.
    auto press = [this](const char16_t* id) {
        xhtml::View* button = findViewById(id);
        if (button && !button->isDisabled()) onAction(id);
        return true;
    };
    if (shift) return false;
    if (!control && key == kKeyF5) return press(u"actionCalcSize");
    if (!control) return false;
    switch (key) {
        case 'O':
            return press(u"actionAdd");
        case 'S':
            return press(u"actionSave");
        case 'Q':
        case 'W':
            // Posted: the window must not go while it handles its own key.
            getWindow().postMessage(win::Message::make(win::Msg::Close));
            return true;
        default:
            return false;
    }
}

void MyGUI::onAction(const ZString& id) {
    if (!id.startsWith(u"action")) return;
    uint32_t now = platform::tickCount();
    if (now - lastActionTick < kActionLockOutMs) return;
    lastActionTick = now;
    dispatchAction(id);
}

void MyGUI::dispatchAction(const ZString& id) {
    if (id == u"actionOpenAbout") {
        leaveForModal();
        showAbout(windowHandle());
    } else if (id == u"actionOpenSettings") {
        platform::shell::open(binFile(u"varto-Settings"), ZString());
    } else if (id == u"actionBannerClick") {
        ZString url = config_getStr(u"LogoClickUrl", ZString());
        if (url.startsWith(u"http://") || url.startsWith(u"https://")) {
            platform::shell::open(url, ZString());
        }
    } else if (id == u"actionUpdate") {
        platform::shell::open(binFile(u"varto-Updater"), u"-manual");
    } else if (id == u"actionBrowserRefresh") {
        if (browser_) browser_->refresh();
    } else if (id == u"actionAdd") {
        leaveForModal();
        std::vector<ZString> files =
            platform::dialogs::openFiles(windowHandle(), lang_getStr(u"general/choose-document"),
                                         {{u"All Files (*.*)", u"*.*"}});
        if (!files.empty()) addFiles(files);
    } else if (id == u"actionCalcSize") {
        for (int row = 0; row < fileList_->rowCount(); ++row) requestCalculation(row);
    } else if (id == u"actionShow") {
        showResult(-1);
    } else if (id == u"actionSave") {
        saveAll();
    }
}

void MyGUI::collectFormValues(Props& values) {
    xhtml::View* box = findViewById(u"formValuesBox");
    if (!box) return;
    box->forEachInTree([&](xhtml::View* view) {
        xhtml::FormElement* element = xhtml::FormElement::of(view);
        if (!element || view->isDisabled()) return true;
        ZString name = element->getNameText();
        ZString value;
        if (!name.isEmpty() && formValue(view, element, value)) values[name] = value;
        return true;
    });
}

void MyGUI::setFormValues(const Props& values) {
    xhtml::View* box = findViewById(u"formValuesBox");
    if (!box) return;
    box->forEachInTree([&](xhtml::View* view) {
        xhtml::FormElement* element = xhtml::FormElement::of(view);
        if (!element) return true;
        auto found = values.find(element->getNameText());
        if (found != values.end()) setFormValue(view, element, found->second);
        return true;
    });
}

void MyGUI::requestCalculation(int row) {
    FileData* record = fileList_->recordAt(row);
    if (!record) return;
    if (record->workingPath.isEmpty() && record->state == FileData::Done) prepareAgain(record);
    Props values;
    collectFormValues(values);
    userConfig_saveProfile(kProfileGroup, kProfileName, values);
    FileProcessor::instance().queue(record, values);
}

void MyGUI::addFiles(const std::vector<ZString>& paths) {
    win::WindowHandle window = windowHandle();
    for (const ZString& path : paths) {
        if (!platform::gui::Window::isWindow(window)) return;
        // Pending messages first, so the window keeps painting while many
        // files are copied.
        platform::gui::Gui::pump(false);
        if (!platform::gui::Window::isWindow(window)) return;
        addFile(path, ZString(), ZString());
    }
}

void MyGUI::addDroppedFiles(const std::vector<ZString>& paths) {
    for (const ZString& path : paths) addFile(path, ZString(), ZString());
}

int MyGUI::addFile(const ZString& path, const ZString& name, const ZString& dir) {
    FileProcessor& processor = FileProcessor::instance();
    // The user's file, however it was named: a file already listed is not
    // added again.
    ZString real = platform::fs::realPath(path);
    ZString userPath = real.isEmpty() ? path : real;
    {
        std::lock_guard<std::recursive_mutex> guard(processor.listLock());
        for (const auto& entry : processor.entries()) {
            if (!entry->removed && (entry->userPath == userPath || entry->workingPath == path)) {
                return -1;
            }
        }
    }
    unlockPrompt_->clearLastMessage();
    setLastError(0);
    std::unique_ptr<FileData> prepared = prepareFile(path, name, dir, unlockPrompt_.get());
    if (!prepared) {
        // A cancelled password prompt drops the file, as the user asked;
        // any other failure keeps it listed with its reason.
        if (getLastError() == kErrorCancelled) return -1;
        prepared = failedFile(path, name, dir);
        prepared->failureDetail = unlockPrompt_->lastMessage();
    }
    prepared->userPath = userPath;
    FileData* record = processor.append(std::move(prepared));
    int row = fileList_->insertRow(record);
    // A file that could not be prepared was reported just now: it is listed
    // failed, and only "Compress again" tries it anew (a second box otherwise).
    if (!record->workingPath.isEmpty()) requestCalculation(row);
    return row;
}

// "Compress again" on a file that could not be prepared tries it anew.
void MyGUI::prepareAgain(FileData* record) {
    unlockPrompt_->clearLastMessage();
    setLastError(0);
    std::unique_ptr<FileData> prepared =
        prepareFile(record->userPath, record->displayName, record->sourceFolder,
                    unlockPrompt_.get());
    std::lock_guard<std::recursive_mutex> guard(record->lock);
    if (!prepared) {
        if (getLastError() != kErrorCancelled) record->failureDetail = unlockPrompt_->lastMessage();
        return;
    }
    record->workingPath = prepared->workingPath;
    record->originalCopyPath = prepared->originalCopyPath;
    record->encrypted = prepared->encrypted;
    record->password = prepared->password;
    record->failure = FileData::NoFailure;
    record->failureDetail.clear();
}

void MyGUI::readPendingCommands() {
    if (platform::gui::Gui::modalDepth() > 0 || readingCommands_ > 0) return;
    getWindow().killTimer(kPendingCommandsTimer);
    while (!pendingCommands_.empty() && windowHandle()) {
        ZString next = pendingCommands_.front();
        pendingCommands_.pop_front();
        readCommandLine(next);
    }
    if (windowHandle()) getWindow().bringToTop();
}

void MyGUI::readCommandLine(const ZString& commandLine) {
    // Adding files pumps messages and may ask for passwords: a command line
    // that arrives meanwhile waits its turn.
    ++readingCommands_;
    struct Done {
        int& depth;
        ~Done() { --depth; }
    } done{readingCommands_};
    readWindowCommandLine(commandLine,
                          [this](const ZString& path, const ZString& name, const ZString& dir) {
                              return addFile(path, name, dir);
                          });
}

void MyGUI::showResult(int row) { fileList_->showResult(row); }

void MyGUI::listClicked(int row, int button, bool doubleClick) {
    fileList_->ensureSelection();
    if (row < 0) return;
    if (doubleClick) {
        showResult(row);
    } else if (button == 3) {
        leaveForModal();
        fileList_->showContextMenu(row);
    }
}

void MyGUI::updateFileTools() {
    bool usable = fileList_->usableRow(-1) >= 0;
    std::vector<xhtml::View*> tools;
    findByClass(u"fileTool", tools);
    for (xhtml::View* tool : tools) {
        if (tool->isDisabled() == !usable) continue;
        tool->setDisabled(!usable, usable ? 1.0 : 0.5);
    }
}

void MyGUI::updateTitle() {
    ZString title(u"Varto Compress");
    int rows = fileList_->rowCount();
    if (rows > 0) {
        int done = 0;
        for (int row = 0; row < rows; ++row) {
            FileData* record = fileList_->recordAt(row);
            if (record && record->state == FileData::Done) ++done;
        }
        title.append(ZString::format(u" (%d / %d)", done, rows));
    }
    if (getWindow().getText() != title) getWindow().setText(title);
}

void MyGUI::saveCompressedFile(FileData* record, const ZString& targetPath,
                               OperationWindow* window) {
    Props values;
    collectFormValues(values);
    userConfig_saveProfile(kProfileGroup, kProfileName, values);
    SaveOp operation(record, targetPath, values, &unlockPrompt_->reporter());
    window->run(&operation);
}

void MyGUI::saveOne(int row) {
    FileData* record = fileList_->recordAt(fileList_->usableRow(row));
    if (!record) return;
    leaveForModal();
    Props values;
    collectFormValues(values);
    ZString proposed = makeSaveName(record->displayName, values[u"saveFileSuffix"]);
    std::optional<ZString> target =
        platform::dialogs::saveFile(windowHandle(), ZString(), folderOf(record), proposed,
                                    {{u"PDF Files (*.pdf)", u"*.pdf"}});
    if (!target) return;
    OperationWindow* window = operationUI_createInstance(windowHandle());
    saveCompressedFile(record, *target, window);
    window->release();
}

void MyGUI::saveAll() {
    int rows = fileList_->rowCount();
    if (rows == 0) return;
    if (rows == 1) {
        saveOne(0);
        return;
    }
    leaveForModal();
    // The dialog opens where the first selected file came from, a real
    // folder rather than the list of recent files, in which no folder can
    // be chosen.
    int selected = fileList_->selectedRow();
    FileData* first = fileList_->recordAt(selected >= 0 ? selected : 0);
    std::optional<ZString> folder = platform::dialogs::chooseFolder(
        windowHandle(), ZString(), first ? folderOf(first) : ZString());
    if (!folder || folder->isEmpty()) return;
    Props values;
    collectFormValues(values);
    OperationWindow* window = operationUI_createInstance(windowHandle());
    window->setSeries(true);
    ZString base = platform::fs::stripTrailingSeparators(*folder);
    for (int row = 0; row < rows; ++row) {
        if (window->isCancelled()) break;
        FileData* record = fileList_->recordAt(row);
        if (!record) continue;
        ZString name = makeSaveName(record->displayName, values[u"saveFileSuffix"]);
        int start = 0;
        while (start < name.length() && (name[start] == u'/' || name[start] == u'\\')) ++start;
        name = name.substring(start);
        ZString target = base.isEmpty() ? name : base + u"/" + name;
        if (!target.toLower().endsWith(u".pdf")) target.append(u".pdf");
        saveCompressedFile(record, uniquePath(target), window);
    }
    window->release();
}

#include "app/MyFileList.h"

#include <mutex>

#include "compress/Command.h"
#include "compress/FileProcessor.h"
#include "compress/SaveNames.h"
#include "compress/TargetSize.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"
#include "platform/ShellOpen.h"
#include "platform/gui/Gui.h"
#include "platform/gui/ReportList.h"
#include "platform/gui/Tooltip.h"
#include "suite/Language.h"

namespace {

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kSelectedGrey = 0xF0F0F0;
constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kRed = 0x0000C8;
constexpr uint32_t kGreen = 0x006400;
constexpr uint32_t kHeaderColor = 0x505050;
constexpr unsigned kKeyDelete = 0xFFFF;  // GDK_KEY_Delete
constexpr unsigned kKeyLowerV = 'v';
constexpr unsigned kKeyUpperV = 'V';
constexpr unsigned kKeyMenu = 0xFF67;  // GDK_KEY_Menu, the context-menu key
// Column widths at 96 dpi; the new size column holds "Ghostscript 100 %".
constexpr int kSizeWidth = 100;
constexpr int kNewSizeWidth = 130;

// Empty when the size cannot be known (a file that cannot be read at all).
ZString sizeText(const ZString& path) {
    int64_t size = fileSize(path);
    return size < 0 ? ZString() : formatFileSize(size);
}

bool resultExists(const FileData* record) {
    return record->state == FileData::Done && !record->resultPath.isEmpty() &&
           platform::fs::exists(record->resultPath);
}

// Sizes are the user's: the byte copy of their file, not the unlocked copy
// whose size the unlocking changes; their own file when it could not be copied.
ZString inputOf(const FileData* record) {
    if (!record->originalCopyPath.isEmpty()) return record->originalCopyPath;
    return record->workingPath.isEmpty() ? record->userPath : record->workingPath;
}

bool failed(const FileData* record) {
    return record->state == FileData::Done && record->failure != FileData::NoFailure;
}

ZString failureText(uint32_t failure) {
    switch (failure) {
        case FileData::Unreadable:
            return lang_getStr(u"compress/cannot-be-read");
        case FileData::ConversionFailed:
            return lang_getStr(u"compress/conversion-failed");
        case FileData::NotWritten:
            return lang_getStr(u"compress/not-written");
        case FileData::BadTargetSize:
            return lang_getStr(u"compress/bad-target-size");
        default:
            return ZString();
    }
}

// How the result met its size limit, read under the record's lock (a
// record being processed gives limit 0).
TargetSize::Result targetOf(FileData* record) {
    std::unique_lock<std::recursive_mutex> guard(record->lock, std::try_to_lock);
    if (!guard.owns_lock() || record->state != FileData::Done) return TargetSize::Result();
    return record->target;
}

bool targetMissed(FileData* record) {
    TargetSize::Result target = targetOf(record);
    return target.limit > 0 && !target.reached && resultExists(record);
}

// The limit in the units the user wrote it in: kB and MB, or KiB and MiB.
// The file's own sizes are in the list's units, like every other size.
ZString limitText(FileData* record, int64_t bytes) {
    std::unique_lock<std::recursive_mutex> guard(record->lock, std::try_to_lock);
    bool binary = guard.owns_lock() && TargetSize::binaryUnits(record->resultSettings);
    return TargetSize::format(bytes, binary);
}

// What the row's tooltip says of the size limit: the settings chosen, or why
// it was missed.
ZString targetText(FileData* record) {
    TargetSize::Result target = targetOf(record);
    if (target.limit <= 0 || !resultExists(record)) return ZString();
    ZString limit = limitText(record, target.limit);
    if (target.reached) {
        if (target.quality < 0)
            return ZString::format(lang_getStr(u"compress/target-kept-images").c_str(), limit.c_str());
        return ZString::format(lang_getStr(u"compress/target-chosen").c_str(), limit.c_str(),
                               target.dpi, target.quality);
    }
    ZString size = sizeText(record->resultPath);
    // The row's own text first: the column may cut it.
    ZString text = lang_getStr(u"compress/target-not-reached") + u": " + size + u"\n";
    switch (target.why) {
        case TargetSize::Result::Why::LosslessMode:
            return text + ZString::format(lang_getStr(u"compress/~target-lossless-info").c_str(),
                                          size.c_str(), limit.c_str());
        case TargetSize::Result::Why::NoGhostscript:
            return text + ZString::format(lang_getStr(u"compress/~target-no-ghostscript-info").c_str(),
                                          size.c_str(), limit.c_str());
        case TargetSize::Result::Why::Protection:
            return text + ZString::format(lang_getStr(u"compress/~target-protection-info").c_str(),
                                          size.c_str(), limit.c_str());
        default:
            return text + ZString::format(lang_getStr(u"compress/~target-floor-info").c_str(),
                                          target.floorDpi, target.floorQuality, size.c_str(),
                                          limit.c_str());
    }
}

// The running step: Ghostscript with the share of pages written, then the
// later steps' names.
ZString progressText(const StepProgress& progress) {
    switch (progress.step.load()) {
        case StepProgress::Ghostscript: {
            int percent = progress.percent;
            if (percent < 0) return lang_getStr(u"compress/step-ghostscript");
            return ZString::format(u"%s %d %%", lang_getStr(u"compress/step-ghostscript").c_str(),
                                   percent);
        }
        case StepProgress::Qpdf:
            return lang_getStr(u"compress/step-qpdf");
        case StepProgress::Sharing:
            return lang_getStr(u"compress/step-sharing");
        case StepProgress::Protection:
            return lang_getStr(u"compress/step-protection");
        default:
            return ZString();
    }
}

// The row's tooltip: the user's file, then why it failed or that the
// result is protected.
ZString tooltipOf(FileData* record) {
    ZString text = record->userPath.isEmpty() ? record->displayName : record->userPath;
    uint32_t failure = record->failure;
    if (failed(record)) {
        ZString reason;
        if (failure == FileData::Unreadable) {
            // A file that could not even be copied is no damaged PDF: the
            // reason is the box's text below.
            bool opened = !record->workingPath.isEmpty() ||
                          (!platform::fs::isDirectory(record->userPath) &&
                           platform::fs::openForReading(record->userPath));
            reason = lang_getStr(opened ? u"compress/~cannot-be-read-info"
                                        : u"compress/~cannot-open-info");
        }
        if (failure == FileData::ConversionFailed) {
            reason = lang_getStr(u"compress/~conversion-failed-info");
            if (record->converterExitStatus != 0) {
                reason += ZString::format(u" (%s %u)",
                                          lang_getStr(u"compress/exit-status").c_str(),
                                          record->converterExitStatus);
            }
        }
        if (failure == FileData::NotWritten) reason = lang_getStr(u"compress/~not-written-info");
        if (failure == FileData::BadTargetSize) reason = lang_getStr(u"compress/~bad-target-size-info");
        text += u"\n" + reason;
        std::unique_lock<std::recursive_mutex> guard(record->lock, std::try_to_lock);
        if (guard.owns_lock() && !record->failureDetail.isEmpty()) {
            text += u"\n" + record->failureDetail;
        }
    } else if (resultExists(record)) {
        // Which road the result came by, when it is not the user's file itself.
        std::unique_lock<std::recursive_mutex> guard(record->lock, std::try_to_lock);
        if (guard.owns_lock() && !record->resultUnchanged && !record->resultRoute.isEmpty()) {
            text += u"\n" + lang_getStr(record->resultRoute == u"ghostscript"
                                             ? u"compress/route-ghostscript"
                                             : u"compress/route-lossless");
        }
        if (record->protectionKept) {
            text += u"\n" + lang_getStr(u"compress/protected-same-password");
        }
    }
    ZString target = failed(record) ? ZString() : targetText(record);
    if (!target.isEmpty()) text += u"\n" + target;
    return text;
}

}  // namespace

MyFileList::MyFileList(Owner& owner, int dpi) : owner_(owner), dpi_(dpi) {
    int width = dpi * 200 / 96;
    std::vector<platform::gui::ReportList::Column> columns = {
        {lang_getStr(u"compress/file"), false, width},
        {lang_getStr(u"compress/size"), true, width},
        {lang_getStr(u"compress/new-size"), true, width},
    };
    platform::gui::ReportList::Handlers handlers;
    handlers.cellLook = [this](int row, int column, bool selected) {
        platform::gui::ReportList::CellLook look;
        look.background = selected ? kSelectedGrey : kWhite;
        look.text = kBlack;
        FileData* record = recordAt(row);
        if (record && column == 2 && (failed(record) || targetMissed(record))) {
            look.text = kRed;
            return look;
        }
        // An unchanged result is the user's own file: neither column claims a gain.
        if (!record || column == 0 || !resultExists(record) || record->resultUnchanged) {
            return look;
        }
        int64_t input = fileSize(inputOf(record));
        int64_t result = fileSize(record->resultPath);
        if (input == result) return look;
        bool smaller = result < input;
        look.text = (column == 1) == smaller ? kRed : kGreen;
        return look;
    };
    handlers.onClick = [this](int row, int button, bool doubleClick) {
        owner_.listClicked(row, button, doubleClick);
    };
    handlers.onKey = [this](unsigned keyval, bool release, bool leftControlDown) {
        return handleKey(keyval, release, leftControlDown);
    };
    handlers.onDrop = [this](const std::vector<ZString>& paths) { owner_.addDroppedFiles(paths); };
    list_ = std::make_unique<platform::gui::ReportList>(columns, std::move(handlers));
    // The rows' tips are the native list's own: in the window's scale too.
    platform::gui::Tooltip::scaleTo(dpi);
    double scale = dpi / 96.0;
    list_->setFonts(static_cast<int>(12 * scale), u"Segoe UI", static_cast<int>(13 * scale), true,
                    kHeaderColor);
}

MyFileList::~MyFileList() = default;

platform::WindowHandle MyFileList::widget() const { return list_->widget(); }

void MyFileList::place(platform::WindowHandle window, int x, int y, int width, int height) {
    list_->place(window, x, y, width, height);
    clientWidth_ = width - 4;
    fitColumns(clientWidth_);
}

void MyFileList::fitColumns(int clientWidth) {
    list_->setColumnWidth(1, dpi_ * kSizeWidth / 96);
    list_->setColumnWidth(2, dpi_ * kNewSizeWidth / 96);
    list_->setColumnWidth(0, clientWidth - dpi_ * (kSizeWidth + kNewSizeWidth) / 96);
}

int MyFileList::rowCount() const { return list_->rowCount(); }

int MyFileList::selectedRow() const { return list_->selectedRow(); }

int MyFileList::insertRow(FileData* record) {
    ZString size = sizeText(inputOf(record));
    int row = list_->appendRow(record->displayName, record);
    list_->setText(row, 1, size);
    list_->setTooltip(row, tooltipOf(record));
    list_->selectRow(row, false);
    return row;
}

FileData* MyFileList::recordAt(int row) const {
    if (row < 0 || row >= rowCount()) return nullptr;
    return static_cast<FileData*>(list_->rowData(row));
}

int MyFileList::usableRow(int row) const {
    if (row != -1) return row;
    int selected = list_->selectedRow();
    if (selected >= 0) return selected;
    return rowCount() == 1 ? 0 : -1;
}

void MyFileList::removeRow(int requested) {
    int row = usableRow(requested);
    FileData* record = recordAt(row);
    if (!record) return;
    // Marks it removed and kills its running tool; the processor destroys it.
    FileProcessor::instance().remove(record);
    list_->removeRow(row);
    int count = rowCount();
    if (count > 0) list_->selectRow(row < count ? row : count - 1, true);
}

void MyFileList::setResultText(int row, FileData* record, const ZString& text) {
    if (text == record->shownResultText) return;
    record->shownResultText = text;
    list_->setText(row, 2, text);
    list_->setTooltip(row, tooltipOf(record));
    if (!text.isEmpty()) list_->redrawRow(row);
    // The console's record of what the list says of a file: its steps while
    // it is compressed (not the cycling dots), then its result.
    uint32_t state = record->state;
    bool stepShown = state == FileData::Processing && !text.isEmpty() && text[0] != u'.';
    if ((state == FileData::Done || stepShown) && !text.isEmpty()) {
        ZString line = record->displayName + u": " + sizeText(inputOf(record)) + u" -> " + text;
        if (state == FileData::Done && record->protectionKept) {
            line += ZString(u" (") + lang_getStr(u"compress/protected-same-password") + u")";
        }
        printLogLine(line);
    }
}

void MyFileList::refreshResults() {
    for (int row = 0;; ++row) {
        FileData* record = recordAt(row);
        if (!record) break;
        ZString text;
        uint32_t state = record->state;
        if (state == FileData::Processing) {
            text = progressText(record->progress);
            if (text.isEmpty()) {
                // Before any step has begun: the cycling dots.
                uint32_t step = record->progressStep;
                for (uint32_t i = 0; i < step; ++i) text.append(u'.');
                record->progressStep = (step + 1) % 7;
            }
        } else if (state == FileData::Done) {
            std::unique_lock<std::recursive_mutex> guard(record->lock, std::try_to_lock);
            if (!guard.owns_lock()) guard.try_lock();
            if (failed(record)) {
                text = failureText(record->failure);
            } else if (!guard.owns_lock()) {
                // A save holds the record while it copies the result: the
                // row keeps what it shows rather than blank for a moment.
                continue;
            } else if (targetMissed(record)) {
                text = lang_getStr(u"compress/target-not-reached") + u": " +
                       sizeText(record->resultPath);
            } else if (resultExists(record)) {
                text = record->resultUnchanged ? lang_getStr(u"compress/no-change")
                                               : sizeText(record->resultPath);
            }
        }
        setResultText(row, record, text);
    }
}

void MyFileList::ensureSelection() {
    if (rowCount() > 0 && list_->selectedRow() < 0) list_->selectRow(rowCount() - 1, true);
}

void MyFileList::showResult(int requested) {
    FileData* record = recordAt(usableRow(requested));
    if (!record || record->state != FileData::Done) return;
    ZString result = record->resultPath;
    if (!result.isEmpty() && platform::fs::exists(result)) platform::shell::open(result, ZString());
}

void MyFileList::showContextMenu(int row) {
    int chosen = list_->popupMenu({lang_getStr(u"compress/save-compressed-file"),
                                   lang_getStr(u"compress/open-compressed-file"),
                                   lang_getStr(u"compress/open-original-file"),
                                   lang_getStr(u"compress/remove")});
    switch (chosen) {
        case 1:
            owner_.saveOne(row);
            break;
        case 2:
            showResult(row);
            break;
        case 3: {
            // The user's own file, never the private copy that is compressed.
            FileData* record = recordAt(row);
            if (record && !record->userPath.isEmpty() && platform::fs::exists(record->userPath)) {
                platform::shell::open(record->userPath, ZString());
            }
            break;
        }
        case 4:
            removeRow(row);
            break;
        default:
            break;
    }
}

bool MyFileList::handleKey(unsigned keyval, bool release, bool leftControlDown) {
    if (!release) fitColumns(clientWidth_);
    if (release && keyval == kKeyDelete) {
        removeRow(-1);
        return true;
    }
    if (!release && leftControlDown && (keyval == kKeyLowerV || keyval == kKeyUpperV)) {
        std::vector<ZString> paths = platform::gui::Gui::clipboardFiles();
        if (!paths.empty()) owner_.addFiles(paths);
        return true;
    }
    // The keyboard's way to the row menu a right click opens.
    if (!release && keyval == kKeyMenu) {
        const int row = usableRow(-1);
        if (row >= 0) showContextMenu(row);
        return true;
    }
    return false;
}

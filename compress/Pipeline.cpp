#include "compress/Pipeline.h"

#include "compress/CompressionSettings.h"
#include "compress/Ghostscript.h"
#include "compress/ObjectSharing.h"
#include "compress/PageCount.h"
#include "compress/Qpdf.h"
#include "compress/TempFiles.h"
#include "compress/Unlock.h"
#include "platform/Fs.h"
#include "suite/Settings.h"

namespace {

const char16_t* const kTempFolder = u"Varto";

ZString fileNameOf(const ZString& path) {
    int slash = path.findLast(u'/');
    return slash < 0 ? path : path.substring(slash + 1);
}

bool hasPdfExtension(const ZString& path) {
    return path.length() >= 4 && path.substring(path.length() - 4).equalsIgnoreCase(u".pdf");
}

bool isUsable(const ZString& path) {
    return !path.isEmpty() && platform::fs::exists(path) && fileSize(path) > 0;
}

ZString makeRegisteredTempName(const char16_t* prefix, const char16_t* extension) {
    ZString name = makeTempFileName(kTempFolder, prefix, extension);
    registerTempFile(name);
    return name;
}

void removeIfExists(const ZString& path) {
    if (!path.isEmpty() && platform::fs::exists(path)) platform::fs::removeFile(path);
}

// Takes a tool's output as the new best when it is smaller and, since
// Ghostscript answers unreadable input with a blank page, has every page.
bool smallerThan(const ZString& output, const ZString& best) {
    if (!platform::fs::exists(output)) return false;
    int64_t size = fileSize(output);
    return size > 0 && size < fileSize(best);
}

bool betterThan(const ZString& output, const ZString& best, int64_t expectedPages) {
    if (!smallerThan(output, best)) return false;
    return expectedPages >= 0 && pdfPageCount(output) == expectedPages;
}

// The unlock step rewrites every PDF, sometimes larger than the user's
// file. When nothing came out smaller than the user's own bytes, the result
// becomes a copy of them. True when it did.
bool keepOriginalWhenNotLarger(const ZString& original, const ZString& result) {
    if (original.isEmpty() || fileSize(original) <= 0) return false;
    int64_t resultSize = fileSize(result);
    if (resultSize > 0 && resultSize < fileSize(original)) return false;
    return copyFileWithRetries(original, result);
}

}  // namespace

ZString safeExtension(const ZString& path) {
    ZString name = fileNameOf(path);
    int dot = name.findLast(u'.');
    if (dot < 0) return ZString();
    ZString result;
    for (int i = dot; i < name.length(); ++i) {
        char16_t c = name[i];
        if (c < 32 || ZString(u"<>:\"/\\|?*").find(c) >= 0) continue;
        result.append(c);
    }
    return result;
}

std::unique_ptr<FileData> prepareFile(const ZString& addedPath, const ZString& displayNameIn,
                                      const ZString& sourceFolderIn, UnlockPrompt* prompt) {
    ZString extension = safeExtension(addedPath);
    ZString displayName = displayNameIn;
    ZString sourceFolder = sourceFolderIn;
    if (displayName.isEmpty()) {
        if (sourceFolder.isEmpty()) sourceFolder = platform::fs::parentPath(addedPath);
        displayName = fileNameOf(addedPath);
    } else if (!extension.isEmpty() &&
               !(displayName.length() >= extension.length() &&
                 displayName.substring(displayName.length() - extension.length())
                     .equalsIgnoreCase(extension))) {
        displayName.append(extension);
    }

    platform::WindowHandle owner = prompt ? prompt->owner() : nullptr;
    ZString working = makeRegisteredTempName(u"compress_", extension.c_str());
    if (!copyFileWithErrorBox(addedPath, working, owner)) return nullptr;

    ZString original;
    if (hasPdfExtension(working)) {
        ZString unlocked = makeRegisteredTempName(u"unlocked_", u".pdf");
        if (!unlockPdf(working, unlocked, displayName, prompt)) return nullptr;
        if (!pdfIsEncrypted(working)) original = working;
        working = unlocked;
        if (!platform::fs::exists(working) || fileSize(working) <= 0) return nullptr;
    }
    auto entry = std::make_unique<FileData>(working, displayName, sourceFolder);
    entry->originalCopyPath = original;
    return entry;
}

void processEntry(FileData& entry, CommandContext* context) {
    std::lock_guard<std::recursive_mutex> guard(entry.lock);
    entry.progressStep = 0;
    entry.state = FileData::Processing;

    ZString source = entry.pdfSourcePath.isEmpty() ? entry.workingPath : entry.pdfSourcePath;
    if (!hasPdfExtension(source)) {
        ZString converted = makeRegisteredTempName(u"compress_", u".pdf");
        convertToPdf(source, converted, u"default/best", context);
        source = converted;
    }

    if (isUsable(source)) {
        if (entry.pdfSourcePath.isEmpty()) entry.pdfSourcePath = source;
        bool upToDate = !entry.resultPath.isEmpty() &&
                        sameSettings(entry.requestedSettings, entry.resultSettings);
        if (!upToDate) {
            ZString out = makeRegisteredTempName(u"compress_", u".pdf");
            compressFile(source, out, entry.requestedSettings, context);
            entry.resultUnchanged = keepOriginalWhenNotLarger(entry.originalCopyPath, out);
            removeIfExists(entry.resultPath);
            entry.resultPath = out;
            entry.resultSettings = entry.requestedSettings;
        }
        if (context && context->cancelled) {
            removeIfExists(entry.resultPath);
            entry.resultPath.clear();
            entry.resultSettings.clear();
            entry.resultUnchanged = false;
        }
    }
    entry.state = FileData::Done;
}

void compressFile(const ZString& inputPath, const ZString& outputPath, const Props& settings,
                  CommandContext* context) {
    auto cancelled = [context] { return context && context->cancelled; };
    ZString best = inputPath;
    ZString gs;
    ZString qp;
    ZString sh;
    ZString mode = getStringSetting(settings, u"mode");
    int64_t pages = -2;  // read once, when the first tool output is judged
    auto expectedPages = [&] {
        if (pages == -2) pages = pdfPageCount(inputPath);
        return pages;
    };

    if (!cancelled()) {
        if (mode != u"lossless") {
            gs = makeRegisteredTempName(u"compress_gs_", u".pdf");
            runGhostscriptCompression(best, gs, settings, context);
            if (!cancelled() && betterThan(gs, best, expectedPages())) best = gs;
        }
        if (!cancelled()) {
            qp = makeRegisteredTempName(u"compress_qpdf_", u".pdf");
            optimizeWithQpdf(best, qp, settings, context);
            if (!cancelled() && betterThan(qp, best, expectedPages())) best = qp;
        }
        if (!cancelled()) {
            sh = makeRegisteredTempName(u"compress_share_", u".pdf");
            // The step counts the pages of what it wrote: parsing a large output
            // again for that would cost as much as a good part of the step.
            int64_t shPages = -1;
            if (ObjectSharing::run(best, sh, settings, &shPages) && smallerThan(sh, best) &&
                expectedPages() >= 0 && shPages == expectedPages())
                best = sh;
            if (!cancelled() && !best.isEmpty() && platform::fs::exists(best)) {
                copyFileWithErrorBox(best, outputPath, context ? context->parentWindow : nullptr);
            }
        }
    }
    removeIfExists(gs);
    removeIfExists(qp);
    removeIfExists(sh);
}

ZString converterCommandLine(const ZString& inputPath, const ZString& outputPath,
                             const ZString& profile) {
    ZString binDir = platform::fs::stripTrailingSeparators(progConfig_getStr(u"BinDir", ZString()));
    return ZString(u"\"") + binDir + u"/varto-DocTool\" -convertToPDF -noProgress -profile \"" +
           profile + u"\" -outputFile \"" + outputPath + u"\" \"" + inputPath + u"\"";
}

void convertToPdf(const ZString& inputPath, const ZString& outputPath, const ZString& profile,
                  CommandContext* context) {
    ContextCommand command(context);
    command.commandLine = converterCommandLine(inputPath, outputPath, profile);
    runInContext(command, context);
}

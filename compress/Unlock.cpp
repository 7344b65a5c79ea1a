#include "compress/Unlock.h"

#include <algorithm>
#include <mutex>
#include <vector>

#include "compress/LastError.h"
#include "compress/QpdfUnlockCmd.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"
#include "platform/MessageBoxFlags.h"
#include "suite/Language.h"
#include "suite/Settings.h"

namespace {

// One lock for the whole step: it serialises prompts and every use of the
// remembered passwords.
std::recursive_mutex& unlockLock() {
    static std::recursive_mutex lock;
    return lock;
}

std::vector<ZString>& rememberedPasswords() {
    static std::vector<ZString> passwords;
    return passwords;
}

bool isRemembered(const ZString& password) {
    auto& list = rememberedPasswords();
    return std::find(list.begin(), list.end(), password) != list.end();
}

int showBox(UnlockPrompt* prompt, const ZString& text) {
    unsigned flags = platform::MB_OKCANCEL | platform::MB_ICONERROR;
    if (!prompt) return platform::cautiousAnswer(flags);
    return prompt->report(ZString(), text, flags);
}

ZString failureText(const char16_t* firstPiece, const ZString& shownName) {
    return ZString(firstPiece) + u"\r\n\r\n" +
           ZString::format(u"Affected PDF file:\r\n%s", shownName.c_str()) + u"\r\n\r\n" +
           u"Trying to continue without this unlock step?";
}

// Tells why the unlock step failed and, when the user agrees, goes on with a
// plain copy of the input.
bool offerToContinue(UnlockPrompt* prompt, const char16_t* reason, const ZString& shownName,
                     const ZString& inputPath, const ZString& outputPath) {
    if (showBox(prompt, failureText(reason, shownName)) != platform::IDOK) return false;
    return copyFileWithErrorBox(inputPath, outputPath, prompt, shownName);
}

}  // namespace

void rememberPassword(const ZString& password) {
    std::lock_guard<std::recursive_mutex> guard(unlockLock());
    if (!isRemembered(password)) rememberedPasswords().push_back(password);
}

bool askPassword(UnlockPrompt* prompt, const ZString& fileName, ZString& password) {
    ZString question = lang_getStr(u"operations/password-for-file") + u" '" + fileName + u"'";
    if (!prompt) {
        password.clear();
        return false;
    }
    return prompt->askPassword(question, password);
}

bool unlockPdf(const ZString& inputPath, const ZString& outputPath, const ZString& displayName,
               UnlockPrompt* prompt, const ZString& userPath, UnlockResult* result) {
    std::lock_guard<std::recursive_mutex> guard(unlockLock());
    const ZString shown = userPath.isEmpty() ? shownPath(inputPath, displayName) : userPath;
    auto& remembered = rememberedPasswords();

    ZString password;
    bool outputExistedBefore = platform::fs::exists(outputPath);
    size_t nextIndex = 0;
    bool killed = false;
    bool invalidPassword = false;
    bool cancelled = false;

    for (;;) {
        qpdf::QpdfUnlockCmd command(inputPath, outputPath, password);
        command.run();
        killed = command.killed;
        invalidPassword = command.invalidPassword;
        bool ok = !killed;

        if (!killed && invalidPassword) {
            if (nextIndex < remembered.size()) {
                password = remembered[nextIndex++];
            } else if (askPassword(prompt, displayName.isEmpty() ? inputPath : displayName,
                                   password)) {
                if (!isRemembered(password)) {
                    remembered.push_back(password);
                    ++nextIndex;
                }
            } else {
                ok = false;
                cancelled = true;
            }
        }
        if (!ok) {
            if (!outputExistedBefore && !outputPath.isEmpty() &&
                platform::fs::exists(outputPath)) {
                platform::fs::removeFile(outputPath);
            }
            break;
        }
        if (!invalidPassword) break;
    }

    if (killed) {
        return offerToContinue(prompt,
                               u"Unlocking step timed out. Maybe bad PDF file. Printing it to a "
                               u"PDF file from a PDF viewer may help.",
                               shown, inputPath, outputPath);
    }

    bool completed = !invalidPassword;
    if (completed && !platform::fs::exists(outputPath)) {
        if (config_getBool(u"ignorePdfUnlockFailed", false)) {
            return copyFileWithErrorBox(inputPath, outputPath, prompt, shown);
        }
        return offerToContinue(prompt,
                               u"Unlocking step failed. Maybe bad PDF file. Printing it to a PDF "
                               u"file from a PDF viewer may help.",
                               shown, inputPath, outputPath);
    }

    if (cancelled) {
        setLastError(kErrorCancelled);
        return false;
    }
    bool unlocked = completed && platform::fs::exists(outputPath);
    if (result && unlocked) {
        result->openedByTool = true;
        result->password = password;
    }
    return unlocked;
}

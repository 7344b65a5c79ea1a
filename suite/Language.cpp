#include "suite/Language.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <mutex>
#include <sstream>
#include <vector>

#include "platform/MessageBox.h"
#include "suite/EmbeddedLangFiles.h"
#include "suite/LangFile.h"
#include "suite/Settings.h"

namespace {

struct LangState {
    std::vector<LangFile> files;
    const LangFile* current = nullptr;
    const LangFile* english = nullptr;
    // Keys no language knows, returned as their own text; node-based so that
    // references handed out stay valid.
    std::map<ZString, ZString> unknown;
};

std::mutex& langMutex() {
    static std::mutex mutex;
    return mutex;
}

std::unique_ptr<LangState>& stateSlot() {
    static std::unique_ptr<LangState> state;
    return state;
}

// Adds a file, replacing an earlier one of the same language code.
void addFile(std::vector<LangFile>& files, LangFile file) {
    for (auto& existing : files) {
        if (!existing.info().code.isEmpty() &&
            existing.info().code.equalsIgnoreCase(file.info().code)) {
            existing = std::move(file);
            return;
        }
    }
    files.push_back(std::move(file));
}

// Extra or replacement language files from $VARTO_LANG_DIR.
void addFolderFiles(std::vector<LangFile>& files) {
    const char* folder = std::getenv("VARTO_LANG_DIR");
    if (!folder || !*folder) return;
    std::error_code error;
    std::vector<std::filesystem::path> paths;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
        if (entry.path().extension() == ".lang") paths.push_back(entry.path());
    std::sort(paths.begin(), paths.end());
    for (const auto& path : paths) {
        std::ifstream in(path, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        addFile(files, LangFile::parse(text, ZString::fromUtf8(path.filename().string())));
    }
}

const LangFile* findLanguage(const std::vector<LangFile>& files, const ZString& wanted) {
    for (const auto& file : files)
        if (file.matches(wanted)) return &file;
    return nullptr;
}

// Message boxes are below the language library; it hands them its words.
platform::MessageBoxButtons buttonTexts(const LangState& state) {
    auto text = [&](const char16_t* key) {
        const ZString* found = state.current->find(key);
        if (!found) found = state.english->find(key);
        return found ? *found : ZString(key);
    };
    return {text(u"inputBox/ok"), text(u"inputBox/cancel"), text(u"general/retry"),
            text(u"general/yes"), text(u"general/no")};
}

std::unique_ptr<LangState> loadState() {
    auto state = std::make_unique<LangState>();
    for (size_t i = 0; i < kEmbeddedLangFileCount; ++i) {
        const EmbeddedLangFile& embedded = kEmbeddedLangFiles[i];
        addFile(state->files, LangFile::parse(std::string_view(embedded.data, embedded.size),
                                              ZString::fromUtf8(embedded.fileName)));
    }
    addFolderFiles(state->files);
    if (state->files.empty()) state->files.push_back(LangFile::parse("", u"en.lang"));

    state->english = findLanguage(state->files, u"en");
    if (!state->english) state->english = &state->files.front();

    ZString configured = config_getStr(u"Language", u"");
    if (!configured.trimmed().isEmpty()) state->current = findLanguage(state->files, configured);
    if (!state->current) {
        // The locale's usual order: the first variable that is set decides.
        for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
            const char* value = std::getenv(name);
            if (!value || !*value) continue;
            state->current = findLanguage(state->files, ZString::fromUtf8(value));
            break;
        }
    }
    if (!state->current) state->current = state->english;
    platform::setMessageBoxButtons(buttonTexts(*state));
    return state;
}

// Caller holds langMutex().
LangState& state() {
    auto& slot = stateSlot();
    if (!slot) slot = loadState();
    return *slot;
}

}  // namespace

const ZString& lang_getStr(const ZString& key) {
    std::lock_guard<std::mutex> lock(langMutex());
    LangState& s = state();
    if (const ZString* text = s.current->find(key)) return *text;
    if (const ZString* text = s.english->find(key)) return *text;
    return s.unknown.try_emplace(key, key).first->second;
}

bool lang_hasStr(const ZString& key) {
    std::lock_guard<std::mutex> lock(langMutex());
    return state().current->find(key) != nullptr;
}

bool lang_hasText(const ZString& key) {
    std::lock_guard<std::mutex> lock(langMutex());
    LangState& s = state();
    return s.current->find(key) || s.english->find(key);
}

void lang_getCurrent(LangInfo& info) {
    std::lock_guard<std::mutex> lock(langMutex());
    info = state().current->info();
}

void lang_reload() {
    auto fresh = loadState();
    std::lock_guard<std::mutex> lock(langMutex());
    stateSlot() = std::move(fresh);
}

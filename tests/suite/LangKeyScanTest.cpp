// Every language key the program uses must exist in English and in German.
//
// The program's sources and documents are scanned (the folders in kScanned,
// files with the extensions in kExtensions) for keys written in these forms:
//   1. a literal first argument of lang_getStr, lang_hasStr or lang_hasText:
//      lang_getStr(u"compress/file"), also as lang_getStr(ZString(u"...")),
//      with any spaces around the parenthesis;
//   2. a UTF-16 literal that starts with a known group and a slash:
//      u"compress/...", u"general/...", u"operations/...", u"inputBox/..."
//      (keys kept in tables before they reach lang_getStr);
//   3. a placeholder "{lang/key}", "{lang-esq/key}", "{lang-edq/key}" or
//      "{lang-hsc/key}" whose key holds no space, quote, brace or angle
//      bracket; it counts as present when "compress/key" or "key" exists,
//      which is how the window resolves it. Keys starting with "?" are
//      language facts and must be one of the facts the window knows.
// Keys built at run time cannot be seen here; the fixed list below names
// the ones every language must have in any case.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "suite/LangFile.h"
#include "tests/suite/SuiteTestEnv.h"

namespace {

const char* const kScanned[] = {"base", "platform", "suite", "compress", "async", "win", "xhtml",
                                "http", "browser", "app", "tools", "resources", "docs"};
const char* const kExtensions[] = {".h", ".hpp", ".cpp", ".cc", ".c", ".xhtml", ".html", ".htm",
                                   ".js", ".css", ".md", ".txt", ".lang", ".in"};
const char* const kGroups[] = {"compress/", "general/", "operations/", "inputBox/"};
const char* const kFacts[] = {"?/langName", "?/name", "?/langCode", "?/code", "?/langNativeName",
                              "?/nativeName", "?/fileName", "?/countryCode", "?/langDir", "?/dir"};

const char* const kRequiredKeys[] = {
    "compress/file", "compress/size", "compress/new-size", "compress/save-compressed-file",
    "compress/open-compressed-file", "compress/open-original-file", "compress/remove",
    "compress/check-for-updates", "general/choose-document", "general/console",
    "operations/processing-file", "operations/password-for-file", "inputBox/ok", "inputBox/cancel",
    // The window document's placeholders, looked up in the compress group.
    "compress/add-file", "compress/~add-file-info", "compress/calc-size", "compress/~calc-size-info",
    "compress/open-file", "compress/~open-file-info", "compress/save", "compress/~save-info",
    "compress/dpi", "compress/~dpi-note", "compress/image-quality", "compress/~image-quality-note",
    "compress/web-optimized", "compress/~web-optimized-note", "compress/color-model",
    "compress/~color-model-note", "compress/no-change", "compress/save-file-suffix",
    "compress/~save-file-suffix-note", "compress/about", "compress/settings"};

struct Use {
    std::string key;
    bool placeholder;  // resolved with the compress group first
    std::string where;
};

bool isKeyChar(char c) {
    return c != '"' && c != '\'' && c != '{' && c != '}' && c != '<' && c != '>' && c != '\\' &&
           !std::isspace(static_cast<unsigned char>(c));
}

size_t skipSpaces(const std::string& text, size_t at) {
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    return at;
}

bool startsAt(const std::string& text, size_t at, std::string_view word) {
    return text.compare(at, word.size(), word) == 0;
}

void scanCalls(const std::string& text, const std::string& where, std::vector<Use>& uses) {
    for (std::string_view name : {"lang_getStr", "lang_hasStr", "lang_hasText"}) {
        for (size_t at = text.find(name); at != std::string::npos; at = text.find(name, at + 1)) {
            size_t p = skipSpaces(text, at + name.size());
            if (p >= text.size() || text[p] != '(') continue;
            p = skipSpaces(text, p + 1);
            if (startsAt(text, p, "ZString")) {
                p = skipSpaces(text, p + 7);
                if (p >= text.size() || text[p] != '(') continue;
                p = skipSpaces(text, p + 1);
            }
            if (p < text.size() && (text[p] == 'u' || text[p] == 'L')) ++p;
            if (p >= text.size() || text[p] != '"') continue;
            size_t end = text.find('"', p + 1);
            if (end == std::string::npos) continue;
            std::string key = text.substr(p + 1, end - p - 1);
            if (!key.empty()) uses.push_back({key, false, where});
        }
    }
}

void scanGroupLiterals(const std::string& text, const std::string& where, std::vector<Use>& uses) {
    for (std::string_view group : kGroups) {
        std::string literal = "u\"" + std::string(group);
        for (size_t at = text.find(literal); at != std::string::npos; at = text.find(literal, at + 1)) {
            size_t start = at + 2, end = start + group.size();
            while (end < text.size() && isKeyChar(text[end])) ++end;
            if (end < text.size() && text[end] == '"' && end > start + group.size())
                uses.push_back({text.substr(start, end - start), false, where});
        }
    }
}

void scanPlaceholders(const std::string& text, const std::string& where, std::vector<Use>& uses) {
    for (std::string_view prefix : {"{lang/", "{lang-esq/", "{lang-edq/", "{lang-hsc/"}) {
        for (size_t at = text.find(prefix); at != std::string::npos; at = text.find(prefix, at + 1)) {
            size_t start = at + prefix.size(), end = start;
            while (end < text.size() && isKeyChar(text[end])) ++end;
            if (end < text.size() && text[end] == '}' && end > start)
                uses.push_back({text.substr(start, end - start), true, where});
        }
    }
}

std::vector<Use> scanSources() {
    std::vector<Use> uses;
    for (const char* folder : kScanned) {
        std::filesystem::path root = std::filesystem::path(VARTO_SOURCE_DIR) / folder;
        std::error_code error;
        if (!std::filesystem::is_directory(root, error)) continue;
        for (auto it = std::filesystem::recursive_directory_iterator(root, error);
             it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            if (error) break;
            if (!it->is_regular_file()) continue;
            std::string ext = it->path().extension().string();
            bool wanted = false;
            for (const char* e : kExtensions) wanted = wanted || ext == e;
            if (!wanted) continue;
            std::string text = readFile(it->path().string());
            std::string where =
                std::filesystem::relative(it->path(), VARTO_SOURCE_DIR).string();
            scanCalls(text, where, uses);
            scanGroupLiterals(text, where, uses);
            scanPlaceholders(text, where, uses);
        }
    }
    return uses;
}

LangFile loadLanguage(const char* name) {
    std::string path = std::string(VARTO_SOURCE_DIR) + "/resources/lang/" + name;
    return LangFile::parse(readFile(path), ZString::fromUtf8(name));
}

bool isFact(const std::string& key) {
    for (const char* fact : kFacts)
        if (key == fact) return true;
    return false;
}

void expectDefined(const LangFile& language, const Use& use) {
    ZString key = ZString::fromUtf8(use.key);
    if (use.placeholder && use.key[0] == '?') {
        EXPECT_TRUE(isFact(use.key)) << "unknown language fact {lang/" << use.key << "} in " << use.where;
        return;
    }
    bool found = language.find(key) != nullptr;
    if (use.placeholder) found = found || language.find(ZString(u"compress/") + key) != nullptr;
    EXPECT_TRUE(found) << language.info().fileName.toUtf8() << " lacks \"" << use.key << "\" used in "
                       << use.where;
}

TEST(LangKeyScanTest, EveryKeyTheProgramUsesExistsInEnglishAndGerman) {
    std::vector<Use> uses = scanSources();
    for (const char* key : kRequiredKeys) uses.push_back({key, false, "the required list"});

    std::set<std::string> checked;
    for (const char* file : {"en.lang", "de.lang"}) {
        LangFile language = loadLanguage(file);
        ASSERT_FALSE(language.strings().empty()) << file;
        for (const Use& use : uses)
            if (checked.insert(std::string(file) + "\n" + use.key + "\n" + use.where).second)
                expectDefined(language, use);
    }
}

TEST(LangKeyScanTest, ScannerFindsEveryWrittenForm) {
    const std::string sample =
        "lang_getStr(u\"general/console\"); lang_hasStr ( ZString( u\"a/b\" ) );\n"
        "lang_getStr(key); static const char16_t* k[] = {u\"compress/remove\", u\"compress/\"};\n"
        "<a title=\"{lang/~dpi-note}\">{lang-hsc/save}</a> '{lang-esq/?/code}' {lang/not a key}\n"
        "#include \"compress/Command.h\" {lang/unclosed";
    std::vector<Use> uses;
    scanCalls(sample, "sample", uses);
    scanGroupLiterals(sample, "sample", uses);
    scanPlaceholders(sample, "sample", uses);
    std::set<std::string> keys;
    for (const Use& use : uses) keys.insert((use.placeholder ? "{" : "") + use.key);
    EXPECT_EQ(keys, (std::set<std::string>{"general/console", "a/b", "compress/remove", "{~dpi-note",
                                           "{save", "{?/code"}));
}

TEST(LangKeyScanTest, EnglishAndGermanDefineTheSameKeysAndInfo) {
    LangFile english = loadLanguage("en.lang");
    LangFile german = loadLanguage("de.lang");
    for (const auto& [key, text] : english.strings()) {
        EXPECT_NE(german.find(key), nullptr) << "de.lang lacks " << key.toUtf8();
        EXPECT_FALSE(text.trimmed().isEmpty()) << key.toUtf8();
    }
    for (const auto& [key, text] : german.strings())
        EXPECT_NE(english.find(key), nullptr) << "en.lang lacks " << key.toUtf8();
    for (const LangFile* language : {&english, &german}) {
        const LangInfo& info = language->info();
        for (const ZString* field : {&info.fileName, &info.name, &info.nativeName, &info.code,
                                     &info.countryCode, &info.direction})
            EXPECT_FALSE(field->isEmpty()) << info.fileName.toUtf8();
    }
}

}  // namespace

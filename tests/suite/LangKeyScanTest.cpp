// Every language key the program uses must exist in English and in German.
//
// The program's sources and documents (the folders in kScanned) are searched
// for keys written in three forms:
//   kCall:        a literal first argument of lang_getStr, lang_hasStr or
//                 lang_hasText, also wrapped in ZString(...), spaces allowed:
//                 lang_getStr(u"compress/file")
//   kLiteral:     a UTF-16 literal starting with a group the program uses,
//                 as in tables of keys: u"operations/processing-file"
//   kPlaceholder: "{lang/key}", "{lang-esq/key}", "{lang-edq/key}" or
//                 "{lang-hsc/key}" whose key holds no space, quote, brace,
//                 backslash or angle bracket; present when "compress/key" or
//                 "key" exists, as the window resolves it. Keys starting
//                 with "?" must be language facts the window knows.
// Keys built at run time cannot be seen; kRequiredKeys names the ones every
// language needs in any case.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "suite/LangFile.h"
#include "tests/suite/SuiteTestEnv.h"

namespace {

const char* const kScanned[] = {"base",  "platform",  "suite", "compress", "async",
                                "win",   "xhtml",     "http",  "browser",  "app",
                                "tools", "resources", "docs"};
const std::set<std::string> kExtensions = {".h",   ".hpp", ".cpp", ".cc", ".c",   ".xhtml", ".html",
                                           ".htm", ".js",  ".css", ".md", ".txt", ".lang"};
const std::regex kCall(
    R"re(lang_(?:getStr|hasStr|hasText)\s*\(\s*(?:ZString\s*\(\s*)?[uL]?"([^"\\]+)")re");
const std::regex kLiteral(R"re(u"((?:compress|general|operations|inputBox)/[^\s"'{}<>\\]+)")re");
const std::regex kPlaceholder(R"re(\{lang(?:-esq|-edq|-hsc)?/([^\s"'{}<>\\]+)\})re");
const std::set<std::string> kFacts = {
    "?/langName",   "?/name",     "?/langCode",    "?/code",    "?/langNativeName",
    "?/nativeName", "?/fileName", "?/countryCode", "?/langDir", "?/dir"};
// The window document's own keys are found through its placeholders.
const char* const kRequiredKeys[] = {
    "compress/file",          "compress/size",          "compress/new-size",
    "compress/save-compressed-file", "compress/open-compressed-file", "compress/open-original-file",
    "compress/remove",        "compress/check-for-updates", "general/choose-document",
    "general/console",        "operations/processing-file", "operations/password-for-file",
    "inputBox/ok",            "inputBox/cancel"};

struct Use {
    std::string key;
    bool placeholder;
    std::string where;
    bool operator<(const Use& o) const {
        return std::tie(key, placeholder, where) < std::tie(o.key, o.placeholder, o.where);
    }
};

void scanText(const std::string& text, const std::string& where, std::set<Use>& uses) {
    for (const std::regex* pattern : {&kCall, &kLiteral, &kPlaceholder})
        for (std::sregex_iterator it(text.begin(), text.end(), *pattern), end; it != end; ++it)
            uses.insert({(*it)[1].str(), pattern == &kPlaceholder, where});
}

std::set<Use> scanSources() {
    std::set<Use> uses;
    namespace fs = std::filesystem;
    for (const char* folder : kScanned) {
        std::error_code error;
        for (fs::recursive_directory_iterator it(fs::path(VARTO_SOURCE_DIR) / folder, error), end;
             !error && it != end; it.increment(error)) {
            if (it->is_regular_file() && kExtensions.count(it->path().extension().string()))
                scanText(readFile(it->path().string()),
                         fs::relative(it->path(), VARTO_SOURCE_DIR).string(), uses);
        }
    }
    return uses;
}

LangFile loadLanguage(const char* name) {
    return LangFile::parse(readFile(std::string(VARTO_SOURCE_DIR "/resources/lang/") + name),
                           ZString::fromUtf8(name));
}

TEST(LangKeyScanTest, EveryKeyTheProgramUsesExistsInEnglishAndGerman) {
    std::set<Use> uses = scanSources();
    for (const char* key : kRequiredKeys) uses.insert({key, false, "the required list"});
    for (const char* file : {"en.lang", "de.lang"}) {
        LangFile language = loadLanguage(file);
        ASSERT_FALSE(language.strings().empty()) << file;
        for (const Use& use : uses) {
            if (use.placeholder && use.key[0] == '?') {
                EXPECT_TRUE(kFacts.count(use.key))
                    << "unknown language fact " << use.key << " in " << use.where;
                continue;
            }
            ZString key = ZString::fromUtf8(use.key);
            bool found = language.find(key) ||
                         (use.placeholder && language.find(ZString(u"compress/") + key));
            EXPECT_TRUE(found) << file << " lacks \"" << use.key << "\" used in " << use.where;
        }
    }
}

TEST(LangKeyScanTest, ScannerFindsEveryWrittenForm) {
    std::set<Use> uses;
    scanText(
        "lang_getStr(u\"general/console\"); lang_hasStr ( ZString( u\"a/b\" ) ); "
        "lang_getStr(key);\n"
        "const char16_t* k[] = {u\"compress/remove\", u\"compress/\"};\n"
        "<a title=\"{lang/~dpi-note}\">{lang-hsc/save}</a> '{lang-esq/?/code}' {lang/not a key}\n"
        "#include \"compress/Command.h\" {lang/unclosed",
        "", uses);
    std::set<std::string> keys;
    for (const Use& use : uses) keys.insert((use.placeholder ? "{" : "") + use.key);
    EXPECT_EQ(keys, (std::set<std::string>{"general/console", "a/b", "compress/remove",
                                           "{~dpi-note", "{save", "{?/code"}));
}

TEST(LangKeyScanTest, EnglishAndGermanDefineTheSameKeysAndTheirInfo) {
    LangFile english = loadLanguage("en.lang"), german = loadLanguage("de.lang");
    for (const auto& [key, text] : english.strings()) {
        EXPECT_TRUE(german.find(key)) << "de.lang lacks " << key.toUtf8();
        EXPECT_FALSE(text.trimmed().isEmpty()) << key.toUtf8();
    }
    for (const auto& entry : german.strings())
        EXPECT_TRUE(english.find(entry.first)) << entry.first.toUtf8();
    for (const LangFile* language : {&english, &german}) {
        const LangInfo& i = language->info();
        for (const ZString* field :
             {&i.fileName, &i.name, &i.nativeName, &i.code, &i.countryCode, &i.direction})
            EXPECT_FALSE(field->isEmpty()) << i.fileName.toUtf8();
    }
}

}  // namespace

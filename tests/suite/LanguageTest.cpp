#include <gtest/gtest.h>

#include "platform/MessageBox.h"
#include "suite/LangFile.h"
#include "suite/Language.h"
#include "tests/suite/SuiteTestEnv.h"

namespace {

// A partial language of our own beside the embedded English and German; its
// info block leaves the file name out.
class LanguageTest : public LanguageEnvTest {
protected:
    void SetUp() override {
        writeFile(temp.file("lang/zz.lang"),
                  "[info]\nname=Testish\nnativeName=Testisch\ncode=zz\n"
                  "countryCode=ZZ\ndirection=rtl\n[strings]\ncompress/file=Zile\n");
    }
    static LangInfo current() {
        LangInfo info;
        lang_getCurrent(info);
        return info;
    }
};

void expectInfo(const LangInfo& info, std::u16string_view all) {
    ZString joined = info.fileName + u"|" + info.name + u"|" + info.nativeName + u"|" + info.code +
                     u"|" + info.countryCode + u"|" + info.direction;
    EXPECT_EQ(joined.view(), all);
}

// English when nothing chooses a language; else the configuration, then the
// locale's variables. Message boxes speak the chosen language too.
TEST_F(LanguageTest, ChoiceByConfigurationThenLang) {
    chooseLanguage("");
    expectInfo(current(), u"en.lang|English|English|en|US|ltr");
    EXPECT_EQ(lang_getStr(u"compress/file"), u"File");
    EXPECT_TRUE(lang_hasStr(u"inputBox/cancel"));
    for (const char* value : {"German", "german", "Deutsch", "de", "DE", "de_AT", "de.lang"}) {
        chooseLanguage(value);
        EXPECT_EQ(current().code, u"de") << value;
    }
    expectInfo(current(), u"de.lang|German|Deutsch|de|DE|ltr");
    EXPECT_EQ(lang_getStr(u"compress/size"), u"Größe");
    platform::MessageBoxButtons buttons = platform::messageBoxButtons();
    EXPECT_EQ(buttons.cancel + u" " + buttons.retry + u" " + buttons.yes + u"/" + buttons.no,
              u"Abbrechen Wiederholen Ja/Nein");

    ScopedEnv german("LANG", std::string("de_DE.UTF-8"));
    chooseLanguage("");
    EXPECT_EQ(current().code, u"de");
    chooseLanguage("Klingon");  // unknown: LANG decides
    EXPECT_EQ(current().code, u"de");
    chooseLanguage("English");  // the configuration wins over LANG
    EXPECT_EQ(current().code, u"en");

    // LC_ALL, then LC_MESSAGES, then LANG: the first one set decides.
    const struct {
        const char *all, *messages, *lang;
        const char16_t* code;
    } locales[] = {{"de_DE.UTF-8", nullptr, "en_US.UTF-8", u"de"},
                   {nullptr, "de_DE.UTF-8", "en_US.UTF-8", u"de"},
                   {"en_US.UTF-8", "de_DE.UTF-8", "de_DE.UTF-8", u"en"},
                   {"C.UTF-8", nullptr, "de_DE.UTF-8", u"en"}};
    for (const auto& row : locales) {
        auto value = [](const char* text) {
            return text ? std::optional<std::string>(text) : std::nullopt;
        };
        ScopedEnv all("LC_ALL", value(row.all)), messages("LC_MESSAGES", value(row.messages)),
            lang("LANG", value(row.lang));
        chooseLanguage("");
        EXPECT_EQ(current().code, row.code) << (row.all ? row.all : "-") << " "
                                            << (row.messages ? row.messages : "-");
    }
}

// The two tooltips say what their buttons do, in both languages.
TEST_F(LanguageTest, TooltipsDescribeTheirActions) {
    const struct {
        const char* language;
        const char16_t* key;
        const char16_t* words[2];
    } tooltips[] = {{"en", u"compress/~calc-size-info", {u"every listed file", u"current settings"}},
                    {"de", u"compress/~calc-size-info", {u"Alle Dateien der Liste", u"aktuellen"}},
                    {"en", u"compress/~save-info", {u"save dialog", u"folder"}},
                    {"de", u"compress/~save-info", {u"Speichern-Dialog", u"Ordner"}}};
    for (const auto& row : tooltips) {
        chooseLanguage(row.language);
        for (const char16_t* word : row.words)
            EXPECT_GE(lang_getStr(row.key).find(word), 0) << row.language;
    }
}

TEST_F(LanguageTest, MissingStringsFallBackToEnglishButAreNotDefined) {
    chooseLanguage("Testish");
    expectInfo(current(), u"zz.lang|Testish|Testisch|zz|ZZ|rtl");
    EXPECT_EQ(lang_getStr(u"compress/file"), u"Zile");
    EXPECT_TRUE(lang_hasStr(u"compress/file"));
    EXPECT_EQ(lang_getStr(u"compress/size"), u"Size");
    EXPECT_FALSE(lang_hasStr(u"compress/size"));
    EXPECT_TRUE(lang_hasText(u"compress/size"));
    // Unknown everywhere: the key itself, at a stable address.
    const ZString& unknown = lang_getStr(u"nowhere/at-all");
    EXPECT_EQ(unknown, u"nowhere/at-all");
    EXPECT_EQ(&lang_getStr(u"nowhere/at-all"), &unknown);
    EXPECT_FALSE(lang_hasText(u"nowhere/at-all"));

    // A file of the same code replaces an embedded language.
    writeFile(temp.file("lang/de.lang"),
              "[info]\nname=German\ncode=de\n[strings]\ncompress/file=Dokument\n");
    chooseLanguage("de");
    EXPECT_EQ(lang_getStr(u"compress/file"), u"Dokument");
    EXPECT_FALSE(lang_hasStr(u"compress/size"));
}

TEST(LangFileTest, ParsesInfoStringsEscapesAndOddLines) {
    LangFile file = LangFile::parse(
        "\xEF\xBB\xBF# c\r\n[info]\r\nname = Sample\r\n[strings]\r\na/b = x=y \r\n"
        "no equals sign\r\n#a/c=hidden\r\n=no key\r\na/d=1\\n2\\\\n\\q\r\na/e=",
        u"sa.lang");
    EXPECT_EQ(file.info().name, u"Sample");
    EXPECT_EQ(file.info().fileName, u"sa.lang");
    EXPECT_EQ(file.info().direction, u"ltr");
    std::map<ZString, ZString> expected{{u"a/b", u"x=y"}, {u"a/d", u"1\n2\\n\\q"}, {u"a/e", u""}};
    EXPECT_EQ(file.strings(), expected);
}

}  // namespace

#include "suite/Language.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "suite/LangFile.h"
#include "tests/suite/SuiteTestEnv.h"

namespace {

// A partial language of our own, beside the embedded English and German.
const char* kTestLanguage =
    "[info]\nname=Testish\nnativeName=Testisch\ncode=zz\ncountryCode=ZZ\ndirection=rtl\n"
    "[strings]\ncompress/file=Zile\n";

class LanguageTest : public ::testing::Test {
protected:
    TempFolder temp;
    ScopedEnv configHome{"VARTO_CONFIG_HOME", temp.file("config")};
    ScopedEnv installIni{"VARTO_INSTALL_INI", temp.file("none/install.ini")};
    ScopedEnv lang{"LANG", std::string("C.UTF-8")};
    ScopedEnv langDir{"VARTO_LANG_DIR", temp.file("lang")};

    void SetUp() override {
        std::filesystem::create_directories(temp.file("config"));
        std::filesystem::create_directories(temp.file("lang"));
        writeFile(temp.file("lang/zz.lang"), kTestLanguage);
    }
    void TearDown() override { lang_reload(); }

    void chooseLanguage(const std::string& value) {
        writeFile(temp.file("config/config.ini"), "[Settings]\nLanguage=" + value + "\n");
        lang_reload();
    }
    static ZString currentCode() {
        LangInfo info;
        lang_getCurrent(info);
        return info.code;
    }
};

TEST_F(LanguageTest, EnglishWhenNothingChoosesALanguage) {
    lang_reload();
    LangInfo info;
    lang_getCurrent(info);
    EXPECT_EQ(info.fileName, u"en.lang");
    EXPECT_EQ(info.name, u"English");
    EXPECT_EQ(info.nativeName, u"English");
    EXPECT_EQ(info.code, u"en");
    EXPECT_EQ(info.countryCode, u"US");
    EXPECT_EQ(info.direction, u"ltr");
    EXPECT_EQ(lang_getStr(u"compress/file"), u"File");
    EXPECT_TRUE(lang_hasStr(u"inputBox/cancel"));
}

TEST_F(LanguageTest, ConfigurationChoosesByNameNativeNameOrCode) {
    for (const char* value : {"German", "german", "Deutsch", "de", "DE", "de_AT", "de.lang"}) {
        chooseLanguage(value);
        EXPECT_EQ(currentCode(), u"de") << value;
    }
    LangInfo info;
    lang_getCurrent(info);
    EXPECT_EQ(info.fileName, u"de.lang");
    EXPECT_EQ(info.name, u"German");
    EXPECT_EQ(info.nativeName, u"Deutsch");
    EXPECT_EQ(info.countryCode, u"DE");
    EXPECT_EQ(lang_getStr(u"compress/size"), u"Größe");
    EXPECT_EQ(lang_getStr(u"inputBox/cancel"), u"Abbrechen");
}

TEST_F(LanguageTest, LangVariableIsUsedWhenTheConfigurationSaysNothingUseful) {
    ScopedEnv german("LANG", std::string("de_DE.UTF-8"));
    lang_reload();
    EXPECT_EQ(currentCode(), u"de");
    chooseLanguage("Klingon");  // unknown: falls through to LANG
    EXPECT_EQ(currentCode(), u"de");
    chooseLanguage("English");  // the configuration wins over LANG
    EXPECT_EQ(currentCode(), u"en");
    {
        ScopedEnv posix("LANG", std::string("POSIX"));
        chooseLanguage("");
        EXPECT_EQ(currentCode(), u"en");
    }
}

TEST_F(LanguageTest, MissingStringsFallBackToEnglishButAreNotDefined) {
    chooseLanguage("Testish");
    LangInfo info;
    lang_getCurrent(info);
    EXPECT_EQ(info.fileName, u"zz.lang");  // taken from the file name when the block has none
    EXPECT_EQ(info.direction, u"rtl");

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
}

TEST_F(LanguageTest, FolderFileReplacesAnEmbeddedLanguageOfTheSameCode) {
    writeFile(temp.file("lang/de.lang"),
              "[info]\nname=German\nnativeName=Deutsch\ncode=de\n[strings]\ncompress/file=Dokument\n");
    chooseLanguage("de");
    EXPECT_EQ(lang_getStr(u"compress/file"), u"Dokument");
    EXPECT_FALSE(lang_hasStr(u"compress/size"));
}

TEST(LangFileTest, ParsesInfoStringsEscapesAndOddLines) {
    LangFile file = LangFile::parse(
        "\xEF\xBB\xBF# comment\r\n[info]\r\nname = Sample\r\ncode=sa\r\n\r\n[strings]\r\n"
        "a/b = x=y \r\nno equals sign\r\n#a/c=hidden\r\na/d=one\\ntwo\\\\n\\q\r\n"
        "a/e=",
        u"sa.lang");
    EXPECT_EQ(file.info().name, u"Sample");
    EXPECT_EQ(file.info().code, u"sa");
    EXPECT_EQ(file.info().fileName, u"sa.lang");
    EXPECT_EQ(file.info().direction, u"ltr");
    ASSERT_NE(file.find(u"a/b"), nullptr);
    EXPECT_EQ(*file.find(u"a/b"), u"x=y");
    EXPECT_EQ(file.find(u"a/c"), nullptr);
    EXPECT_EQ(*file.find(u"a/d"), u"one\ntwo\\n\\q");
    ASSERT_NE(file.find(u"a/e"), nullptr);
    EXPECT_EQ(*file.find(u"a/e"), u"");
    EXPECT_EQ(file.strings().size(), 3u);
}

}  // namespace

#include "suite/LangPlaceholders.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "suite/Language.h"
#include "tests/suite/SuiteTestEnv.h"

namespace {

const char* kPlaceholderLanguage =
    "[info]\nfileName=pl-test.lang\nname=Placeholderish\nnativeName=Platzhalterisch\ncode=zq\n"
    "countryCode=ZQ\ndirection=rtl\n"
    "[strings]\n"
    "compress/dpi=grouped dpi\n"
    "dpi=bare dpi\n"
    "only-bare=bare only\n"
    "general/console=the console\n"
    "amp=a&b<c\n"
    "quotes=it's \"quoted\" <b>&amp;\n"
    "chain=x{lang-hsc/amp}y\n"
    "self={lang/dpi}\n"
    "=empty key\n";

class LangPlaceholdersTest : public ::testing::Test {
protected:
    TempFolder temp;
    ScopedEnv configHome{"VARTO_CONFIG_HOME", temp.file("config")};
    ScopedEnv installIni{"VARTO_INSTALL_INI", temp.file("none/install.ini")};
    ScopedEnv langDir{"VARTO_LANG_DIR", temp.file("lang")};

    void SetUp() override {
        std::filesystem::create_directories(temp.file("config"));
        std::filesystem::create_directories(temp.file("lang"));
        writeFile(temp.file("lang/zq.lang"), kPlaceholderLanguage);
        writeFile(temp.file("config/config.ini"), "[Settings]\nLanguage=zq\n");
        lang_reload();
    }
    void TearDown() override { lang_reload(); }
};

ZString plain(const ZString& text) { return replaceLangPlaceholders(text, kLangPrefix, langTransformNone); }

TEST_F(LangPlaceholdersTest, KeysTryTheCompressGroupFirst) {
    EXPECT_EQ(plain(u"[{lang/dpi}]"), u"[grouped dpi]");
    EXPECT_EQ(plain(u"{lang/only-bare}"), u"bare only");
    EXPECT_EQ(plain(u"{lang/general/console}"), u"the console");
    EXPECT_EQ(plain(u"a {lang/no-such-key} b"), u"a {lang/no-such-key} b");
    EXPECT_EQ(plain(u"{lang/}"), u"{lang/}");
    // A string this language lacks comes from English, like lang_getStr.
    EXPECT_EQ(plain(u"{lang/save}"), u"Save");
    EXPECT_EQ(plain(u"{LANG/dpi}{lang /dpi}"), u"{LANG/dpi}{lang /dpi}");
}

TEST_F(LangPlaceholdersTest, LanguageFacts) {
    EXPECT_EQ(plain(u"{lang/?/code}|{lang/?/langCode}"), u"zq|zq");
    EXPECT_EQ(plain(u"{lang/?/name}|{lang/?/langName}"), u"Placeholderish|Placeholderish");
    EXPECT_EQ(plain(u"{lang/?/nativeName}|{lang/?/langNativeName}"), u"Platzhalterisch|Platzhalterisch");
    EXPECT_EQ(plain(u"{lang/?/fileName}|{lang/?/countryCode}"), u"pl-test.lang|ZQ");
    EXPECT_EQ(plain(u"{lang/?/dir}|{lang/?/langDir}"), u"rtl|rtl");
    EXPECT_EQ(plain(u"{lang/?/Code}{lang/?/unknown}{lang/?}"), u"{lang/?/Code}{lang/?/unknown}{lang/?}");
    // Facts take the escaping of their form too.
    EXPECT_EQ(applyLangPlaceholders(u"<html dir=\"{lang-hsc/?/dir}\" lang='{lang-esq/?/code}'>"),
              u"<html dir=\"rtl\" lang='zq'>");
}

TEST_F(LangPlaceholdersTest, EachFormEscapesItsOwnWay) {
    EXPECT_EQ(applyLangPlaceholders(u"{lang/amp}|{lang-hsc/amp}"), u"a&b<c|a&amp;b&lt;c");
    EXPECT_EQ(applyLangPlaceholders(u"{lang-esq/quotes}"), u"it\\'s \"quoted\" <b>&amp;");
    EXPECT_EQ(applyLangPlaceholders(u"{lang-edq/quotes}"), u"it's \\\"quoted\\\" <b>&amp;");
    EXPECT_EQ(applyLangPlaceholders(u"{lang-hsc/quotes}"),
              u"it&apos;s &quot;quoted&quot; &lt;b&gt;&amp;amp;");
    // replaceLangPlaceholders does only what it is asked.
    EXPECT_EQ(replaceLangPlaceholders(u"{lang/amp}{lang-hsc/amp}", kLangHscPrefix, langTransformHtml),
              u"{lang/amp}a&amp;b&lt;c");
    EXPECT_EQ(replaceLangPlaceholders(u"{x:dpi}", u"{x:", [](const ZString& s) { return s + u"!"; }),
              u"grouped dpi!");
}

TEST(LangTransformTest, InsertedTextIsNeverExaminedAgain) {
    EXPECT_EQ(langTransformHtml(u"&&'\"<>"), u"&amp;&amp;&apos;&quot;&lt;&gt;");
    EXPECT_EQ(langTransformEscapeSingleQuote(u"''\\'"), u"\\'\\'\\\\'");
    EXPECT_EQ(langTransformEscapeDoubleQuote(u"\"\""), u"\\\"\\\"");
    EXPECT_EQ(langTransformHtml(u""), u"");
    EXPECT_EQ(langTransformEscapeSingleQuote(u"none"), u"none");
}

TEST_F(LangPlaceholdersTest, UnfinishedPlaceholderEndsTheSearch) {
    EXPECT_EQ(plain(u"a {lang/dpi} b {lang/dpi"), u"a grouped dpi b {lang/dpi");
    EXPECT_EQ(plain(u"{lang/dpi {lang/dpi}"), u"{lang/dpi {lang/dpi}");
    EXPECT_EQ(applyLangPlaceholders(u"{lang-hsc/amp"), u"{lang-hsc/amp");
    EXPECT_EQ(plain(u""), u"");
}

TEST_F(LangPlaceholdersTest, InsertedPlaceholdersOfLaterFormsAreReplacedByTheirPass) {
    EXPECT_EQ(applyLangPlaceholders(u"{lang/chain}"), u"xa&amp;b&lt;cy");
    EXPECT_EQ(plain(u"{lang/chain}"), u"x{lang-hsc/amp}y");
    // The pass that inserted a placeholder of its own form goes on after it.
    EXPECT_EQ(applyLangPlaceholders(u"{lang/self}"), u"{lang/dpi}");
}

}  // namespace

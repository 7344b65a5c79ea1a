#include <gtest/gtest.h>

#include "suite/LangPlaceholders.h"
#include "suite/Language.h"
#include "tests/suite/SuiteTestEnv.h"

namespace {

class LangPlaceholdersTest : public LanguageEnvTest {
protected:
    void SetUp() override {
        writeFile(
            temp.file("lang/zq.lang"),
            "[info]\nfileName=pl.lang\nname=Placeholderish\nnativeName=Platzhalterisch\ncode=zq\n"
            "countryCode=ZQ\ndirection=rtl\n[strings]\ncompress/dpi=grouped dpi\ndpi=bare dpi\n"
            "only-bare=bare only\nfile=bare file\ngeneral/console=the console\namp=a&b<c\n"
            "quotes=it's \"quoted\" <b>&amp;\nchain=x{lang-hsc/amp}y\nself={lang/dpi}\n");
        chooseLanguage("zq");
    }
};

ZString plain(const ZString& text) {
    return replaceLangPlaceholders(text, kLangPrefix, langTransformNone);
}

TEST_F(LangPlaceholdersTest, KeysTryTheCompressGroupFirst) {
    EXPECT_EQ(plain(u"[{lang/dpi}]"), u"[grouped dpi]");
    EXPECT_EQ(plain(u"{lang/only-bare}"), u"bare only");
    EXPECT_EQ(plain(u"{lang/general/console}"), u"the console");
    EXPECT_EQ(plain(u"a {lang/no-such-key} b {lang/}"), u"a {lang/no-such-key} b {lang/}");
    EXPECT_EQ(plain(u"{lang/save}"), u"Save");  // missing here: English, as lang_getStr gives
    // The language's own bare key wins over English "compress/file".
    EXPECT_EQ(plain(u"{lang/file}"), u"bare file");
    EXPECT_EQ(plain(u"{LANG/dpi}{lang /dpi}"), u"{LANG/dpi}{lang /dpi}");
}

TEST_F(LangPlaceholdersTest, LanguageFacts) {
    EXPECT_EQ(plain(u"{lang/?/code}|{lang/?/langCode}|{lang/?/name}|{lang/?/langName}"),
              u"zq|zq|Placeholderish|Placeholderish");
    EXPECT_EQ(
        plain(
            u"{lang/?/nativeName}|{lang/?/langNativeName}|{lang/?/fileName}|{lang/?/countryCode}"),
        u"Platzhalterisch|Platzhalterisch|pl.lang|ZQ");
    EXPECT_EQ(plain(u"{lang/?/dir}|{lang/?/langDir}"), u"rtl|rtl");
    EXPECT_EQ(plain(u"{lang/?/Code}{lang/?/unknown}{lang/?}"),
              u"{lang/?/Code}{lang/?/unknown}{lang/?}");
    EXPECT_EQ(applyLangPlaceholders(u"<html dir=\"{lang-hsc/?/dir}\" lang='{lang-esq/?/code}'>"),
              u"<html dir=\"rtl\" lang='zq'>");
}

TEST_F(LangPlaceholdersTest, EachFormEscapesItsOwnWay) {
    EXPECT_EQ(applyLangPlaceholders(u"{lang/amp}|{lang-hsc/amp}"), u"a&b<c|a&amp;b&lt;c");
    EXPECT_EQ(applyLangPlaceholders(u"{lang-esq/quotes}"), u"it\\'s \"quoted\" <b>&amp;");
    EXPECT_EQ(applyLangPlaceholders(u"{lang-edq/quotes}"), u"it's \\\"quoted\\\" <b>&amp;");
    EXPECT_EQ(applyLangPlaceholders(u"{lang-hsc/quotes}"),
              u"it&apos;s &quot;quoted&quot; &lt;b&gt;&amp;amp;");
    EXPECT_EQ(
        replaceLangPlaceholders(u"{lang/amp}{lang-hsc/amp}", kLangHscPrefix, langTransformHtml),
        u"{lang/amp}a&amp;b&lt;c");
    // Inserted text is never examined again by the same rule.
    EXPECT_EQ(langTransformHtml(u"&&'\"<>"), u"&amp;&amp;&apos;&quot;&lt;&gt;");
    EXPECT_EQ(langTransformEscapeSingleQuote(u"''\\'"), u"\\'\\'\\\\'");
    EXPECT_EQ(langTransformEscapeDoubleQuote(u"\"\""), u"\\\"\\\"");
}

TEST_F(LangPlaceholdersTest, UnfinishedPlaceholderEndsTheSearch) {
    EXPECT_EQ(plain(u"a {lang/dpi} b {lang/dpi"), u"a grouped dpi b {lang/dpi");
    EXPECT_EQ(plain(u"{lang/dpi {lang/dpi}"), u"{lang/dpi {lang/dpi}");
    EXPECT_EQ(applyLangPlaceholders(u"{lang-hsc/amp"), u"{lang-hsc/amp");
}

TEST_F(LangPlaceholdersTest, PlaceholdersInsertedForLaterFormsAreReplacedByTheirPass) {
    EXPECT_EQ(applyLangPlaceholders(u"{lang/chain}"), u"xa&amp;b&lt;cy");
    EXPECT_EQ(plain(u"{lang/chain}"), u"x{lang-hsc/amp}y");
    EXPECT_EQ(applyLangPlaceholders(u"{lang/self}"), u"{lang/dpi}");  // its own pass has moved on
}

}  // namespace

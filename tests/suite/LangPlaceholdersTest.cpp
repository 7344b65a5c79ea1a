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

// Text with placeholders and what it becomes: through the plain form only
// (plain) or through every form in its order (all), with why.
TEST_F(LangPlaceholdersTest, PlaceholdersAndWhatTheyBecome) {
    const struct {
        bool all;
        const char16_t* text;
        const char16_t* result;
        const char* why;
    } rows[] = {
        {false, u"[{lang/dpi}]", u"[grouped dpi]", "a key tries the compress group first"},
        {false, u"{lang/only-bare}", u"bare only", ""},
        {false, u"{lang/general/console}", u"the console", ""},
        {false, u"a {lang/no-such-key} b {lang/}", u"a {lang/no-such-key} b {lang/}", "unknown keys stay"},
        {false, u"{lang/save}", u"Save", "missing here: English, as lang_getStr gives"},
        {false, u"{lang/file}", u"bare file", "the language's own bare key wins over English compress/file"},
        {false, u"{LANG/dpi}{lang /dpi}", u"{LANG/dpi}{lang /dpi}", ""},
        {false, u"{lang/?/code}|{lang/?/langCode}|{lang/?/name}|{lang/?/langName}", u"zq|zq|Placeholderish|Placeholderish",
         "language facts"},
        {false, u"{lang/?/nativeName}|{lang/?/langNativeName}|{lang/?/fileName}|{lang/?/countryCode}",
         u"Platzhalterisch|Platzhalterisch|pl.lang|ZQ", ""},
        {false, u"{lang/?/dir}|{lang/?/langDir}", u"rtl|rtl", ""},
        {false, u"{lang/?/Code}{lang/?/unknown}{lang/?}", u"{lang/?/Code}{lang/?/unknown}{lang/?}", ""},
        {true, u"<html dir=\"{lang-hsc/?/dir}\" lang='{lang-esq/?/code}'>", u"<html dir=\"rtl\" lang='zq'>", ""},
        {true, u"{lang/amp}|{lang-hsc/amp}", u"a&b<c|a&amp;b&lt;c", "each form escapes its own way"},
        {true, u"{lang-esq/quotes}", u"it\\'s \"quoted\" <b>&amp;", ""},
        {true, u"{lang-edq/quotes}", u"it's \\\"quoted\\\" <b>&amp;", ""},
        {true, u"{lang-hsc/quotes}", u"it&apos;s &quot;quoted&quot; &lt;b&gt;&amp;amp;", ""},
        {false, u"a {lang/dpi} b {lang/dpi", u"a grouped dpi b {lang/dpi", "an unfinished placeholder ends the search"},
        {false, u"{lang/dpi {lang/dpi}", u"{lang/dpi {lang/dpi}", ""},
        {true, u"{lang-hsc/amp", u"{lang-hsc/amp", ""},
        {true, u"{lang/chain}", u"xa&amp;b&lt;cy", "a placeholder inserted for a later form is replaced by its pass"},
        {false, u"{lang/chain}", u"x{lang-hsc/amp}y", ""},
        {true, u"{lang/self}", u"{lang/dpi}", "its own pass has moved on"},
    };
    for (const auto& row : rows)
        EXPECT_EQ((row.all ? applyLangPlaceholders(row.text) : plain(row.text)).toUtf8(), ZString(row.result).toUtf8())
            << ZString(row.text).toUtf8() << ": " << row.why;

    EXPECT_EQ(
        replaceLangPlaceholders(u"{lang/amp}{lang-hsc/amp}", kLangHscPrefix, langTransformHtml),
        u"{lang/amp}a&amp;b&lt;c");
    // Inserted text is never examined again by the same rule.
    EXPECT_EQ(langTransformHtml(u"&&'\"<>"), u"&amp;&amp;&apos;&quot;&lt;&gt;");
    EXPECT_EQ(langTransformEscapeSingleQuote(u"''\\'"), u"\\'\\'\\\\'");
    EXPECT_EQ(langTransformEscapeDoubleQuote(u"\"\""), u"\\\"\\\"");
}

}  // namespace

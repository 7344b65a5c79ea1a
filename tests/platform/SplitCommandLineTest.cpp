#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/SplitCommandLine.h"

namespace {

struct Case {
    const char16_t* line;
    std::vector<std::u16string> args;
};

std::vector<std::u16string> split(const char16_t* line) {
    std::vector<std::u16string> out;
    for (const ZString& arg : platform::splitCommandLine(line)) out.emplace_back(arg.view());
    return out;
}

std::string show(const std::vector<std::u16string>& args) {
    std::string out;
    for (const auto& arg : args) out += "[" + ZString(arg).toUtf8() + "]";
    return out;
}

TEST(SplitCommandLineTest, TrickyLines) {
    const Case cases[] = {
        {u"", {}},
        {u"prog", {u"prog"}},
        {u"prog a b", {u"prog", u"a", u"b"}},
        {u"prog\ta\t\t b  ", {u"prog", u"a", u"b"}},
        // The program name ends at the next quote or blank and takes no escapes.
        {uR"("C:\Program Files\gs.exe" -q)", {uR"(C:\Program Files\gs.exe)", u"-q"}},
        {uR"(C:\dir\"a b)", {uR"(C:\dir\"a)", u"b"}},
        {uR"("prog"x y)", {u"prog", u"x", u"y"}},
        {uR"("unterminated name)", {u"unterminated name"}},
        {u"  prog a", {u"", u"prog", u"a"}},
        // Backslashes are literal unless they precede a quote.
        {uR"(p a\b\\c\)", {u"p", uR"(a\b\\c\)"}},
        {uR"(p a\\"b c")", {u"p", uR"(a\b c)"}},
        {uR"(p a\\\"b)", {u"p", uR"(a\"b)"}},
        {uR"(p a\\\\"b")", {u"p", uR"(a\\b)"}},
        {uR"(p "a b\\")", {u"p", uR"(a b\)"}},
        {uR"(p \"a\")", {u"p", uR"("a")"}},
        // Quotes may start and stop anywhere in an argument.
        {uR"(p a"b c"d)", {u"p", u"ab cd"}},
        {uR"(p "-sOutputFile=/tmp/x y.pdf" -f)", {u"p", u"-sOutputFile=/tmp/x y.pdf", u"-f"}},
        // A doubled quote inside quotes is a literal quote and ends the quoted part.
        {uR"(p "a""b")", {u"p", uR"(a"b)"}},
        {uR"(p "a"" b")", {u"p", uR"(a")", u"b"}},
        {uR"(p """a""")", {u"p", uR"("a")"}},
        // Empty arguments.
        {uR"(p "" b)", {u"p", u"", u"b"}},
        {uR"(p a "")", {u"p", u"a", u""}},
        {u"p \u00fc\u4e2d", {u"p", u"\u00fc\u4e2d"}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(show(split(c.line)), show(c.args)) << "line: " << ZString(c.line).toUtf8();
    }
}

}  // namespace

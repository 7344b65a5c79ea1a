// The manual pages render and name the same options as each program's --help.

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>

#include "../compress/EngineTestSupport.h"
#include "tests/support/TestSupport.h"

using namespace enginetest;

namespace {

using Options = std::set<std::string>;

const std::regex kOption(R"((?:^|[ ,\[])(--?[A-Za-z0-9][A-Za-z0-9-]*))");

void collect(const std::string& text, Options& options) {
    for (std::sregex_iterator it(text.begin(), text.end(), kOption), end; it != end; ++it)
        options.insert((*it)[1]);
}

// Options named where a help line starts with one: the part before the
// description, which is set off by two spaces.
Options helpOptions(const std::string& help) {
    Options options;
    std::istringstream lines(help);
    for (std::string line; std::getline(lines, line);) {
        size_t start = line.find_first_not_of(' ');
        if (start == 0 || start == std::string::npos || line[start] != '-') continue;
        size_t gap = line.find("  ", start);
        collect(line.substr(start, gap == std::string::npos ? std::string::npos : gap - start),
                options);
    }
    return options;
}

// Options named in the tags of the page's option list (the line after .TP),
// with roff's escapes and font changes taken out.
Options pageOptions(const std::string& roff) {
    Options options;
    std::istringstream lines(roff);
    bool inOptions = false;
    bool tag = false;
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with(".SH")) inOptions = line == ".SH OPTIONS";
        if (!inOptions) continue;
        if (tag) {
            line = std::regex_replace(line, std::regex(R"(\\f[BIRP])"), "");
            line = std::regex_replace(line, std::regex(R"(\\-)"), "-");
            line = std::regex_replace(line, std::regex(R"(^\.[BI]R? |^\.[BI]R?$)"), " ");
            line = std::regex_replace(line, std::regex("\""), " ");
            collect(line, options);
        }
        tag = line == ".TP";
    }
    return options;
}

std::string join(const Options& options) {
    std::string text;
    for (const std::string& option : options) text += option + " ";
    return text;
}

}  // namespace

TEST(ManPageTest, EachPageRendersAndListsTheOptionsOfHelp) {
    for (std::string program : {"varto-compress", "varto-compress-cli", "varto-DocTool"}) {
        SCOPED_TRACE(program);
        std::string page = VARTO_SOURCE_DIR "/docs/man/" + program + ".1";
        // Warnings of the formatter go to standard error, which the check sees.
        std::string shown = shellOutput("MANWIDTH=80 man --warnings -E UTF-8 -l '" + page + "'");
        EXPECT_NE(shown.find("NAME\n       " + program + " - "), std::string::npos) << shown;
        EXPECT_EQ(shown.find("warning"), std::string::npos) << shown;

        std::string help = shellOutput("'" + testsupport::binPath(program) + "' --help");
        Options fromHelp = helpOptions(help);
        EXPECT_GE(fromHelp.size(), 4u) << help;
        EXPECT_EQ(join(pageOptions(readFile(page))), join(fromHelp));
    }
}

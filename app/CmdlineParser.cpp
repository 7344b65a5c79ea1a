#include "app/CmdlineParser.h"

#include "platform/SplitCommandLine.h"

void CmdlineParser::parse(const ZString& commandLine, bool skipFirst) {
    if (commandLine.isEmpty()) return;
    std::vector<ZString> args = platform::splitCommandLine(commandLine);
    if (skipFirst && !args.empty()) args.erase(args.begin());
    parseArgs(args);
}

void CmdlineParser::parseArgs(const std::vector<ZString>& args) {
    int count = static_cast<int>(args.size());
    for (int index = 0; index < count;) index += 1 + handleArg(args, index);
}

ZString CmdlineParser::argAt(const std::vector<ZString>& args, int index) {
    return index >= 0 && index < static_cast<int>(args.size()) ? args[index] : ZString();
}

namespace {

// A later argument: quotes escaped by backslashes, backslashes doubled only
// where they come before a quote.
ZString quoteArgument(const ZString& arg) {
    ZString out(u"\"");
    int backslashes = 0;
    for (int i = 0; i < arg.length(); ++i) {
        char16_t c = arg[i];
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        int repeat = c == u'"' ? backslashes * 2 + 1 : backslashes;
        for (int n = 0; n < repeat; ++n) out.append(u'\\');
        backslashes = 0;
        out.append(c);
    }
    for (int n = 0; n < backslashes * 2; ++n) out.append(u'\\');
    out.append(u'"');
    return out;
}

}  // namespace

ZString joinCommandLine(const std::vector<ZString>& args) {
    ZString line;
    for (size_t i = 0; i < args.size(); ++i) {
        // The first argument follows the program-name rule, which has no
        // escapes: one holding a quote goes second, behind an empty first.
        if (i == 0 && args[0].find(u'"') < 0) {
            line.append(ZString(u"\"") + args[0] + u"\"");
            continue;
        }
        if (i == 0) line.append(u"\"\"");
        line.append(u' ');
        line.append(quoteArgument(args[i]));
    }
    return line;
}

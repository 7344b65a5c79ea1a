#include "platform/SplitCommandLine.h"

#include <string>

namespace platform {

namespace {

bool isBlank(char16_t c) { return c == u' ' || c == u'\t'; }

}  // namespace

std::vector<ZString> splitCommandLine(const ZString& commandLine) {
    std::vector<ZString> args;
    const std::u16string_view s = commandLine.view();
    if (s.empty()) return args;
    size_t i = 0;

    // The program name takes no escapes: a leading quote runs to the next
    // quote, anything else to the next blank.
    std::u16string current;
    if (s[0] == u'"') {
        for (i = 1; i < s.size(); ++i) {
            if (s[i] == u'"') {
                ++i;
                break;
            }
            current += s[i];
        }
    } else {
        while (i < s.size() && !isBlank(s[i])) current += s[i++];
    }
    args.emplace_back(current);

    while (i < s.size() && isBlank(s[i])) ++i;
    if (i == s.size()) return args;

    // quoteCount 1 means inside quotes. A run of quotes counts up; every
    // third one is a literal quote, so "" inside quotes gives a quote and
    // ends the quoted part.
    current.clear();
    int quoteCount = 0;
    int backslashes = 0;
    while (i < s.size()) {
        char16_t c = s[i];
        if (isBlank(c) && quoteCount == 0) {
            args.emplace_back(current);
            current.clear();
            backslashes = 0;
            while (i < s.size() && isBlank(s[i])) ++i;
            if (i == s.size()) return args;
            continue;
        }
        if (c == u'\\') {
            current += c;
            ++backslashes;
            ++i;
            continue;
        }
        if (c == u'"') {
            if (backslashes % 2 == 0) {
                current.resize(current.size() - backslashes / 2);
                ++quoteCount;
            } else {
                current.resize(current.size() - backslashes / 2 - 1);
                current += u'"';
            }
            ++i;
            backslashes = 0;
            while (i < s.size() && s[i] == u'"') {
                if (++quoteCount == 3) {
                    current += u'"';
                    quoteCount = 0;
                }
                ++i;
            }
            if (quoteCount == 2) quoteCount = 0;
            continue;
        }
        current += c;
        backslashes = 0;
        ++i;
    }
    args.emplace_back(current);
    return args;
}

}  // namespace platform

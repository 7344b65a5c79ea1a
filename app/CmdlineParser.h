#pragma once

#include <vector>

#include "base/ZString.h"

// Splits a command line by the classic rules and walks its arguments; a
// derived reader says what each argument means.
class CmdlineParser {
public:
    virtual ~CmdlineParser() = default;
    virtual void parseCommandLine(const ZString& commandLine) { parse(commandLine, false); }
    // Nothing happens for an empty text. skipFirst drops the first argument
    // (a program name).
    virtual void parse(const ZString& commandLine, bool skipFirst);
    virtual void parseArgs(const std::vector<ZString>& args);
    // Handles args[index] and returns how many following arguments it took.
    virtual int handleArg(const std::vector<ZString>& args, int index) {
        (void)args;
        (void)index;
        return 0;
    }

protected:
    // args[index], or empty when the index lies outside the list.
    static ZString argAt(const std::vector<ZString>& args, int index);
};

// Quotes arguments so that the splitting rules give them back unchanged:
// the inverse of parse.
ZString joinCommandLine(const std::vector<ZString>& args);

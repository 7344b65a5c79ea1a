#pragma once

#include <functional>

#include "app/CmdlineParser.h"

// The files and options of a command line, as the start-up code and other
// programs of the suite pass them.
class FileHandlerArgs : public CmdlineParser {
public:
    // Lists one file under a display name and source folder (both may be
    // empty); the window's addFile.
    using AddFile =
        std::function<int(const ZString& path, const ZString& name, const ZString& dir)>;

    ~FileHandlerArgs() override = default;
    int handleArg(const std::vector<ZString>& args, int index) override;

    // Adds every collected file in order; with -deleteFile(s) the files that
    // lie in the temporary folder are removed at exit, no others.
    void handOver(const AddFile& addFile) const;

    ZString dir;
    ZString name;
    ZString profile;
    ZString serviceName;
    ZString owner;
    std::vector<ZString> files;
    bool deleteFiles = false;
};

// Reads a command line the window was given or sent and lists its files.
void readWindowCommandLine(const ZString& commandLine, const FileHandlerArgs::AddFile& addFile);

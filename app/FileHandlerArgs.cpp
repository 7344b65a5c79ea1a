#include "app/FileHandlerArgs.h"

#include "app/StartUp.h"
#include "compress/TempFiles.h"
#include "platform/Fs.h"

int FileHandlerArgs::handleArg(const std::vector<ZString>& args, int index) {
    const ZString arg = argAt(args, index);
    struct Option {
        const char16_t* text;
        ZString FileHandlerArgs::*field;
    };
    static const Option valued[] = {
        {u"-dir", &FileHandlerArgs::dir},         {u"-name", &FileHandlerArgs::name},
        {u"-profile", &FileHandlerArgs::profile}, {u"-serviceName", &FileHandlerArgs::serviceName},
        {u"-owner", &FileHandlerArgs::owner},
    };
    for (const Option& option : valued) {
        if (arg == option.text) {
            this->*option.field = argAt(args, index + 1);
            return 1;
        }
    }
    if (arg == u"-deleteFile" || arg == u"-deleteFiles") {
        deleteFiles = true;
        return 0;
    }
    if (arg.startsWith(u"-")) return 0;
    if (platform::fs::exists(arg)) files.push_back(arg);
    return 0;
}

void FileHandlerArgs::handOver(const AddFile& addFile) const {
    for (const ZString& file : files) {
        addFile(file, name, dir);
        if (!deleteFiles) continue;
        ZString temp = userTempFolder();
        if (platform::fs::exists(file) && file.startsWith(temp)) registerTempFile(file);
    }
}

void readWindowCommandLine(const ZString& commandLine, const FileHandlerArgs::AddFile& addFile) {
    FileHandlerArgs args;
    args.parse(commandLine, false);
    args.handOver(addFile);
}

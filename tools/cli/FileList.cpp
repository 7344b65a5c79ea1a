#include "FileList.h"

#include <cerrno>
#include <string>

#include "platform/Fs.h"

bool readFileList(const ZString& list, bool nulSeparated, std::vector<ZString>& files,
                  ZString& error) {
    std::string bytes;
    bool read = list == u"-" ? platform::fs::readAll(0, bytes) : platform::fs::readFile(list, bytes);
    if (!read) {
        error = ZString(u"cannot read the list ") + (list == u"-" ? ZString(u"on standard input") : list) +
                u": " + platform::fs::errorText(errno);
        return false;
    }
    char end = nulSeparated ? '\0' : '\n';
    size_t start = 0;
    while (start < bytes.size()) {
        size_t stop = bytes.find(end, start);
        if (stop == std::string::npos) stop = bytes.size();
        std::string_view name(bytes.data() + start, stop - start);
        if (!nulSeparated && name.ends_with('\r')) name.remove_suffix(1);
        if (!name.empty()) files.push_back(ZString::fromUtf8(name));
        start = stop + 1;
    }
    return true;
}

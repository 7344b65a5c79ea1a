#include "browser/PageFiles.h"

#include <mutex>
#include <utility>
#include <vector>

#include "compress/TempFiles.h"
#include "platform/Fs.h"

namespace browser {

namespace {

std::mutex gLock;
// (path as given to the page, real path when made)
std::vector<std::pair<ZString, ZString>> gFiles;

// The real path when it is one of the recorded files and still lies below
// the temporary root: a link put in its place later leads nowhere.
ZString recorded(const ZString& real) {
    if (real.isEmpty() || !platform::fs::isBelow(real, platform::fs::realPath(tempRootFolder()))) return {};
    std::lock_guard<std::mutex> guard(gLock);
    for (const auto& file : gFiles)
        if (file.second == real) return real;
    return {};
}

}  // namespace

void PageFiles::add(const ZString& pagePath) {
    ZString real = platform::fs::realPath(pagePath);
    if (real.isEmpty()) return;
    std::lock_guard<std::mutex> guard(gLock);
    gFiles.emplace_back(pagePath, real);
}

ZString PageFiles::find(const ZString& pagePath) {
    bool given = false;
    {
        std::lock_guard<std::mutex> guard(gLock);
        for (const auto& file : gFiles) given = given || file.first == pagePath;
    }
    return given ? recorded(platform::fs::realPath(pagePath)) : ZString();
}

ZString PageFiles::findBelowTempRoot(const ZString& relative) {
    ZString root = platform::fs::stripTrailingSeparators(tempRootFolder());
    return recorded(platform::fs::realPath(root + u"/" + relative));
}

void PageFiles::clear() {
    std::lock_guard<std::mutex> guard(gLock);
    gFiles.clear();
}

}  // namespace browser

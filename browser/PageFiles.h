#pragma once

#include "base/ZString.h"

namespace browser {

// The files the page made with createTempFile in this run: the only files a
// page may write, measure or load back. Process-wide, guarded by a lock.
class PageFiles {
public:
    // Records a file createTempFile made, under the path given to the page.
    static void add(const ZString& pagePath);
    // The real path of the file when the page was given exactly this path
    // and it still is that file below the temporary root; else empty.
    static ZString find(const ZString& pagePath);
    // The real path of a page file named relative to the temporary root (as
    // in "varto://file/tmp/NAME"); empty when it names anything else.
    static ZString findBelowTempRoot(const ZString& relative);
    // Forgets every file (tests).
    static void clear();
};

}  // namespace browser

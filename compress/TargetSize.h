#pragma once

#include <cstdint>

#include "base/Props.h"
#include "base/ZString.h"

// A size limit for results: "2MB", "500 kB", "1.5 MiB" or a number of
// bytes. kB and MB count in thousands (what upload forms mean), KiB and
// MiB in 1024s. The settings record carries it as "targetSize", as typed.
class TargetSize {
public:
    // Empty text (or blanks): no limit, bytes 0. False with error for text
    // that is no positive size.
    static bool parse(const ZString& text, int64_t& bytes, ZString& error);

    // The record's limit in bytes, 0 when it has none or cannot be read.
    static int64_t ofSettings(const Props& settings);

    // A limit with one decimal in the units it was written in: "2.6 MB", or
    // "2.6 MiB" when binary. A file's own sizes are written as the list
    // writes them (formatFileSize), never so.
    static ZString format(int64_t bytes, bool binary);
    // Whether the record's limit was written in binary units.
    static bool binaryUnits(const Props& settings);

    // How the search for a fitting result ended, for the log, the list row
    // and the batch command's results.
    struct Result {
        enum class Why { None, Floor, LosslessMode, NoGhostscript, Protection };
        int64_t limit = 0;   // 0: there was no limit
        int64_t bytes = 0;   // the result's size
        bool reached = false;
        int dpi = 0;         // the chosen result's settings; 0 with quality -1:
        int quality = -1;    // the lossless result, no image touched
        int wholeRuns = 0;   // Ghostscript runs on the whole file
        Why why = Why::None; // when not reached: what stood in the way
        int floorDpi = 0;    // the lowest settings the search could take
        int floorQuality = 0;

        // "144 dpi, quality 78" or "lossless".
        ZString chosen() const;
        // Why the limit was missed, in words (English, for the log and the
        // batch command); empty when it was reached.
        ZString reason() const;
    };
};

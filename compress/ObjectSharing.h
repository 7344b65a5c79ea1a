#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "base/Props.h"
#include "base/ZString.h"

class QPDF;
class QPDFObjectHandle;

// The lossless step after qpdf: one copy of every repeated stream and of
// every repeated dictionary or array of a kind that may be shared, then the
// font program slimming and the exact re-encoding of the streams left,
// written with object streams in one libqpdf pass.
class ObjectSharing {
public:
    // On unless "compress.shareObjects" is false in the configuration or the
    // settings record says "shareObjects" = "false" (the batch command's
    // --no-share). Likewise "compress.slimFonts" / "slimFonts".
    static bool sharingEnabled(const Props& settings);
    static bool slimmingEnabled(const Props& settings);

    // Writes the restructured file to outputPath. False, with a log line
    // saying why, when the file could not be read or written, when nothing
    // could be shared or slimmed, or when both parts are switched off; the
    // caller then keeps its best file.
    // pages, when given, gets the page count read from the written file.
    // A set cancelled flag ends the step early with false and no output.
    static bool run(const ZString& inputPath, const ZString& outputPath, const Props& settings,
                    int64_t* pages = nullptr, const std::atomic<bool>* cancelled = nullptr);

    // Every object of the file, in number order.
    static std::vector<QPDFObjectHandle> objectsOf(QPDF& pdf);

    // Points every reference at one kept copy of each set of equal objects,
    // repeating until nothing changes, and takes the dropped copies out of
    // objects. Returns how many objects were dropped.
    static size_t shareObjects(QPDF& pdf, std::vector<QPDFObjectHandle>& objects);
};

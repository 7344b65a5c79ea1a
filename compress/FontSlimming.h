#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <vector>

class QPDFObjectHandle;

// Makes the compact font programs (Type1C) of an open document smaller
// without changing a glyph: subsets of one font whose style, routines and
// shared glyphs are identical become one program (the font dictionaries'
// /Differences keep every code's meaning), then every routine that no glyph
// reaches is replaced by a bare return. Programs it cannot read with
// certainty stay as they are.
class FontSlimming {
public:
    // objects: the document's objects still in use (dropped copies left out).
    // A set cancelled flag stops the work between programs; what was done
    // stays consistent.
    explicit FontSlimming(const std::vector<QPDFObjectHandle>& objects,
                          const std::atomic<bool>* cancelled = nullptr)
        : objects_(objects), cancelled_(cancelled) {}

    // Returns a summary for the log.
    std::string run();

    size_t merged = 0;   // programs that were folded into another
    size_t blanked = 0;  // routines replaced by a return

private:
    const std::vector<QPDFObjectHandle>& objects_;
    const std::atomic<bool>* cancelled_;
};

#pragma once

#include <cstddef>
#include <string>

class QPDF;

// Makes the compact font programs (Type1C) of an open document smaller
// without changing a glyph: subsets of one font whose style, routines and
// shared glyphs are identical become one program (the font dictionaries'
// /Differences keep every code's meaning), then every routine that no glyph
// reaches is replaced by a bare return. Programs it cannot read with
// certainty stay as they are.
class FontSlimming {
public:
    explicit FontSlimming(QPDF& pdf) : pdf_(pdf) {}

    // Returns a summary for the log.
    std::string run();

    size_t merged = 0;   // programs that were folded into another
    size_t blanked = 0;  // routines replaced by a return

private:
    QPDF& pdf_;
};

#pragma once

#include <memory>
#include <string_view>

#include "base/ZString.h"

namespace platform::gfx {

struct TextExtents {
    int width = 0;
    int height = 0;  // line height: ascent + descent
    int ascent = 0;  // baseline offset from the top of the line
    int descent = 0;
};

// A font chosen through fontconfig from a pixel height, weight, slant and
// family name; whatever fontconfig picks for the family is the font.
// Measurements are in whole device pixels and match what Dc paints.
class Font {
public:
    // `height` follows the documents' convention: a negative value is the
    // character (em) height in pixels; a positive one is taken the same way.
    // Never fails: an unknown family falls back to fontconfig's default.
    static std::shared_ptr<Font> create(int height, int weight, bool italic, const ZString& family);
    // Process-wide shared fonts keyed by (height, weight, italic, family);
    // cached fonts live until exit. GUI thread only.
    static std::shared_ptr<Font> shared(int height, int weight, bool italic, const ZString& family);
    // The font used when nothing else is asked for (13 px "Sans").
    static std::shared_ptr<Font> stock();

    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    int height() const { return height_; }
    int weight() const { return weight_; }
    bool italic() const { return italic_; }
    const ZString& family() const { return family_; }

    // Extents of one line of text (no wrapping); an empty text has width 0
    // and the font's line height.
    TextExtents measure(std::u16string_view text) const;
    int ascent() const;
    int descent() const;
    int lineHeight() const;
    // The typical width of one character, for fields sized in characters.
    int averageCharWidth() const;

    struct Impl;
    const Impl& impl() const { return *impl_; }

private:
    Font(int height, int weight, bool italic, const ZString& family);

    int height_;
    int weight_;
    bool italic_;
    ZString family_;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::gfx

#pragma once

#include <cstdint>

namespace platform::gfx {

// A straight (not premultiplied) RGBA colour; alpha 255 is opaque.
struct Color {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
    uint8_t alpha = 255;

    static constexpr Color rgb(uint8_t r, uint8_t g, uint8_t b) { return {r, g, b, 255}; }
    static constexpr Color rgba(uint8_t r, uint8_t g, uint8_t b, uint8_t a) { return {r, g, b, a}; }
    // From the documents' colour word: red in the low byte, then green, then
    // blue; the top byte is a transparency (0 opaque, 0xFF invisible).
    static constexpr Color fromColorRef(uint32_t c) {
        return {static_cast<uint8_t>(c & 0xFF), static_cast<uint8_t>((c >> 8) & 0xFF),
                static_cast<uint8_t>((c >> 16) & 0xFF), static_cast<uint8_t>(255 - (c >> 24))};
    }
    // 0xAARRGGBB, handy in tests and dumps.
    constexpr uint32_t argb() const {
        return (uint32_t(alpha) << 24) | (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
    }
    constexpr bool isInvisible() const { return alpha == 0; }
    friend constexpr bool operator==(const Color&, const Color&) = default;
};

}  // namespace platform::gfx

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "compress/CffFont.h"

// Font programs come from the documents the user compresses: any bytes.
// A program that reads must survive slimming and writing, and what is
// written must read back with the same glyphs.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto font = CffFont::read(std::string_view(reinterpret_cast<const char*>(data), size));
    if (!font) return 0;
    (void)font->styleKey();
    auto codes = font->builtInEncoding();
    for (size_t g = 0; g < font->charStrings.size(); ++g) (void)font->glyphName(g);
    font->blankUnreachedRoutines();
    std::string written = font->write();
    if (written.empty()) return 0;
    auto again = CffFont::read(written);
    if (!again || again->charStrings != font->charStrings) __builtin_trap();
    if (font->hasCustomEncoding() && font->setEncoding(codes)) (void)font->write();
    return 0;
}

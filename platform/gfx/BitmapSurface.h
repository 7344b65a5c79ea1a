#pragma once

#include <string_view>

#include "platform/gfx/Color.h"

struct _cairo_surface;

namespace platform::gfx {

class Dc;

// A raw bitmap handle: an ARGB32 Cairo image surface. Whoever holds a
// handle decides when to destroy it (win::Bitmap tracks that ownership).
using BitmapHandle = _cairo_surface*;

// What the system reports about a bitmap.
struct BitmapInfo {
    int type = 0;
    int width = 0;
    int height = 0;
    int rowLength = 0;  // bytes per row
    int planes = 0;
    int bitsPerPixel = 0;
    void* bits = nullptr;
};

// The operations behind win::Bitmap. Every function that makes a handle
// returns null on failure; null handles are accepted everywhere and do
// nothing.
class BitmapSurface {
public:
    // A transparent bitmap of that size, for drawing into `dc`'s target.
    static BitmapHandle create(const Dc& dc, int width, int height);
    // A bitmap decoded from image bytes (PNG, BMP …).
    static BitmapHandle decode(std::string_view bytes);
    static void destroy(BitmapHandle handle);
    static BitmapInfo describe(BitmapHandle handle);

    // Copies the part (srcX, srcY, width, height) of the bitmap to (x, y)
    // in `dc`, replacing what lies there; with a key colour, pixels of
    // exactly that colour are left out.
    static void draw(BitmapHandle handle, Dc& dc, int x, int y, int width, int height, int srcX,
                     int srcY, const Color* key);
    // Copies the part (x, y, width, height) of `dc`'s target to (dstX, dstY)
    // in the bitmap.
    static void copyFrom(BitmapHandle handle, const Dc& dc, int x, int y, int width, int height,
                         int dstX, int dstY);
    // A new bitmap with the whole picture stretched to the given size.
    static BitmapHandle scaled(BitmapHandle handle, int width, int height);
    static BitmapHandle duplicate(BitmapHandle handle);
};

}  // namespace platform::gfx

#include "platform/gfx/BitmapSurface.h"

#include <cstdint>
#include <cstring>

#include "platform/gfx/Dc.h"
#include "platform/gfx/GfxHandles.h"

namespace platform::gfx {

namespace {

BitmapHandle newSurface(int width, int height) {
    if (width <= 0 || height <= 0) return nullptr;
    cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    if (cairo_surface_status(s) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(s);
        return nullptr;
    }
    return s;
}

// Copies `source` (already placed in the target's coordinates) over the
// rectangle, replacing the pixels there.
void copyRect(cairo_t* cr, cairo_surface_t* source, double sx, double sy, int x, int y, int width,
              int height) {
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    cairo_set_source_surface(cr, source, sx, sy);
    cairo_rectangle(cr, x, y, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
}

// The part of `source` as a new surface in which every opaque pixel of
// the key colour is fully transparent.
SurfacePtr keyedPart(cairo_surface_t* source, int srcX, int srcY, int width, int height,
                     Color key) {
    SurfacePtr part(newSurface(width, height));
    if (!part) return part;
    CairoPtr cr(cairo_create(part.get()));
    copyRect(cr.get(), source, -srcX, -srcY, 0, 0, width, height);
    cairo_surface_flush(part.get());
    const uint32_t keyPixel = Color::rgb(key.red, key.green, key.blue).argb();
    unsigned char* data = cairo_image_surface_get_data(part.get());
    const int stride = cairo_image_surface_get_stride(part.get());
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(data + y * stride);
        for (int x = 0; x < width; ++x)
            if (row[x] == keyPixel) row[x] = 0;
    }
    cairo_surface_mark_dirty(part.get());
    return part;
}

}  // namespace

BitmapHandle BitmapSurface::create(const Dc&, int width, int height) {
    // Every target of a Dc takes ARGB32 images, so one format suits them all.
    return newSurface(width, height);
}

BitmapHandle BitmapSurface::decode(std::string_view bytes) {
    std::unique_ptr<Image> image = Image::decode(bytes);
    if (!image) return nullptr;
    return duplicate(image->frame(0).surface.get());
}

void BitmapSurface::destroy(BitmapHandle handle) {
    if (handle) cairo_surface_destroy(handle);
}

BitmapInfo BitmapSurface::describe(BitmapHandle handle) {
    BitmapInfo info;
    if (!handle) return info;
    info.width = cairo_image_surface_get_width(handle);
    info.height = cairo_image_surface_get_height(handle);
    info.rowLength = cairo_image_surface_get_stride(handle);
    info.planes = 1;
    info.bitsPerPixel = 32;
    info.bits = cairo_image_surface_get_data(handle);
    return info;
}

void BitmapSurface::draw(BitmapHandle handle, Dc& dc, int x, int y, int width, int height, int srcX,
                         int srcY, const Color* key) {
    if (!handle || width <= 0 || height <= 0) return;
    cairo_t* cr = dc.cairo();
    if (!key) {
        copyRect(cr, handle, x - srcX, y - srcY, x, y, width, height);
        return;
    }
    SurfacePtr part = keyedPart(handle, srcX, srcY, width, height, *key);
    if (!part) return;
    // Keyed pixels leave the target as it was: paint over, do not replace.
    cairo_save(cr);
    cairo_set_source_surface(cr, part.get(), x, y);
    cairo_rectangle(cr, x, y, width, height);
    cairo_fill(cr);
    cairo_restore(cr);
}

void BitmapSurface::copyFrom(BitmapHandle handle, const Dc& dc, int x, int y, int width, int height,
                             int dstX, int dstY) {
    if (!handle || width <= 0 || height <= 0) return;
    cairo_t* source = dc.cairo();
    double dx = x, dy = y;  // the dc's origin offset applies to (x, y)
    cairo_user_to_device(source, &dx, &dy);
    cairo_surface_t* target = cairo_get_target(source);
    cairo_surface_flush(target);
    CairoPtr cr(cairo_create(handle));
    copyRect(cr.get(), target, dstX - dx, dstY - dy, dstX, dstY, width, height);
    cairo_surface_flush(handle);
}

BitmapHandle BitmapSurface::scaled(BitmapHandle handle, int width, int height) {
    if (!handle) return nullptr;
    BitmapHandle result = newSurface(width, height);
    if (!result) return nullptr;
    CairoPtr cr(cairo_create(result));
    cairo_scale(cr.get(), double(width) / cairo_image_surface_get_width(handle),
                double(height) / cairo_image_surface_get_height(handle));
    cairo_set_source_surface(cr.get(), handle, 0, 0);
    // A stretched copy: every target pixel takes the nearest source pixel.
    cairo_pattern_set_filter(cairo_get_source(cr.get()), CAIRO_FILTER_NEAREST);
    cairo_pattern_set_extend(cairo_get_source(cr.get()), CAIRO_EXTEND_PAD);
    cairo_set_operator(cr.get(), CAIRO_OPERATOR_SOURCE);
    cairo_paint(cr.get());
    cairo_surface_flush(result);
    return result;
}

BitmapHandle BitmapSurface::duplicate(BitmapHandle handle) {
    if (!handle) return nullptr;
    const int width = cairo_image_surface_get_width(handle);
    const int height = cairo_image_surface_get_height(handle);
    BitmapHandle copy = newSurface(width, height);
    if (!copy) return nullptr;
    cairo_surface_flush(handle);
    const int stride = cairo_image_surface_get_stride(handle);
    if (stride == cairo_image_surface_get_stride(copy))
        std::memcpy(cairo_image_surface_get_data(copy), cairo_image_surface_get_data(handle),
                    size_t(stride) * size_t(height));
    cairo_surface_mark_dirty(copy);
    return copy;
}

}  // namespace platform::gfx

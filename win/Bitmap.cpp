#include "win/Bitmap.h"

#include <string>

#include "platform/Resources.h"

namespace win {

using platform::gfx::BitmapSurface;

Bitmap::~Bitmap() { release(); }

void Bitmap::reset() {
    handle_ = nullptr;
    owned_ = true;
    hasTransparentColor_ = false;
    transparentColor_ = 0;
    info_ = {};
}

void Bitmap::release() {
    if (owned_) BitmapSurface::destroy(handle_);
    handle_ = nullptr;
    owned_ = true;
    info_ = {};
}

bool Bitmap::take(Handle handle, bool owned) {
    release();
    handle_ = handle;
    owned_ = owned;
    info_ = BitmapSurface::describe(handle);
    return handle_ != nullptr;
}

bool Bitmap::createCompatible(const Dc& dc, int width, int height) {
    release();
    return take(BitmapSurface::create(dc, width, height), true);
}

bool Bitmap::loadResource(uint32_t id) {
    return loadResource("bitmap" + std::to_string(id) + ".png");
}

bool Bitmap::loadResource(std::string_view name, std::string_view module) {
    release();
    std::string bytes;
    if (!platform::Resources::read(module, name, bytes)) return false;
    return take(BitmapSurface::decode(bytes), true);
}

void Bitmap::attachHandle(Handle handle, bool owned) { take(handle, owned); }

Bitmap::Handle Bitmap::detachHandle() {
    Handle handle = handle_;
    handle_ = nullptr;
    owned_ = true;
    info_ = {};
    return handle;
}

void Bitmap::draw(Dc& dc, int x, int y, int width, int height, int srcX, int srcY) const {
    if (!handle_) return;
    const auto key = platform::gfx::Color::fromColorRef(transparentColor_ & 0xFFFFFF);
    BitmapSurface::draw(handle_, dc, x, y, width, height, srcX, srcY,
                        hasTransparentColor_ ? &key : nullptr);
}

void Bitmap::drawAt(Dc& dc, int x, int y) const { draw(dc, x, y, getWidth(), getHeight(), 0, 0); }

void Bitmap::copyFrom(const Dc& dc, int x, int y, int width, int height, int dstX, int dstY) {
    BitmapSurface::copyFrom(handle_, dc, x, y, width, height, dstX, dstY);
}

void Bitmap::copyAllFrom(const Dc& dc, int x, int y) {
    copyFrom(dc, x, y, getWidth(), getHeight(), 0, 0);
}

void Bitmap::setTransparentColor(uint32_t color) {
    hasTransparentColor_ = true;
    transparentColor_ = color;
}

bool Bitmap::scaleTo(int width, int height) {
    Handle scaled = BitmapSurface::scaled(handle_, width, height);
    if (!scaled) return false;
    return take(scaled, true);
}

Bitmap::Handle Bitmap::duplicate() const { return BitmapSurface::duplicate(handle_); }

}  // namespace win

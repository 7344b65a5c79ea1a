#pragma once

#include <cstdint>
#include <string_view>

#include "platform/gfx/BitmapSurface.h"
#include "platform/gfx/Dc.h"

namespace win {

// One bitmap handle with its size, whether this object owns it, and an
// optional colour that is left out when drawing. Failures leave it empty;
// drawing an empty bitmap does nothing.
class Bitmap {
public:
    using Handle = platform::gfx::BitmapHandle;
    using Dc = platform::gfx::Dc;

    Bitmap() = default;
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;

    // Empty, owned, no transparent colour; a held handle is forgotten, not
    // deleted (release() deletes).
    virtual void reset();
    virtual ~Bitmap();
    // Deletes the handle when owned; then empty and owned.
    virtual void release();
    virtual bool createCompatible(const Dc& dc, int width, int height);
    // Numeric ids name the resource "bitmap<ID>.png".
    virtual bool loadResource(uint32_t id);
    // From the module's resources (the program's own when empty).
    virtual bool loadResource(std::string_view name, std::string_view module = {});
    virtual void attachHandle(Handle handle, bool owned);
    // The caller owns the returned handle.
    virtual Handle detachHandle();
    virtual void draw(Dc& dc, int x, int y, int width, int height, int srcX, int srcY) const;
    virtual void drawAt(Dc& dc, int x, int y) const;
    virtual void copyFrom(const Dc& dc, int x, int y, int width, int height, int dstX, int dstY);
    virtual void copyAllFrom(const Dc& dc, int x, int y);
    // A colour word: red in the low byte, then green, then blue.
    virtual void setTransparentColor(uint32_t color);
    virtual int getHeight() const { return info_.height; }
    virtual int getWidth() const { return info_.width; }
    virtual bool isValid() const { return handle_ != nullptr; }
    virtual bool scaleTo(int width, int height);
    // A copy of the picture; the caller owns it.
    virtual Handle duplicate() const;

    Handle handle() const { return handle_; }
    bool isOwned() const { return owned_; }
    const platform::gfx::BitmapInfo& info() const { return info_; }

private:
    bool take(Handle handle, bool owned);

    Handle handle_ = nullptr;
    bool hasTransparentColor_ = false;
    uint32_t transparentColor_ = 0;
    platform::gfx::BitmapInfo info_;
    bool owned_ = true;
};

}  // namespace win

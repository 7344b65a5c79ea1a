#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Color.h"

namespace platform::gfx {

// A decoded picture: one frame, or the frames of an animation each with
// its delay. Pixels are kept ready for painting.
class Image {
public:
    // Decodes PNG, JPEG, GIF, BMP, ICO … from memory; null when the bytes
    // are no image gdk-pixbuf can read (the reason goes to `error`).
    static std::unique_ptr<Image> decode(std::string_view bytes, std::string* error = nullptr);
    static std::unique_ptr<Image> load(const std::string& path, std::string* error = nullptr);
    // A blank (transparent) image, e.g. for building test pictures.
    static std::unique_ptr<Image> create(int width, int height);

    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    int width() const { return width_; }
    int height() const { return height_; }
    int frameCount() const { return static_cast<int>(frames_.size()); }
    // Delay of frame i in milliseconds (0 for a still image).
    int frameDelay(int frame) const;

    Color pixel(int x, int y, int frame = 0) const;
    void setPixel(int x, int y, Color c, int frame = 0);

    bool writePng(const std::string& path) const;
    std::string encodePng(int frame = 0) const;

    struct Frame;
    const Frame& frame(int i) const { return *frames_[static_cast<size_t>(i)]; }

private:
    friend class Dc;
    Image() = default;
    static std::unique_ptr<Image> decodeNew(std::string_view bytes, std::string* error);

    int width_ = 0;
    int height_ = 0;
    std::vector<std::unique_ptr<Frame>> frames_;
};

}  // namespace platform::gfx

#include "platform/gfx/Image.h"

#include <gdk-pixbuf/gdk-pixbuf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <list>
#include <mutex>

#include "platform/gfx/GfxHandles.h"

namespace platform::gfx {

namespace {

// Enough to keep a hostile file from allocating without bound.
constexpr int kMaxFrames = 1000;

// Number of pictures in a GIF stream: gdk-pixbuf offers an iterator over
// an animation but no frame count, so the blocks are walked here.
int countGifFrames(std::string_view b) {
    auto byte = [&](size_t i) { return i < b.size() ? static_cast<unsigned char>(b[i]) : 0u; };
    if (b.size() < 13 || b.substr(0, 3) != "GIF") return 0;
    size_t pos = 13;
    if (byte(10) & 0x80) pos += 3u * (1u << ((byte(10) & 7) + 1));
    auto skipSubBlocks = [&](size_t p) {
        while (p < b.size()) {
            unsigned n = byte(p);
            ++p;
            if (n == 0) break;
            p += n;
        }
        return p;
    };
    int frames = 0;
    while (pos < b.size()) {
        unsigned tag = byte(pos);
        if (tag == 0x3B) break;
        if (tag == 0x21) {
            pos = skipSubBlocks(pos + 2);
        } else if (tag == 0x2C) {
            ++frames;
            unsigned flags = byte(pos + 9);
            pos += 10;
            if (flags & 0x80) pos += 3u * (1u << ((flags & 7) + 1));
            pos = skipSubBlocks(pos + 1);  // LZW minimum code size, then data
        } else {
            break;
        }
    }
    return frames;
}

SurfacePtr surfaceFromPixbuf(GdkPixbuf* pixbuf) {
    int w = gdk_pixbuf_get_width(pixbuf);
    int h = gdk_pixbuf_get_height(pixbuf);
    SurfacePtr surface(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    cairo_surface_flush(surface.get());
    unsigned char* dst = cairo_image_surface_get_data(surface.get());
    int dstStride = cairo_image_surface_get_stride(surface.get());
    const guchar* src = gdk_pixbuf_read_pixels(pixbuf);
    int srcStride = gdk_pixbuf_get_rowstride(pixbuf);
    int channels = gdk_pixbuf_get_n_channels(pixbuf);
    bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    for (int y = 0; y < h; ++y) {
        const guchar* s = src + static_cast<size_t>(y) * srcStride;
        auto* d = reinterpret_cast<uint32_t*>(dst + static_cast<size_t>(y) * dstStride);
        for (int x = 0; x < w; ++x, s += channels) {
            uint32_t a = alpha ? s[3] : 255;
            uint32_t r = (s[0] * a + 127) / 255, g = (s[1] * a + 127) / 255,
                     bl = (s[2] * a + 127) / 255;
            d[x] = (a << 24) | (r << 16) | (g << 8) | bl;
        }
    }
    cairo_surface_mark_dirty(surface.get());
    return surface;
}

SurfacePtr copySurface(cairo_surface_t* source) {
    cairo_surface_flush(source);
    const int w = cairo_image_surface_get_width(source);
    const int h = cairo_image_surface_get_height(source);
    SurfacePtr copy(cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h));
    cairo_surface_flush(copy.get());
    const int stride = cairo_image_surface_get_stride(source);
    if (stride == cairo_image_surface_get_stride(copy.get()))
        std::memcpy(cairo_image_surface_get_data(copy.get()), cairo_image_surface_get_data(source),
                    static_cast<size_t>(stride) * static_cast<size_t>(h));
    cairo_surface_mark_dirty(copy.get());
    return copy;
}

// Documents show the same few pictures again and again (every window
// shows the toolbar icons and the banner): decoded pictures are kept by
// their bytes, bounded in total size, so a repeated decode is a copy.
class DecodedPictures {
public:
    struct Picture {
        std::string bytes;
        int width = 0;
        int height = 0;
        std::vector<std::pair<SurfacePtr, int>> frames;  // surface, delay
        size_t cost = 0;
    };

    // Fills `out` from a kept picture with exactly these bytes.
    template <typename Fill>
    bool find(std::string_view bytes, Fill fill) {
        std::lock_guard<std::mutex> lock(mutex_);
        for (auto it = pictures_.begin(); it != pictures_.end(); ++it) {
            if (it->bytes.size() != bytes.size() ||
                std::memcmp(it->bytes.data(), bytes.data(), bytes.size()) != 0)
                continue;
            pictures_.splice(pictures_.begin(), pictures_, it);
            fill(pictures_.front());
            return true;
        }
        return false;
    }

    void keep(Picture picture) {
        if (picture.cost > kBudget / 4) return;
        std::lock_guard<std::mutex> lock(mutex_);
        total_ += picture.cost;
        pictures_.push_front(std::move(picture));
        while (total_ > kBudget && !pictures_.empty()) {
            total_ -= pictures_.back().cost;
            pictures_.pop_back();
        }
    }

private:
    static constexpr size_t kBudget = 32u << 20;
    std::mutex mutex_;
    std::list<Picture> pictures_;
    size_t total_ = 0;
};

DecodedPictures& decodedPictures() {
    static DecodedPictures* pictures = new DecodedPictures();  // lives until exit
    return *pictures;
}

cairo_status_t appendToString(void* closure, const unsigned char* data, unsigned int length) {
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

}  // namespace

std::unique_ptr<Image> Image::decode(std::string_view bytes, std::string* error) {
    std::unique_ptr<Image> kept;
    if (decodedPictures().find(bytes, [&](const DecodedPictures::Picture& p) {
            kept.reset(new Image());
            kept->width_ = p.width;
            kept->height_ = p.height;
            for (const auto& [surface, delay] : p.frames) {
                auto frame = std::make_unique<Frame>();
                frame->surface = copySurface(surface.get());
                frame->delay = delay;
                kept->frames_.push_back(std::move(frame));
            }
        }))
        return kept;
    std::unique_ptr<Image> image = decodeNew(bytes, error);
    if (image) {
        DecodedPictures::Picture picture;
        picture.bytes.assign(bytes);
        picture.width = image->width_;
        picture.height = image->height_;
        picture.cost = bytes.size();
        for (const auto& frame : image->frames_) {
            picture.frames.emplace_back(copySurface(frame->surface.get()), frame->delay);
            picture.cost +=
                static_cast<size_t>(image->width_) * static_cast<size_t>(image->height_) * 4;
        }
        decodedPictures().keep(std::move(picture));
    }
    return image;
}

std::unique_ptr<Image> Image::decodeNew(std::string_view bytes, std::string* error) {
    GObjectPtr<GdkPixbufLoader> loader(gdk_pixbuf_loader_new());
    GError* raw = nullptr;
    bool ok = gdk_pixbuf_loader_write(loader.get(), reinterpret_cast<const guchar*>(bytes.data()),
                                      bytes.size(), &raw);
    CHandle<GError, g_error_free> err(raw);
    raw = nullptr;
    bool closed = gdk_pixbuf_loader_close(loader.get(), ok ? &raw : nullptr);
    if (!err && raw) err.reset(raw);
    GdkPixbufAnimation* animation = gdk_pixbuf_loader_get_animation(loader.get());
    if (!ok || !closed || !animation) {
        if (error) *error = err ? err->message : "not an image";
        return nullptr;
    }
    std::unique_ptr<Image> image(new Image());
    image->width_ = gdk_pixbuf_animation_get_width(animation);
    image->height_ = gdk_pixbuf_animation_get_height(animation);
    int frames = gdk_pixbuf_animation_is_static_image(animation) ? 1 : countGifFrames(bytes);
    if (frames <= 1) {
        GdkPixbuf* still = gdk_pixbuf_animation_get_static_image(animation);
        if (!still) {
            if (error) *error = "no picture in the image";
            return nullptr;
        }
        auto frame = std::make_unique<Frame>();
        frame->surface = surfaceFromPixbuf(still);
        image->frames_.push_back(std::move(frame));
        return image;
    }
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    GTimeVal time{0, 0};
    GObjectPtr<GdkPixbufAnimationIter> iter(gdk_pixbuf_animation_get_iter(animation, &time));
    for (int i = 0; i < std::min(frames, kMaxFrames); ++i) {
        auto frame = std::make_unique<Frame>();
        frame->surface = surfaceFromPixbuf(gdk_pixbuf_animation_iter_get_pixbuf(iter.get()));
        int delay = gdk_pixbuf_animation_iter_get_delay_time(iter.get());
        frame->delay = delay < 0 ? 0 : delay;
        image->frames_.push_back(std::move(frame));
        if (delay < 0) break;
        g_time_val_add(&time, static_cast<glong>(delay) * 1000);
        gdk_pixbuf_animation_iter_advance(iter.get(), &time);
    }
    G_GNUC_END_IGNORE_DEPRECATIONS
    return image;
}

std::unique_ptr<Image> Image::load(const std::string& path, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        if (error) *error = "cannot open " + path;
        return nullptr;
    }
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return decode(bytes, error);
}

std::unique_ptr<Image> Image::create(int width, int height) {
    std::unique_ptr<Image> image(new Image());
    image->width_ = std::max(0, width);
    image->height_ = std::max(0, height);
    auto frame = std::make_unique<Frame>();
    frame->surface.reset(
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, image->width_, image->height_));
    if (cairo_surface_status(frame->surface.get()) != CAIRO_STATUS_SUCCESS)
        image->width_ = image->height_ = 0;  // too large: an empty picture
    image->frames_.push_back(std::move(frame));
    return image;
}

Image::~Image() = default;

int Image::frameDelay(int frame) const {
    if (frame < 0 || frame >= frameCount()) return 0;
    return frames_[static_cast<size_t>(frame)]->delay;
}

Color Image::pixel(int x, int y, int frame) const {
    if (frame < 0 || frame >= frameCount() || x < 0 || y < 0 || x >= width_ || y >= height_)
        return {0, 0, 0, 0};
    return surfacePixel(frames_[static_cast<size_t>(frame)]->surface.get(), x, y);
}

void Image::setPixel(int x, int y, Color c, int frame) {
    if (frame < 0 || frame >= frameCount() || x < 0 || y < 0 || x >= width_ || y >= height_) return;
    cairo_surface_t* s = frames_[static_cast<size_t>(frame)]->surface.get();
    cairo_surface_flush(s);
    unsigned char* row = cairo_image_surface_get_data(s) +
                         static_cast<size_t>(y) * cairo_image_surface_get_stride(s);
    uint32_t a = c.alpha;
    auto pre = [a](uint32_t v) { return (v * a + 127) / 255; };
    reinterpret_cast<uint32_t*>(row)[x] =
        (a << 24) | (pre(c.red) << 16) | (pre(c.green) << 8) | pre(c.blue);
    cairo_surface_mark_dirty(s);
}

std::string Image::encodePng(int frame) const {
    std::string out;
    if (frame < 0 || frame >= frameCount()) return out;
    if (cairo_surface_write_to_png_stream(frames_[static_cast<size_t>(frame)]->surface.get(),
                                          appendToString, &out) != CAIRO_STATUS_SUCCESS)
        out.clear();
    return out;
}

bool Image::writePng(const std::string& path) const {
    if (frames_.empty()) return false;
    return cairo_surface_write_to_png(frames_.front()->surface.get(), path.c_str()) ==
           CAIRO_STATUS_SUCCESS;
}

Color surfacePixel(cairo_surface_t* s, int x, int y) {
    cairo_surface_flush(s);
    const unsigned char* row = cairo_image_surface_get_data(s) +
                               static_cast<size_t>(y) * cairo_image_surface_get_stride(s);
    uint32_t v = reinterpret_cast<const uint32_t*>(row)[x];
    uint32_t a = v >> 24;
    if (a == 0) return {0, 0, 0, 0};
    auto un = [a](uint32_t c) {
        return static_cast<uint8_t>(std::min<uint32_t>(255, (c * 255 + a / 2) / a));
    };
    return {un((v >> 16) & 0xFF), un((v >> 8) & 0xFF), un(v & 0xFF), static_cast<uint8_t>(a)};
}

}  // namespace platform::gfx

#pragma once

#include <memory>
#include <vector>

#include "base/ZString.h"
#include "platform/gfx/Image.h"

namespace xhtml {

class UrlLoader;

// Decoded images of one document by resolved URL. A URL is read and decoded
// once; one that failed stays remembered as missing while the document lives.
class ImageCache {
public:
    struct Frame {
        int index;
        int delayMs;
    };
    struct Entry {
        bool loaded = false;  // decoding was attempted
        ZString url;          // resolved, compared exactly
        std::unique_ptr<platform::gfx::Image> image;
        UrlLoader* loader = nullptr;  // not owned
        std::vector<Frame> frames;    // empty for still images
    };

    // Loads `url` through `loader` unless an entry for the resolved URL
    // exists; returns the entry (its image may be null). A null loader
    // records the URL without reading it.
    Entry& load(const ZString& url, UrlLoader* loader);
    // The entry of the resolved URL, or null.
    Entry* find(const ZString& url, const UrlLoader* loader);
    int size() const { return static_cast<int>(entries_.size()); }
    void clear() { entries_.clear(); }

private:
    static ZString resolve(const ZString& url, const UrlLoader* loader);
    std::vector<std::unique_ptr<Entry>> entries_;
};

}  // namespace xhtml

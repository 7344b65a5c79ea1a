#include "xhtml/ImageCache.h"

#include <stdexcept>

#include "xhtml/UrlLoader.h"

namespace xhtml {

ZString ImageCache::resolve(const ZString& url, const UrlLoader* loader) {
    if (!loader) return url;
    try {
        return resolveUrl(loader->base(), url);
    } catch (const std::exception&) {
        return url;  // keyed as written; loading it reads nothing
    }
}

ImageCache::Entry* ImageCache::find(const ZString& url, const UrlLoader* loader) {
    const ZString key = resolve(url, loader);
    for (auto& entry : entries_) {
        if (entry->url == key) return entry.get();
    }
    return nullptr;
}

ImageCache::Entry& ImageCache::load(const ZString& url, UrlLoader* loader) {
    if (Entry* existing = find(url, loader)) return *existing;
    auto entry = std::make_unique<Entry>();
    entry->url = resolve(url, loader);
    entry->loader = loader;
    if (loader) {
        std::string bytes;
        const uint32_t size = loader->load(url, bytes);
        if (size != 0 && size != UrlLoader::kFailed) entry->image = platform::gfx::Image::decode(bytes);
        if (entry->image && entry->image->frameCount() > 1) {
            for (int i = 0; i < entry->image->frameCount(); ++i)
                entry->frames.push_back({i, entry->image->frameDelay(i)});
        }
        entry->loaded = true;
    }
    // Failures are kept too: a missing image is not looked up again.
    entries_.push_back(std::move(entry));
    return *entries_.back();
}

}  // namespace xhtml

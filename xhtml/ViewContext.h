#pragma once

#include <functional>
#include <memory>

#include "xhtml/ImageCache.h"
#include "xhtml/StyleSheet.h"
#include "xhtml/UrlLoader.h"

namespace xhtml {

class EventListener;
class View;

// What all views of one document share: the URL loader (owned), the image
// cache, the style rules, the listener of document events (not owned) and
// the cursor setter. GUI thread only.
class ViewContext {
public:
    using CursorSetter = std::function<void(int cursor)>;

    ViewContext();
    ~ViewContext();
    ViewContext(const ViewContext&) = delete;
    ViewContext& operator=(const ViewContext&) = delete;

    UrlLoader* urlLoader() const { return urlLoader_.get(); }
    // Replacing the loader deletes the old one.
    void setUrlLoader(std::unique_ptr<UrlLoader> loader);
    ImageCache& imageCache() { return imageCache_; }
    StyleRules& styleRules() { return styleRules_; }
    EventListener* listener() const { return listener_; }
    void setListener(EventListener* listener) { listener_ = listener; }

    // 0 the arrow, 1 the hand; other values are ignored.
    void setCursor(int cursor);
    void setCursorSetter(CursorSetter setter) { cursorSetter_ = std::move(setter); }

    // Mouse notifications from the views. On left-button-up the listener hears,
    // in this order: link clicked (a link with the click bit set), button
    // clicked (a button with the click bit set), clicked (click bit set), then
    // left button up.
    void onLButtonDown(View* view);
    void onLButtonUp(View* view);
    void onRButtonDown(View* view);
    void onRButtonUp(View* view);

private:
    std::unique_ptr<UrlLoader> urlLoader_;
    ImageCache imageCache_;
    StyleRules styleRules_;
    EventListener* listener_ = nullptr;
    CursorSetter cursorSetter_;
};

}  // namespace xhtml

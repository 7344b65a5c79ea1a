#pragma once

#include <memory>
#include <vector>

#include "win/BaseWindow.h"
#include "xhtml/HtmlView.h"

namespace platform::gui {
class Tooltip;
}  // namespace platform::gui

namespace xhtml {

class ViewAccessible;
class ControlView;

// A document root hosted in a native window of its own: lays the document
// out into the window's client area, scrolls it, turns window messages into
// view events, shows tooltips from title attributes and hands notifications
// of native controls to the views that own them. Without a window (tools,
// tests) it is a plain document root.
class FrameView : public HtmlView {
public:
    enum ScrollMode : int32_t { kScrollNever = 0, kScrollAuto = 1, kScrollAlways = 2 };
    enum Axis : int32_t { kVertical = 1, kHorizontal = 2, kBothAxes = 3 };
    // Timers on the window, started with the first message it handles.
    static constexpr uint32_t kTooltipTimer = 500;
    static constexpr uint32_t kSecondTimer = 1000;

    // The window object: every message goes to the view's handleMessage.
    class Frame : public win::BaseWindow {
    public:
        explicit Frame(FrameView* view) : view_(view) {}
        intptr_t onMessage(win::Message& message) override;
        FrameView* view() const { return view_; }

    private:
        FrameView* view_;
    };

    explicit FrameView(ViewContext* context, int32_t type = kFrameView);
    ~FrameView() override;

    void setMarkup(const ZString& text, const ZString& baseUrl = ZString()) override;

    // Creates the window: a top-level window unless `flags` has
    // platform::gui::kChild; width and height are the client size.
    virtual bool create(win::WindowHandle parent, int x, int y, int width, int height,
                        uint32_t flags, uint32_t id = 0, const ZString& title = ZString());
    virtual void setScrollMode(int32_t axis, int32_t mode);
    int32_t horizontalScrollMode() const { return horizontalScroll_; }
    int32_t verticalScrollMode() const { return verticalScroll_; }
    void setUnnamedFlag(bool value) { unnamedFlag_ = value; }
    // Repaint of a document rectangle (null: all of the window).
    virtual void invalidateRect(const Rect* r);
    void invalidateRect(const Rect& r) { invalidateRect(&r); }
    // Any number of calls within 100 ms cause one layout; `immediate`
    // lays out at once unless an update is running.
    virtual void scheduleUpdate(bool immediate);
    // Loads a document through a fresh loader based at res:///; false when
    // nothing could be read (the document is then empty).
    virtual bool loadDocument(const ZString& url);
    // Sets the client size to what the document needs at `width`.
    virtual void resizeToContent(int width);
    virtual void setAutoSize(bool width, bool height);
    virtual void paintFrame(platform::gfx::Dc& dc, const Rect& clip);
    // A view with a title asks for a tooltip when it is attached.
    virtual void addTooltip(View* view);
    Frame& getWindow() { return frame_; }
    const Frame& getWindow() const { return frame_; }
    win::WindowHandle windowHandle() const { return frame_.getHandle(); }
    virtual Size getDocumentSize() const { return documentSize_; }
    virtual Point getScrollOffset() const { return {scrollX_, scrollY_}; }
    virtual void doUpdate();
    virtual void scrollTo(int32_t axis, int position);
    virtual void updateScrollBars();
    virtual bool isAutoSize() const { return autoWidth_ || autoHeight_; }
    virtual void autoSizeToBody();
    virtual void trackMouseLeave() { trackingMouse_ = true; }
    virtual void updateTooltip(bool fromTimer);
    // Hook with the loaded text before it is set; nothing by default.
    virtual void onDocumentText(ZString& text) { (void)text; }
    virtual intptr_t handleMessage(win::Message& message);
    // The select or object view whose native window this is, or null.
    virtual View* findControlByWindow(const void* window);

    // Where the window's client area lies in document coordinates: its
    // top-left corner is the origin plus the scroll offset.
    Rect viewportRect() const;
    // Document point of a client point.
    Point toDocument(Point client) const;
    // Client rectangle of a document rectangle.
    Rect toClient(const Rect& document) const;
    bool isUpdating() const { return updating_; }
    // The tooltip the pointer rests on, null when none shows.
    View* tooltipView() const { return tooltipView_; }
    // Where that tooltip is on the screen, and where the pointer was when
    // it was placed (screen coordinates).
    Rect tooltipScreenRect() const;
    Point tooltipPointer() const { return tooltipPointer_; }
    // Number of full layouts so far, for tests and benchmarks.
    int updateCount() const { return updateCount_; }
    // The keyboard focus among the painted views and what screen readers see.
    ViewAccessible& accessible() { return *accessible_; }

    void handleEvent(ViewEvent& event) override;
    void relayoutNeeded() override;
    void onTimer(uint32_t id) override;

protected:
    // Top-left of the client area in document coordinates before scrolling.
    virtual Point origin() const { return {0, 0}; }
    // The rectangle the children are laid out in (document coordinates).
    virtual Rect layoutArea(const Rect& client) const;
    void sendEvent(int32_t type);

private:
    void paintWindow(platform::gfx::Dc& dc, const Rect& clip);
    void onScrollMessage(bool vertical, int code, int position);
    void mouseToTree(win::Message& message, uint32_t buttons);
    bool isTooltipViewValid(View* view);
    void hideTooltip();
    // The view whose native window lies under a client point, if any.
    ControlView* controlAt(Point client);
    void onFirstMessage();
    void clearLayoutCaches();
    void updateTabOrder();
    // Lays the document out into the client area (window coordinates).
    void layoutInto(const Rect& clientArea);

    int32_t horizontalScroll_ = kScrollAuto;
    int32_t verticalScroll_ = kScrollAuto;
    bool autoWidth_ = false;
    bool autoHeight_ = false;
    int scrollX_ = 0;
    int scrollY_ = 0;
    bool unnamedFlag_ = false;
    bool updating_ = false;
    bool trackingMouse_ = false;
    std::unique_ptr<platform::gui::Tooltip> tooltip_;
    std::vector<View*> tools_;
    View* tooltipView_ = nullptr;
    Point tooltipPointer_;
    bool timersStarted_ = false;
    uint32_t updateTimer_ = 0;
    Size documentSize_;
    int updateCount_ = 0;
    Rect laidOutClient_;  // the client area of the last layout
    std::unique_ptr<ViewAccessible> accessible_;
    Frame frame_;
};

// A nested scrolling frame: what a box with overflow auto, scroll or hidden
// becomes when the document is built. Once its frame has a window it gets a
// child window of its own, placed inside its borders, in which its content
// scrolls; until then it is painted and hit like any box.
class IFrameView : public FrameView {
public:
    explicit IFrameView(ViewContext* context) : FrameView(context, kIFrameView) {}

    void handleEvent(ViewEvent& event) override;
    void handleMouse(MouseEvent& event) override;
    void paintContent(platform::gfx::Dc& dc, const Rect& clip) override;
    void paintFrame(platform::gfx::Dc& dc, const Rect& clip) override;
    intptr_t handleMessage(win::Message& message) override;

protected:
    Point origin() const override;
    Rect layoutArea(const Rect& client) const override;

private:
    // Makes or moves the window to the inside of the borders.
    void placeWindow();
    Rect innerRect() const;
};

}  // namespace xhtml

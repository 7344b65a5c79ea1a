#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "base/ZString.h"
#include "platform/gfx/Rect.h"
#include "xhtml/StyleId.h"
#include "xhtml/StyleTarget.h"
#include "xhtml/StyleValue.h"

namespace platform::gfx {
class Dc;
class Font;
}  // namespace platform::gfx

namespace xhtml {

using Rect = platform::gfx::Rect;
using Point = platform::gfx::Point;
struct Size {
    int width = 0;
    int height = 0;
    friend constexpr bool operator==(const Size&, const Size&) = default;
};

// Positions and sizes of laid-out views stay within ±kMaxExtent pixels, so
// a sum of two of them, or one and its insets, never overflows an int.
inline constexpr int kMaxExtent = 1 << 29;
inline constexpr int clampExtent(int64_t value) {
    return static_cast<int>(value < -kMaxExtent ? -kMaxExtent : value > kMaxExtent ? kMaxExtent : value);
}

class Animator;
class CompositeView;
class FrameView;
class Layouter;
class ViewContext;

// The type code every view carries; the engine tests it instead of asking
// for run-time types. 0 is the bare View.
enum ViewType : int32_t {
    kViewPlain = 0,
    kBreakView = 1,
    kWordView = 2,
    kImageView = 3,
    kCompositeView = 4,
    kInlineView = 5,
    kTextView = 6,
    kParagraphView = 7,
    kCenterView = 8,
    kBoxView = 9,
    kHRView = 10,
    kBlockView = 12,  // HtmlView reports this code too
    kLinkView = 13,
    kControlView = 14,
    kButtonView = 15,
    kTableView = 16,
    kCellView = 17,
    kRowView = 18,
    kCheckView = 19,
    kTextAreaView = 20,
    kEditView = 21,
    kRadioView = 22,
    kSelectView = 23,
    kObjectView = 24,
    kFrameView = 25,
    kIFrameView = 26,
    kFileChooseView = 27,
    kHiddenInputView = 28,
    kBodyView = 29,
};

// Every type except the bare view, words, breaks and hidden inputs is a
// CompositeView with children.
inline constexpr bool isCompositeType(int32_t type) {
    return type != kViewPlain && type != kBreakView && type != kWordView && type != kHiddenInputView;
}

// getStyleMap and the lookups accept this for "the state the mouse puts the
// view in now".
inline constexpr int32_t kStateCurrent = 5;

// stateFlags bits.
enum ViewStateFlag : uint32_t {
    kHovered = 1,
    kLeftPressed = 2,
    kRightPressed = 4,
    kLeftClick = 8,    // set while a left click is being delivered
    kRightClick = 16,  // set while a right click is being delivered
};

// Non-mouse events passed down the tree by handleEvent.
struct ViewEvent {
    enum Type : int32_t {
        kDocumentBuilt = 0,
        kAttach = 1,
        kFocusLost = 2,
        kActivated = 3,
        kDeactivated = 4,
        kScrolled = 5,
        kBeforePaint = 6,
        kAfterPaint = 7
    };
    int32_t type = kDocumentBuilt;
    bool handled = false;
};

// Button word bits of a mouse event; a word above 127 means the pointer left
// the frame, bit 64 keeps a box from passing the event to its children.
enum MouseButtons : uint32_t {
    kLeftDown = 4,
    kRightDown = 8,
    kLeftUp = 16,
    kRightUp = 32,
    kSkipChildren = 64,
    kMouseLeftFrame = 128,
};
struct MouseEvent {
    Point point;
    uint32_t buttons = 0;
};

// Receiver of timer ticks (views and animators).
class TimerTarget {
public:
    virtual ~TimerTarget() = default;
    virtual void onTimer(uint32_t id) { (void)id; }
};

// The leaf base of every view. Style lookups: a state's map, then the normal
// map; the inherited lookups then walk the parent chain. Views live on the GUI
// thread only.
//
// What layout and painting may rely on:
//  - rect() is in window pixels; for a BoxView it is the margin box.
//  - every lengths read from styles goes through scaleInt/scale (96-dpi units);
//  - styles set after construction never change the class; convertTo replaces
//    the view (and deletes the old one), so do not hold a view across a
//    handleEvent of type 0.
//  - layout() and paint() are the hooks of the layout and painting code; the
//    bodies here do nothing.
class View : public TimerTarget, public StyleTarget {
public:
    explicit View(ViewContext* context, int32_t type = kViewPlain);
    ~View() override;
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    // --- tree and identity
    void onTimer(uint32_t id) override;
    virtual View* convertTo(int32_t newType);
    virtual std::shared_ptr<platform::gfx::Font> getFont();
    virtual View* getRoot();
    virtual FrameView* getFrame(bool outermostOnly);
    virtual bool acceptsChildren() const { return false; }
    virtual bool isBlank() const { return false; }
    virtual bool ownsWindow(const void* window) const;
    virtual bool canShowTooltip() const { return true; }
    virtual void onCommand(const void* window, int code);
    virtual void onNotify(const void* window, const void* header);

    // --- geometry
    virtual void setPosition(int x, int y);
    virtual void setSize(int width, int height);
    virtual void offsetBy(int dx, int dy);
    virtual bool containsPoint(Point point) const;
    virtual bool intersects(const Rect& other) const;
    virtual Rect getRect() const { return rect_; }
    virtual Size getSize() const { return {rect_.width(), rect_.height()}; }
    virtual Point getPosition() const { return {rect_.left, rect_.top}; }
    virtual bool isDisplayed() const;
    virtual void layout(Layouter& layouter);
    virtual void handleEvent(ViewEvent& event);
    virtual void paint(platform::gfx::Dc& dc, const Rect& clip);

    // --- visibility
    virtual void setVisible(bool show, bool useVisibility);
    virtual void setHidden(bool hide) { setVisible(!hide, false); }
    virtual bool isVisible() const;
    virtual bool isVisibleInTree() const;
    virtual bool isDisplayNone() const;

    // --- styles
    virtual int32_t getStyleState() const;
    virtual StyleMap& getStyleMap(int32_t state);
    const StyleMap& getStyleMap(int32_t state) const;
    virtual void styleChanged(View* view, int32_t id, int32_t state);
    void setStyle(int32_t id, const StyleValue& value, int32_t state = kStateNormal) override;
    // Entry of exactly this state's map, no fallback (the cascade's view).
    const StyleValue* styleEntry(int32_t id, int32_t state) const override;
    virtual bool findStyle(int32_t id, StyleValue& out, int32_t state = kStateCurrent) const;
    virtual const StyleValue* lookupStyle(int32_t id, int32_t state = kStateCurrent) const;
    virtual bool hasStyle(int32_t id, int32_t state = kStateCurrent) const;
    virtual bool hasInheritedStyle(int32_t id, int32_t state = kStateCurrent) const;
    bool findInheritedStyle(int32_t id, StyleValue& out, int32_t state = kStateCurrent) const override;
    virtual const StyleValue* lookupInheritedStyle(int32_t id, int32_t state = kStateCurrent) const;
    virtual void setStyleAndNotify(int32_t id, const StyleValue& value, int32_t state = kStateNormal);
    virtual void copyStyles(const int32_t* ids, int count, View* target, int32_t state);
    virtual void removeStyle(int32_t id, int32_t state = kStateNormal);
    virtual ZString getId() const;
    virtual bool isDisabled() const;
    virtual void setDisabled(bool disabled, double opacity);

    // Typed readers over lookupStyle/lookupInheritedStyle, with a default for
    // a missing property (state defaults to the current one).
    int32_t styleInt(int32_t id, int32_t fallback = 0, int32_t state = kStateCurrent) const;
    double styleDouble(int32_t id, double fallback = 0, int32_t state = kStateCurrent) const;
    bool styleBool(int32_t id, bool fallback = false, int32_t state = kStateCurrent) const;
    Color styleColor(int32_t id, Color fallback = kNoColor, int32_t state = kStateCurrent) const;
    ZString styleString(int32_t id, const ZString& fallback = ZString(), int32_t state = kStateCurrent) const;
    int32_t inheritedInt(int32_t id, int32_t fallback = 0, int32_t state = kStateCurrent) const;
    bool inheritedBool(int32_t id, bool fallback = false, int32_t state = kStateCurrent) const;
    Color inheritedColor(int32_t id, Color fallback = kNoColor, int32_t state = kStateCurrent) const;
    ZString inheritedString(int32_t id, const ZString& fallback = ZString(), int32_t state = kStateCurrent) const;

    // --- mouse
    virtual void onMouseMove() {}
    virtual void onMouseEnter();
    virtual void onMouseLeave();
    virtual void onLButtonDown();
    virtual void onLButtonUp();
    virtual void onRButtonDown();
    virtual void onRButtonUp();
    virtual void handleMouse(MouseEvent& event);
    virtual bool isHovered() const { return (stateFlags_ & kHovered) != 0; }
    virtual bool hasClass(const ZString& name) const;

    // --- search, pre-order (the view itself before its children)
    virtual void findByType(int32_t type, std::vector<View*>& out);
    virtual View* findFirstByType(int32_t type);
    // A null value matches every view that has the property (normal map).
    virtual void findByStyle(int32_t id, const StyleValue* value, std::vector<View*>& out);
    virtual View* findFirstByStyle(int32_t id, const StyleValue* value);
    virtual void findByClass(const ZString& name, std::vector<View*>& out);
    virtual View* findFirstByClass(const ZString& name);
    virtual void findById(const ZString& id, std::vector<View*>& out);
    virtual View* findViewById(const ZString& id);
    // Visits this view and its subtree in pre-order until `visit` returns false.
    virtual bool forEachInTree(const std::function<bool(View*)>& visit);

    // --- repaint, re-layout, timers, scaling
    virtual void invalidate();
    virtual void relayoutNeeded();
    virtual uint32_t setTimer(uint32_t intervalMs, uint32_t id);
    virtual void killTimer(uint32_t id);
    virtual double scale(double value) const;
    virtual int scaleInt(int value) const;
    virtual double dpiScale() const;
    virtual void setAnimator(std::unique_ptr<Animator> animator);
    virtual void removeSelf();

    // Logical pixels per inch of the screen: VARTO_DPI, else 96; read once.
    // Tools that render for another resolution set it before building views.
    static int screenDpi();
    static void setScreenDpi(int dpi);

    // --- plain accessors
    int32_t type() const { return type_; }
    ViewContext* context() const { return context_; }
    CompositeView* parent() const { return parent_; }
    uint32_t stateFlags() const { return stateFlags_; }
    void setStateFlags(uint32_t flags) { stateFlags_ = flags; }
    const Rect& rect() const { return rect_; }
    void setRect(const Rect& r) { rect_ = r; }
    Animator* animator() const { return animator_.get(); }

protected:
    // The steps of the mouse state machine for this view alone.
    void runMouseSteps(MouseEvent& event);
    // The map a state lookup reads: 5 resolves to the current state.
    int32_t resolveState(int32_t state) const { return state == kStateCurrent ? getStyleState() : state; }

    std::array<StyleMap, kStateCount> styles_;
    ViewContext* context_;
    int32_t type_;
    CompositeView* parent_ = nullptr;
    uint32_t stateFlags_ = 0;
    Rect rect_;
    std::unique_ptr<Animator> animator_;

private:
    friend class CompositeView;
};

// A frame animator: owns its timer; the view forwards the ticks of that timer.
class Animator : public TimerTarget {
public:
    virtual bool ownsTimer(uint32_t id) const = 0;
    virtual void start() = 0;
};

}  // namespace xhtml

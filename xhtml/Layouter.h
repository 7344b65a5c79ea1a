#pragma once

#include <cstdint>
#include <vector>

#include "xhtml/View.h"

namespace xhtml {

// Fills an area line by line: views are added in document order, runs
// without wrapping are kept together, and lines break at the right edge.
// The placing and the measuring layouters share this filling logic and
// differ only in what they do with a finished run and a finished line.
class Layouter {
public:
    enum Mode : int32_t { kNormal = 1, kMeasuring = 2 };
    enum Flag : uint32_t { kNoWrap = 1 };
    enum TextAlign : int32_t {
        kAlignLeft = 1,
        kAlignCenter = 2,
        kAlignRight = 3,
        kAlignJustify = 4
    };
    enum VAlign : int32_t { kTop = 1, kMiddle = 2, kBottom = 3 };

    struct Entry {
        View* view;
        int width;
        int height;
        int32_t vAlign;
    };

    Layouter(int32_t mode, const Rect& area);
    virtual ~Layouter();
    Layouter(const Layouter&) = delete;
    Layouter& operator=(const Layouter&) = delete;

    int32_t getMode() const { return mode_; }
    // Each setter returns the previous value.
    int32_t setTextAlign(int32_t value);
    int32_t setVAlignContent(int32_t value);
    int32_t setVAlignLine(int32_t value);
    int setLineSpacing(int value);  // negatives count as 0
    int getLineSpacing() const { return lineSpacing_; }
    int32_t textAlign() const { return textAlign_; }
    int32_t vAlignLine() const { return vAlignLine_; }
    int getWidth() const { return rect_.width(); }
    int getHeight() const { return rect_.height(); }
    const Rect& getRect() const { return rect_; }
    Point getPen() const { return {x_, y_}; }
    // Returns whether the bit was set before.
    bool setFlag(uint32_t mask, bool on);
    bool hasFlag(uint32_t mask) const { return (flags_ & mask) != 0; }

    void ensureNewLine();
    void newLine(int minHeight);
    bool hasContent() const { return x_ != rect_.left || !pending_.empty(); }
    // The view's size must be set before it is added.
    void add(View* view);
    virtual void finish();
    virtual Rect getUsedRect() const = 0;
    void flushPending();
    virtual void breakLine(int minHeight) = 0;

protected:
    // Puts one pending entry on the current line at the pen.
    virtual void commit(const Entry& entry) = 0;
    virtual void onAdded(View* view) { (void)view; }

    int32_t mode_;
    Rect rect_;
    int x_;
    int y_;
    int32_t textAlign_ = kAlignLeft;
    int32_t vAlignContent_ = kTop;
    int32_t vAlignLine_ = kBottom;
    uint32_t flags_ = 0;
    std::vector<Entry> pending_;
    int pendingWidth_ = 0;
    int lineSpacing_ = 0;
};

}  // namespace xhtml

namespace xhtml {

// How much layout work was done, for benchmarks and tests: boxes whose
// children were laid out in placing and in measuring mode.
struct LayoutCounters {
    int boxesLaidOut = 0;
    int boxesMeasured = 0;
};
LayoutCounters& layoutCounters();

}  // namespace xhtml

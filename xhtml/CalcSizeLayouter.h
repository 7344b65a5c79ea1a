#pragma once

#include "xhtml/Layouter.h"

namespace xhtml {

// The measuring layouter: fills lines exactly like the placing one but only
// keeps the widest line and the running height.
class CalcSizeLayouter : public Layouter {
public:
    explicit CalcSizeLayouter(const Rect& area) : Layouter(kMeasuring, area) {}

    Rect getUsedRect() const override {
        return {rect_.left, rect_.top, rect_.left + maxWidth_, y_};
    }
    void breakLine(int minHeight) override;

private:
    void commit(const Entry& entry) override;

    int lineHeight_ = 0;
    int maxWidth_ = 0;
};

}  // namespace xhtml

#pragma once

#include "xhtml/Layouter.h"

namespace xhtml {

// The placing layouter: remembers where every view goes, aligns each line
// when it ends and moves the views there in finish().
class NormalLayouter : public Layouter {
public:
    explicit NormalLayouter(const Rect& area) : Layouter(kNormal, area) {}

    void finish() override;
    Rect getUsedRect() const override;
    void breakLine(int minHeight) override;
    int lineItemCount() const { return static_cast<int>(placed_.size()) - lineStart_; }

private:
    struct Placed {
        View* view;
        Rect rect;
        int32_t vAlign;
    };

    void commit(const Entry& entry) override;
    void onAdded(View* view) override;

    std::vector<Placed> placed_;
    int lineStart_ = 0;
};

}  // namespace xhtml

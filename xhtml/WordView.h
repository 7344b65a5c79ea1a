#pragma once

#include <array>
#include <memory>

#include "xhtml/View.h"

namespace xhtml {

// One word of a text run, or a single blank (U+0020) between words.
class WordView : public View {
public:
    WordView(ViewContext* context, ZString text);

    bool isBlank() const override;
    void layout(Layouter& layouter) override;
    void paint(platform::gfx::Dc& dc, const Rect& clip) override;
    const ZString& text() const { return text_; }

    // Measured size per style state; width -1 means not measured.
    Size measured(int32_t state) const { return measured_[static_cast<size_t>(state & 3)]; }
    void setMeasured(int32_t state, Size size) { measured_[static_cast<size_t>(state & 3)] = size; }
    void clearMeasured();
    // The font the word was measured with in a state; painting reuses it.
    const std::shared_ptr<platform::gfx::Font>& measuredFont(int32_t state) const {
        return fonts_[static_cast<size_t>(state & 3)];
    }
    void setMeasuredFont(int32_t state, std::shared_ptr<platform::gfx::Font> font) {
        fonts_[static_cast<size_t>(state & 3)] = std::move(font);
    }

private:
    ZString text_;
    std::array<Size, kStateCount> measured_;
    std::array<std::shared_ptr<platform::gfx::Font>, kStateCount> fonts_;
};

// br: forces a line break of a remembered height.
class BreakView : public View {
public:
    explicit BreakView(ViewContext* context) : View(context, kBreakView) {}
    void layout(Layouter& layouter) override;

    int lineHeight() const { return lineHeight_; }
    void setLineHeight(int height) { lineHeight_ = height; }

private:
    int lineHeight_ = 0;
};

}  // namespace xhtml

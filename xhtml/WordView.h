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

    // The word's text extent in `font`. The font follows the current state
    // of the word's ancestors (getFont()), so hover and pressed styles that
    // change weight or size switch between a few fonts; each is measured once.
    Size sizeIn(const std::shared_ptr<platform::gfx::Font>& font);

private:
    struct Measured {
        std::shared_ptr<platform::gfx::Font> font;
        Size size;
    };
    ZString text_;
    std::array<Measured, kStateCount> measured_;
    size_t nextSlot_ = 0;
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

#include "xhtml/ButtonView.h"

#include "platform/gfx/Dc.h"
#include "platform/gfx/Font.h"
#include "platform/gui/Theme.h"

namespace xhtml {

namespace gui = platform::gui;

void ButtonView::layout(Layouter& layouter) {
    const auto font = getFont();
    const ZString label = styleString(StyleId::FormValue, ZString(), kStateNormal);
    const int width = scaleInt(16) + font->measure(label.view()).width;
    const int height = scaleInt(8) + font->lineHeight();
    layoutBox(layouter, width, height);
}

void ButtonView::paintContent(platform::gfx::Dc& dc, const Rect& clip) {
    const Rect content = getContentRect();
    if (!content.touches(clip)) return;
    gui::Theme::State state;
    state.hot = isHovered();
    state.pressed = (stateFlags() & kLeftPressed) != 0;
    state.disabled = isDisabled();
    gui::Theme::drawPushButton(dc, content, state);
    const auto font = getFont();
    const ZString label = styleString(StyleId::FormValue, ZString(), kStateNormal);
    const int textWidth = font->measure(label.view()).width;
    const int offset = state.pressed ? 1 : 0;
    const Color color = inheritedColor(StyleId::Color, 0);
    dc.textOut(content.left + (content.width() - textWidth) / 2 + offset,
               content.top + (content.height() - font->lineHeight()) / 2 + offset, label.view(),
               *font, platform::gfx::Color::fromColorRef(color));
}

}  // namespace xhtml

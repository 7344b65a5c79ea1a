// Layout of the views that flow inside a line: words, breaks, inline
// containers and images.
#include "platform/gfx/Font.h"
#include "xhtml/BoxView.h"
#include "xhtml/ImageCache.h"
#include "xhtml/Layouter.h"
#include "xhtml/TextView.h"
#include "xhtml/ViewContext.h"
#include "xhtml/WordView.h"

namespace xhtml {

namespace {
// The height a br gives an otherwise empty line, in device pixels whatever
// the resolution.
constexpr int kBreakLineHeight = 15;
}  // namespace

void WordView::layout(Layouter& layouter) {
    if (text().isEmpty()) return;
    // The font of the current context: an ancestor's hover style may have
    // changed it since the last layout.
    const Size size = sizeIn(getFont());
    setSize(size.width, size.height);
    layouter.add(this);
}

void BreakView::layout(Layouter& layouter) {
    setLineHeight(kBreakLineHeight);
    layouter.newLine(kBreakLineHeight);
}

void CompositeView::layout(Layouter& layouter) {
    const bool noWrapBefore = layouter.hasFlag(Layouter::kNoWrap);
    if (inheritedBool(StyleId::NoWrap)) layouter.setFlag(Layouter::kNoWrap, true);
    for (const auto& child : children_)
        if (child->isDisplayed()) child->layout(layouter);
    layouter.setFlag(Layouter::kNoWrap, noWrapBefore);
}

void InlineView::layout(Layouter& layouter) {
    const StyleValue* align = lookupStyle(StyleId::VerticalAlign);
    const int32_t previous = align ? layouter.setVAlignLine(align->toInt()) : 0;
    CompositeView::layout(layouter);
    if (align) layouter.setVAlignLine(previous);
}

const platform::gfx::Image* ImageView::image() {
    const ZString source = styleString(StyleId::ImageSource, ZString(), kStateNormal);
    if (source.isEmpty() || !context_) return nullptr;
    ImageCache& cache = context_->imageCache();
    ImageCache::Entry* entry = cache.find(source, context_->urlLoader());
    if (!entry || !entry->loaded) entry = &cache.load(source, context_->urlLoader());
    return entry->image.get();
}

void ImageView::layout(Layouter& layouter) {
    const platform::gfx::Image* picture = image();
    const Size intrinsic =
        picture ? Size{scaleInt(picture->width()), scaleInt(picture->height())} : Size{};
    const Size outer = outerSizeOf(intrinsic);
    Size size = computeSize(layouter.getWidth(), layouter.getHeight(), outer.width, outer.height);
    const bool widthChanged = size.width != outer.width;
    const bool heightChanged = size.height != outer.height;
    // One dimension given: the other follows the picture's proportions.
    if (widthChanged && !heightChanged && outer.width != 0)
        size.height =
            static_cast<int>(static_cast<double>(size.width) / outer.width * outer.height);
    else if (heightChanged && !widthChanged && outer.height != 0)
        size.width =
            static_cast<int>(static_cast<double>(size.height) / outer.height * outer.width);
    setSize(size.width, size.height);
    layouter.add(this);
}

}  // namespace xhtml

#include "xhtml/StyleLimits.h"

#include <algorithm>
#include <cmath>

#include "xhtml/StyleId.h"

namespace xhtml {

namespace {

struct Range {
    double low;
    double high;
};

// The range of property `id`, or null for a property that is not a number
// taken from documents (keywords, colours, strings, flags).
const Range* rangeOf(int32_t id) {
    static constexpr Range kLength{-StyleLimits::kMaxLength, StyleLimits::kMaxLength};
    static constexpr Range kFontSize{-StyleLimits::kMaxFontSize, StyleLimits::kMaxFontSize};
    static constexpr Range kCharacters{0, StyleLimits::kMaxCharacters};
    static constexpr Range kSpan{0, StyleLimits::kMaxSpan};
    static constexpr Range kWeight{0, StyleLimits::kMaxFontWeight};
    static constexpr Range kOpacity{0, 1};
    switch (id) {
    case StyleId::CellPadding:
    case StyleId::CellSpacing:
    case StyleId::BackgroundPositionX:
    case StyleId::BackgroundPositionY:
    case StyleId::Height:
    case StyleId::Width:
    case StyleId::MinHeight:
    case StyleId::MinWidth:
    case StyleId::TableBorder:
    case StyleId::Top:
    case StyleId::Left:
    case StyleId::Right:
    case StyleId::Bottom:
    case StyleId::LineSpacing:
        return &kLength;
    case StyleId::FontSize:
        return &kFontSize;
    case StyleId::FontWeight:
        return &kWeight;
    case StyleId::Size:
    case StyleId::Rows:
    case StyleId::Columns:
        return &kCharacters;
    case StyleId::ColumnSpan:
    case StyleId::RowSpan:
        return &kSpan;
    case StyleId::Opacity:
        return &kOpacity;
    default:
        break;
    }
    if ((id >= StyleId::Margin && id <= StyleId::PaddingBottom) ||
        (id >= StyleId::BorderWidth && id <= StyleId::BorderBottomWidth))
        return &kLength;
    return nullptr;
}

}  // namespace

StyleValue StyleLimits::limit(int32_t id, const StyleValue& value) {
    const Range* range = rangeOf(id);
    if (!range) return value;
    switch (value.kind()) {
    case StyleValue::Int: {
        const int32_t number = value.asInt();
        const int32_t kept = std::clamp(number, static_cast<int32_t>(range->low), static_cast<int32_t>(range->high));
        return kept == number ? value : StyleValue::makeInt(kept, value.isPercent());
    }
    case StyleValue::Double: {
        const double number = value.asDoublePayload();
        const double kept = std::isnan(number) ? 0.0 : std::clamp(number, range->low, range->high);
        return kept == number ? value : StyleValue::makeDouble(kept, value.isPercent());
    }
    default:
        // Strings, flags and colours are read as numbers only through
        // toDouble/toInt, which saturate.
        return value;
    }
}

}  // namespace xhtml

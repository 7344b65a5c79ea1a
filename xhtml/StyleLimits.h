#pragma once

#include <cstdint>

#include "xhtml/StyleValue.h"

namespace xhtml {

// The ranges numbers from a document are kept in. Every style value a view
// stores passes through `limit`, so layout and painting compute with
// numbers no real window leaves and their sums stay far from the int limits.
struct StyleLimits {
    // Lengths and positions in 96-dpi pixels, and percentages.
    static constexpr int32_t kMaxLength = 1'000'000;
    // Font sizes in 96-dpi pixels (a negative size is a cell height).
    static constexpr int32_t kMaxFontSize = 1'000;
    // Characters of an edit field, rows of a list or a text area, columns
    // of a text area.
    static constexpr int32_t kMaxCharacters = 1'000;
    // Columns or rows one table cell spans.
    static constexpr int32_t kMaxSpan = 1'000;
    static constexpr int32_t kMaxFontWeight = 1'000;

    // The value as stored for property `id`: numbers of a limited property
    // clamped into its range (NaN counts as 0), everything else as it is.
    static StyleValue limit(int32_t id, const StyleValue& value);
};

}  // namespace xhtml

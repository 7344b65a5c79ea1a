// Table layout: column widths from the cells' minimum and preferred widths,
// explicit sizes, spare space, then every cell placed on the grid.
#include <algorithm>
#include <cstdint>
#include <vector>

#include "xhtml/BoxView.h"
#include "xhtml/Layouter.h"

namespace xhtml {

namespace {

struct CellInfo {
    CellView* view;
    int column = 0;
    int row = 0;
    int columnSpan = 1;
    int rowSpan = 1;
    int explicitWidth = -1;
    int explicitHeight = -1;
    int minWidth = 0;
    int minHeight = 0;
    int preferredWidth = 0;
    int width = 0;
    int height = 0;
};

struct ColumnInfo {
    int explicitWidth = -1;
    int minWidth = 0;
    int preferredWidth = 0;
    int width = 0;
};

struct RowInfo {
    int explicitHeight = -1;
    int height = 0;
};

int lengthOf(const View& view, const StyleValue& value, double reference) {
    const double pixels = value.isPercent() ? value.toDouble() * reference / 100.0
                                            : value.toDouble() * view.dpiScale();
    return static_cast<int>(std::clamp(pixels, -1e8, 1e8));
}

int optionalLength(const View& view, int32_t id, double reference, int fallback) {
    const StyleValue* v = view.lookupStyle(id);
    return v ? lengthOf(view, *v, reference) : fallback;
}

// The tracks' sizes with a spacing before, between and after them.
template <typename Track>
int sumOf(const std::vector<Track>& tracks, int Track::*size, int spacing) {
    int64_t sum = int64_t{static_cast<int64_t>(tracks.size()) + 1} * spacing;
    for (const Track& t : tracks) sum += t.*size;
    return clampExtent(sum);
}

// Hands `amount` pixels out one at a time, in repeated passes over the
// tracks `canTake` accepts, until it is used up or nobody takes it. Whether
// a track takes does not change as it grows, so the passes are counted at
// once: a million pixels cost no more than a few.
template <typename Track, typename CanTake>
void spread(std::vector<Track>& tracks, int amount, CanTake canTake, int Track::*size) {
    const auto takers = std::count_if(tracks.begin(), tracks.end(), canTake);
    if (amount <= 0 || takers == 0) return;
    const int64_t each = amount / takers;
    int64_t rest = amount % takers;
    for (Track& t : tracks) {
        if (!canTake(t)) continue;
        t.*size = clampExtent(t.*size + each + (rest > 0 ? 1 : 0));
        if (rest > 0) --rest;
    }
}

// After a column grew by `d` pixels, whole passes take one pixel from every
// automatic column that is wider than its minimum until `d` is paid (a pass
// may take more) or nobody can give; runs of passes with the same givers
// are counted at once.
void takeBack(std::vector<ColumnInfo>& columns, int64_t d) {
    auto gives = [](const ColumnInfo& c) { return c.explicitWidth < 0 && c.width > c.minWidth; };
    while (d > 0) {
        int64_t givers = 0;
        int64_t room = INT64_MAX;
        for (const ColumnInfo& c : columns) {
            if (!gives(c)) continue;
            ++givers;
            room = std::min<int64_t>(room, int64_t{c.width} - c.minWidth);
        }
        if (givers == 0) return;
        const int64_t passes = std::min(room, (d + givers - 1) / givers);
        for (ColumnInfo& c : columns)
            if (gives(c)) c.width = static_cast<int>(c.width - passes);
        d -= passes * givers;
    }
}

}  // namespace

void TableView::layout(Layouter& layouter) {
    layouter.newLine(0);
    const int availableWidth = layouter.getWidth();
    const int availableHeight = layouter.getHeight();
    int tableWidth = optionalLength(*this, StyleId::Width, availableWidth, -1);
    const int tableHeight = optionalLength(*this, StyleId::Height, availableHeight, -1);
    const int minTableWidth = optionalLength(*this, StyleId::MinWidth, availableWidth, 0);
    const int minTableHeight = optionalLength(*this, StyleId::MinHeight, availableHeight, 0);
    const Size insets = outerSizeOf({0, 0});
    const int innerWidthTarget = tableWidth < 0 ? -1 : tableWidth - insets.width;
    const int innerMinWidth = minTableWidth - insets.width;
    const int innerHeightTarget = tableHeight < 0 ? -1 : tableHeight - insets.height;
    const int innerMinHeight = minTableHeight - insets.height;
    if (tableWidth < 0) tableWidth = availableWidth;
    tableWidth = std::max(tableWidth, minTableWidth);
    const int innerWidth = tableWidth - insets.width;

    const StyleValue* spacingValue = lookupStyle(StyleId::CellSpacing);
    const int spacing =
        spacingValue && spacingValue->toInt() >= 0 ? scaleInt(spacingValue->toInt()) : 0;

    const StyleValue* alignValue = lookupStyle(StyleId::TableAlign);
    if (!alignValue && parent()) alignValue = parent()->lookupInheritedStyle(StyleId::TextAlign);
    const int32_t align = alignValue ? alignValue->toInt() : Layouter::kAlignLeft;

    // Grid placement: each cell takes the first column its row leaves free.
    std::vector<CellInfo> cells;
    std::vector<std::vector<bool>> covered;
    int columnCount = 0;
    int rowCount = 0;
    for (const auto& child : children_) {
        if (child->type() != kRowView || !child->isDisplayed()) continue;
        auto* row = static_cast<RowView*>(child.get());
        const int r = rowCount++;
        int cellsInRow = 0;
        int column = 0;
        for (int i = 0; i < row->childCount(); ++i) {
            View* v = row->childAt(i);
            if (v->type() != kCellView || !v->isDisplayed()) continue;
            ++cellsInRow;
            CellInfo cell{static_cast<CellView*>(v)};
            cell.columnSpan = std::max(v->styleInt(StyleId::ColumnSpan, 1), 1);
            cell.rowSpan = std::max(v->styleInt(StyleId::RowSpan, 1), 1);
            if (covered.size() < static_cast<size_t>(r + 1))
                covered.resize(static_cast<size_t>(r + 1));
            while (static_cast<size_t>(column) < covered[static_cast<size_t>(r)].size() &&
                   covered[static_cast<size_t>(r)][static_cast<size_t>(column)])
                ++column;
            cell.column = column;
            cell.row = r;
            for (int rr = r; rr < r + cell.rowSpan; ++rr) {
                if (covered.size() < static_cast<size_t>(rr + 1))
                    covered.resize(static_cast<size_t>(rr + 1));
                auto& line = covered[static_cast<size_t>(rr)];
                if (line.size() < static_cast<size_t>(column + cell.columnSpan))
                    line.resize(static_cast<size_t>(column + cell.columnSpan), false);
                for (int c = column; c < column + cell.columnSpan; ++c)
                    line[static_cast<size_t>(c)] = true;
            }
            column += cell.columnSpan;
            cells.push_back(cell);
        }
        columnCount = std::max(columnCount, cellsInRow);
    }

    std::vector<ColumnInfo> columns(static_cast<size_t>(columnCount));
    std::vector<RowInfo> rows(static_cast<size_t>(rowCount));
    auto column = [&](const CellInfo& c) -> ColumnInfo* {
        return c.column < columnCount ? &columns[static_cast<size_t>(c.column)] : nullptr;
    };

    for (CellInfo& c : cells) {
        CellView& v = *c.view;
        c.explicitWidth = optionalLength(v, StyleId::Width, tableWidth, -1);
        if (const StyleValue* h = v.lookupStyle(StyleId::Height)) {
            if (h->isPercent())
                c.explicitHeight = tableHeight >= 0 ? lengthOf(v, *h, tableHeight) : -1;
            else
                c.explicitHeight = v.scaleInt(h->toInt());
        }
        c.minWidth = optionalLength(v, StyleId::MinWidth, tableWidth, 0);
        c.minHeight = optionalLength(v, StyleId::MinHeight, std::max(tableHeight, 0), 0);
        ColumnInfo* col = column(c);
        if (c.columnSpan == 1 && col && c.explicitWidth >= 0)
            col->explicitWidth = std::max(col->explicitWidth, c.explicitWidth);
        if (c.rowSpan == 1 && c.explicitHeight >= 0) {
            RowInfo& row = rows[static_cast<size_t>(c.row)];
            row.explicitHeight = std::max(row.explicitHeight, c.explicitHeight);
        }
    }

    for (CellInfo& c : cells) {
        // The narrowest the cell can be; the height wrapped to that width is
        // not a minimum for the row (the cell is measured again at its width).
        Size least = c.view->measure(0);
        if (least.width < c.minWidth) least = c.view->measure(c.minWidth);
        c.minWidth = std::max(least.width, c.minWidth);
        c.preferredWidth = c.view->measure(10000).width;
        ColumnInfo* col = column(c);
        if (c.columnSpan == 1 && col) {
            col->minWidth = std::max(col->minWidth, c.minWidth);
            col->preferredWidth = std::max(col->preferredWidth, c.preferredWidth);
        }
    }

    // A first proposal by preferred widths; no column starts wider than it wants.
    const int space = clampExtent(int64_t{innerWidth} - int64_t{columnCount + 1} * spacing);
    double preferredSum = 0;
    for (const ColumnInfo& col : columns) preferredSum += col.preferredWidth;
    for (ColumnInfo& col : columns) {
        const double share = preferredSum > 0 ? col.preferredWidth * 100.0 / preferredSum : 0.0;
        const int proposal = static_cast<int>(space * share / 100.0);
        col.width = std::min(col.preferredWidth, proposal);
    }

    // Explicit widths and minimums win; automatic columns pay or receive.
    for (ColumnInfo& col : columns) {
        if (col.explicitWidth < 0 && col.width >= col.minWidth) continue;
        const int target = std::max(col.minWidth, col.explicitWidth);
        const int d = clampExtent(int64_t{target} - col.width);
        col.width = target;
        // A column that shrank gives whole passes of one pixel to every
        // automatic column (a pass may give more).
        const auto automatic = std::count_if(columns.begin(), columns.end(),
                                             [](const ColumnInfo& c) { return c.explicitWidth < 0; });
        if (d < 0 && automatic > 0) {
            const int64_t passes = (-int64_t{d} + automatic - 1) / automatic;
            for (ColumnInfo& other : columns)
                if (other.explicitWidth < 0) other.width = clampExtent(other.width + passes);
        }
        takeBack(columns, d);
    }

    int totalWidth = sumOf(columns, &ColumnInfo::width, spacing);
    const int widthTarget = std::max(innerMinWidth, innerWidthTarget);
    if (totalWidth < widthTarget) {
        spread(
            columns, widthTarget - totalWidth,
            [](const ColumnInfo& c) { return c.explicitWidth < 0; }, &ColumnInfo::width);
        totalWidth = sumOf(columns, &ColumnInfo::width, spacing);
    }

    for (CellInfo& c : cells) {
        int64_t width = int64_t{c.columnSpan - 1} * spacing;
        for (int k = c.column; k < std::min(c.column + c.columnSpan, columnCount); ++k)
            width += columns[static_cast<size_t>(k)].width;
        c.width = clampExtent(width);
        c.height = std::max(c.view->measure(c.width).height, c.minHeight);
        if (c.rowSpan == 1) {
            RowInfo& row = rows[static_cast<size_t>(c.row)];
            row.height = std::max(row.height, c.height);
        }
    }
    for (RowInfo& row : rows) row.height = std::max(row.height, row.explicitHeight);
    int totalHeight = sumOf(rows, &RowInfo::height, spacing);
    const int heightTarget = std::max(innerMinHeight, innerHeightTarget);
    if (totalHeight < heightTarget) {
        spread(
            rows, heightTarget - totalHeight, [](const RowInfo& r) { return r.explicitHeight < 0; },
            &RowInfo::height);
        totalHeight = sumOf(rows, &RowInfo::height, spacing);
    }

    std::vector<int> columnX(static_cast<size_t>(columnCount) + 1, spacing);
    for (int k = 0; k < columnCount; ++k)
        columnX[static_cast<size_t>(k) + 1] = clampExtent(int64_t{columnX[static_cast<size_t>(k)]} +
                                                          columns[static_cast<size_t>(k)].width + spacing);
    std::vector<int> rowY(static_cast<size_t>(rowCount) + 1, spacing);
    for (int k = 0; k < rowCount; ++k)
        rowY[static_cast<size_t>(k) + 1] = clampExtent(int64_t{rowY[static_cast<size_t>(k)]} +
                                                       rows[static_cast<size_t>(k)].height + spacing);

    const Rect content = getContentRect();
    for (CellInfo& c : cells) {
        int64_t height = int64_t{c.rowSpan - 1} * spacing;
        for (int k = c.row; k < std::min(c.row + c.rowSpan, rowCount); ++k)
            height += rows[static_cast<size_t>(k)].height;
        CellView& v = *c.view;
        v.setSize(c.width, clampExtent(height));
        v.layoutChildren(v.getContentRect(), layouter.getMode());
        const int64_t x =
            int64_t{content.left} +
            (c.column < columnCount ? columnX[static_cast<size_t>(c.column)] : totalWidth);
        v.setPosition(clampExtent(x), clampExtent(int64_t{content.top} + rowY[static_cast<size_t>(c.row)]));
    }

    const Size outer = outerSizeOf({totalWidth, totalHeight});
    setSize(outer.width, outer.height);
    const int32_t previous = layouter.setTextAlign(align);
    layouter.add(this);
    layouter.newLine(0);
    layouter.setTextAlign(previous);
}

void TableView::relayoutNeeded() {
    // A table is never re-laid out on its own: its cells depend on each other.
    if (parent_) parent_->relayoutNeeded();
}

}  // namespace xhtml

#include <gtest/gtest.h>

#include "RenderFixture.h"

using namespace xhtml;
using xhtml::testing::Page;
using xhtml::testing::textWidth;

// Columns and the grid.

TEST(TableGrid, ColumnsCountCellsNotSpans) {
    Page page(
        "<table id='t'><tr><td id='a1'>a</td><td id='a2' colspan='2'>b</td></tr>"
        "<tr><td id='b1'>c</td><td id='b2'>d</td><td id='b3'>e</td></tr></table>",
        400);
    EXPECT_EQ(page.rect("b3").left, page.rect("b2").right);
    // The spanning cell covers the second and third column.
    EXPECT_EQ(page.rect("a2").left, page.rect("b2").left);
    EXPECT_EQ(page.rect("a2").right, page.rect("b3").right);
    EXPECT_EQ(page.rect("t").width(),
              page.rect("b1").width() + page.rect("b2").width() + page.rect("b3").width());
}

TEST(TableGrid, RowSpanKeepsItsColumnInTheRowsItReaches) {
    Page page(
        "<table id='t' cellspacing='1'><tr><td id='tall' rowspan='2'>t</td><td id='x1'>1</td></tr>"
        "<tr><td id='x2'>2</td></tr></table>",
        400);
    EXPECT_EQ(page.rect("x2").left, page.rect("x1").left);
    EXPECT_EQ(page.rect("x2").top, page.rect("x1").bottom + 1);
    EXPECT_EQ(page.rect("tall").height(), page.rect("x1").height() + 1 + page.rect("x2").height());
}

TEST(TableGrid, HiddenRowTakesNoSpaceAndItsCellsAreNotPlaced) {
    Page page(
        "<table id='t'><tr><td id='a'>x</td></tr><tr style='display:none'><td id='h'>hidden "
        "words</td></tr>"
        "<tr><td id='c'>z</td></tr></table>",
        400);
    EXPECT_EQ(page.rect("c").top, page.rect("a").bottom);
    EXPECT_EQ(page.rect("t").height(), page.rect("a").height() + page.rect("c").height());
    EXPECT_EQ(page.rect("t").width(), std::max(textWidth(u"x"), textWidth(u"z")));
    EXPECT_TRUE(page.rect("h").isEmpty());
}

// Column widths.

TEST(TableWidths, PercentColumnsFillAFullWidthTableExactly) {
    Page page(
        "<div style='width:500px'><table id='t' style='width:100%' cellspacing='0'><tr>"
        "<td id='l' style='width:43%'>labels</td><td id='r' "
        "style='width:57%'>fields</td></tr></table></div>",
        600);
    EXPECT_EQ(page.rect("l").width(), 215);
    EXPECT_EQ(page.rect("r").width(), 285);
    EXPECT_EQ(page.rect("r").left, 215);
    EXPECT_EQ(page.rect("t").width(), 500);
}

TEST(TableWidths, TableWithoutWidthIsAsNarrowAsItsColumns) {
    Page page("<table id='t' cellspacing='2'><tr><td>ab</td><td>cd</td></tr></table>", 600);
    EXPECT_EQ(page.rect("t").width(), textWidth(u"ab") + textWidth(u"cd") + 3 * 2);
}

TEST(TableWidths, SpareRoomGoesToAutomaticColumnsOnly) {
    Page page(
        "<table id='t' style='width:300px'><tr><td id='f' style='width:100px'>a</td><td "
        "id='g'>b</td></tr></table>",
        600);
    EXPECT_EQ(page.rect("f").width(), 100);
    EXPECT_EQ(page.rect("g").width(), 200);
    EXPECT_EQ(page.rect("t").width(), 300);
}

TEST(TableWidths, LongWordRaisesItsColumnAndTheOthersPay) {
    std::string text;
    for (int i = 0; i < 20; ++i) text += "word ";
    Page page("<table id='t' style='width:200px'><tr><td id='l'>" + text +
                  "</td><td id='r'>Extraordinarily</td></tr></table>",
              600);
    EXPECT_EQ(page.rect("r").width(), textWidth(u"Extraordinarily"));
    EXPECT_EQ(page.rect("l").width(), 200 - textWidth(u"Extraordinarily"));
    EXPECT_EQ(page.rect("t").width(), 200);
    EXPECT_EQ(page.wordRect(u"Extraordinarily").left, page.rect("r").left);
}

TEST(TableWidths, SpacingIsScaledAndSurroundsEveryColumn) {
    Page page("<table id='t' cellspacing='2'><tr><td id='a'>x</td><td id='b'>y</td></tr></table>",
              600, 144);
    const Rect t = page.rect("t");
    EXPECT_EQ(page.rect("a").left, t.left + 3);
    EXPECT_EQ(page.rect("a").top, t.top + 3);
    EXPECT_EQ(page.rect("b").left, page.rect("a").right + 3);
    EXPECT_EQ(t.right, page.rect("b").right + 3);
    EXPECT_EQ(t.height(), page.rect("a").height() + 6);
}

// Heights and placement of the table in its line.

TEST(TableHeights, ExplicitRowHeightAndTableHeightGrowTheRows) {
    Page page(
        "<table id='t' style='height:100px'><tr><td id='a' style='height:40px'>x</td></tr>"
        "<tr><td id='b'>y</td></tr></table>",
        600);
    EXPECT_EQ(page.rect("a").height(), 40);
    EXPECT_EQ(page.rect("b").height(), 60);
    EXPECT_EQ(page.rect("t").height(), 100);
}

TEST(TablePlacement, AlignedAsAWholeAndAlwaysOnItsOwnLine) {
    Page page(
        "<div style='width:400px'>before<table id='t' "
        "align='center'><tr><td>cell</td></tr></table>after</div>",
        600);
    const Rect t = page.rect("t");
    EXPECT_EQ(t.left, (400 - t.width()) / 2);
    EXPECT_EQ(t.top, page.wordRect(u"before").bottom);
    EXPECT_EQ(page.wordRect(u"after").top, t.bottom);
    EXPECT_EQ(page.wordRect(u"cell").left, t.left);
}

TEST(TablePlacement, CellContentFollowsTheCellsAlignment) {
    Page page(
        "<table style='width:200px'><tr><td id='c' style='height:60px;text-align:right' "
        "valign='middle'>r</td></tr></table>",
        600);
    const Rect c = page.rect("c");
    EXPECT_EQ(page.wordRect(u"r").right, c.right);
    EXPECT_EQ(page.wordRect(u"r").top, c.top + (60 - 17) / 2);
}

TEST(TableGrid, AbsurdSpansAndWidthsStayBounded) {
    Page page(
        "<table id='t'><tr><td colspan='2000000000' rowspan='2000000000'>x</td><td "
        "id='b'>y</td></tr></table>"
        "<div id='d' style='width:100000000000px'>z</div>",
        300);
    EXPECT_EQ(page.rect("b").top, page.rect("t").top);
    EXPECT_EQ(page.rect("d").width(), 1000000) << "the largest length a document can give";
}

#include "tables/grid_text.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

Grid sample() {
    Grid g;
    g.columns = {{"桩号(m)", 80, ""}, {"坐标X(m)", 80, ""}, {"备注", 80, ""}};
    auto& r0 = g.addRow(0);
    r0.cells[0].text = "K0+100.000";
    r0.cells[1].text = "  12.3400";
    r0.cells[2].text = "a,\"b\"";
    auto& r1 = g.addRow(1);
    r1.cells[0].text = "x\ty";
    r1.cells[2].text = "line1\nline2";
    return g;
}

TEST(GridText, TsvKeepsLeadingBlanksAndEmptyCells) {
    EXPECT_EQ(gridToTsv(sample()),
              "桩号(m)\t坐标X(m)\t备注\n"
              "K0+100.000\t  12.3400\ta,\"b\"\n"
              "x y\t\tline1 line2\n");
}

TEST(GridText, CsvQuotesPerRfc4180) {
    EXPECT_EQ(gridToCsv(sample()),
              "桩号(m),坐标X(m),备注\r\n"
              "K0+100.000,  12.3400,\"a,\"\"b\"\"\"\r\n"
              "x\ty,,\"line1\nline2\"\r\n");
}

TEST(GridText, RowShorterThanHeaderIsPadded) {
    Grid g;
    g.columns = {{"a", 80, ""}, {"b", 80, ""}};
    g.rows.emplace_back();  // no cells at all
    EXPECT_EQ(gridToTsv(g), "a\tb\n\t\n");
    EXPECT_EQ(gridToCsv(g), "a,b\r\n,\r\n");
}

// The row offered for a new record: the last row, showing no record, with a cell
// that takes input; typed text counts only where the row commands ask for it.
// A cell's choices and tip are values: a copied grid (an undo snapshot, a shown
// table) is changed apart from the one it was copied from.
TEST(GridText, CellChoicesAndTipAreCopiedAsValues) {
    Grid g = sample();
    GridCell& c = g.cell(0, 1);
    EXPECT_TRUE(c.choices.empty());
    EXPECT_EQ(c.hint.get(), "");
    c.choices = std::vector<std::string>{"直线", "左转圆"};
    c.hint = "宽度(m)";
    Grid copy = g;
    copy.cell(0, 1).choices = std::vector<std::string>{"右转圆"};
    copy.cell(0, 1).hint = "";
    EXPECT_EQ(c.choices, (std::vector<std::string>{"直线", "左转圆"}));
    EXPECT_EQ(c.hint, std::string("宽度(m)"));
    EXPECT_EQ(copy.cell(0, 1).choices.size(), 1u);
    EXPECT_TRUE(copy.cell(0, 1).hint.empty());
    EXPECT_FALSE(copy.cell(0, 1).choices == c.choices);
    copy = g;  // assigned back: equal again
    EXPECT_TRUE(copy.cell(0, 1).choices == c.choices);
    EXPECT_EQ(copy.cell(0, 1).hint.get(), "宽度(m)");
}

TEST(GridText, NewRecordRowIsTheEmptyEditableLastRow) {
    struct Case {
        const char* what;
        int recordIndex;      // of the last row
        bool editable;        // its first cell takes input
        const char* typed;    // text in its first cell
        int cellRecord;       // recordIndex of its second cell
        bool plain, evenTyped;
    };
    const Case cases[] = {
        {"empty editable row", -1, true, "", -1, true, true},
        {"typed but not stored", -1, true, "K0+100", -1, false, true},
        {"a record's row", 3, true, "", -1, false, false},
        {"read-only row", -1, false, "", -1, false, false},
        {"a cell shows a record", -1, true, "", 2, false, false},
    };
    for (const Case& c : cases) {
        Grid g = sample();
        GridRow& last = g.addRow(c.recordIndex);
        last.cells[0].editable = c.editable;
        last.cells[0].text = c.typed;
        last.cells[1].recordIndex = c.cellRecord;
        const int row = g.rowCount() - 1;
        EXPECT_EQ(isNewRecordRow(g, row), c.plain) << c.what;
        EXPECT_EQ(isNewRecordRow(g, row, true), c.evenTyped) << c.what;
        EXPECT_FALSE(isNewRecordRow(g, row - 1, true)) << c.what;  // not the last row
        EXPECT_FALSE(isNewRecordRow(g, row + 1, true)) << c.what;  // past the end
    }
    EXPECT_FALSE(isNewRecordRow(Grid{}, -1, true));
}

}  // namespace
}  // namespace vornex

#include "tables/document_tables.h"

#include <gtest/gtest.h>

#include "support/scripted_prompter.h"

namespace vornex {
namespace {

namespace tc = table_code;
using testing::ScriptedPrompter;

// A document whose current road has every parent a data-entry table needs: a
// slope template, a tunnel-section template, a tunnel, a bridge with a pier and
// a right plate (for the change tables' plate column).
struct EditedDocument {
    ScriptedPrompter prompter;
    CVornexPcDoc doc{prompter};
    std::vector<DocumentChange> heard;

    EditedDocument() {
        doc.onNewDocument();
        Road& road = *doc.currentRoad();
        road.slopeTemplates.resize(1);
        road.tunnelTemplates.resize(1);
        road.tunnels.resize(1);
        road.currentTunnel = 0;
        road.bridges.resize(1);
        road.bridges[0].piers.resize(1);
        road.currentBridge = 0;
        road.currentPier = 0;
        CrossSectionPlate plate;
        plate.side = 2;
        plate.width = 3.75;
        road.plates = {plate};
        doc.addObserver([this](const DocumentChange& c) { heard.push_back(c); });
    }
    DataTableContext context(int side = 2) { return documentTableContext(doc, side, 0, 0); }
};

TEST(DocumentTables, EveryDataTableEditMarksTheDocumentAndTellsTheViews) {
    struct Case {
        int code;
        int column;       // typed into the empty last row, then again into the new record
        const char* first;
        const char* second;
        bool everything;  // the edit reaches beyond its own list
    };
    const Case cases[] = {
        {tc::kControlPoints, 1, "10", "11", false},
        {tc::kChainBreaks, 1, "500", "600", true},
        {tc::kIntersectionPoints, 0, "JD1", "JD2", true},
        {tc::kGradePoints, 1, "10", "11", false},
        {tc::kPlates, 1, "3", "4", true},
        {tc::kWidthChanges, 2, "4", "5", false},
        {tc::kCrossfallChanges, 2, "2", "3", false},
        {tc::kExcavationContour, 0, "1", "2", false},
        {tc::kPrimaryContour, 1, "1", "2", false},
        {tc::kSecondaryContour, 2, "5", "6", false},
        {tc::kBlastHoles, 0, "P1", "P2", false},
        {tc::kTunnelSlopeRules, 0, "2", "3", false},
        {tc::kTunnelStationRules, 0, "100", "200", false},
        {tc::kSlopeAssignments, 0, "100", "200", false},
        {tc::kSlopeTemplateRows, 1, "1", "2", false},
        {tc::kPiles, 0, "P1", "P2", false},
        {tc::kStructures, 4, "8", "9", false},
    };
    for (const Case& c : cases) {
        EditedDocument e;
        DataTableContext ctx = e.context();
        Grid grid = buildDataTable(e.doc.project(), c.code, ctx);
        const int road = c.code == tc::kControlPoints ? -1 : 0;
        const int emptyRow = grid.rowCount() - 1;
        DataEdit edit = storeDataCell(e.doc.project(), ctx, grid, emptyRow, c.column, c.first);
        ASSERT_TRUE(edit) << c.code;
        EXPECT_TRUE(e.doc.modified()) << c.code;
        ASSERT_EQ(e.heard.size(), 1u) << c.code;  // told once
        EXPECT_EQ(e.heard[0], edit.change) << c.code;
        EXPECT_EQ(e.heard[0].table, c.code);
        EXPECT_EQ(e.heard[0].road, road) << c.code;
        EXPECT_EQ(e.heard[0].everything, c.everything) << c.code;
        EXPECT_EQ(e.heard[0].record, -1) << c.code;  // a record was added: the list changed

        // The same cell of the new record: one record changed in place.
        e.doc.setModified(false);
        grid = buildDataTable(e.doc.project(), c.code, ctx);
        const int row = rowOfRecord(grid, edit.record);
        ASSERT_GE(row, 0) << c.code;
        edit = storeDataCell(e.doc.project(), ctx, grid, row, c.column, c.second);
        ASSERT_TRUE(edit) << c.code;
        EXPECT_TRUE(e.doc.modified()) << c.code;
        ASSERT_EQ(e.heard.size(), 2u) << c.code;
        if (!c.everything && c.code != tc::kWidthChanges && c.code != tc::kCrossfallChanges) {
            EXPECT_EQ(e.heard[1], DocumentChange::ofRecord(road, c.code, edit.record)) << c.code;
        }

        // Typing what the cell already shows changes nothing and tells nobody.
        e.doc.setModified(false);
        grid = buildDataTable(e.doc.project(), c.code, ctx);
        const std::string shown = grid.cell(row, c.column).text;
        EXPECT_FALSE(storeDataCell(e.doc.project(), ctx, grid, row, c.column, shown)) << c.code;
        EXPECT_FALSE(e.doc.modified()) << c.code;
        EXPECT_EQ(e.heard.size(), 2u) << c.code;
    }
}

TEST(DocumentTables, RowCommandsMarkTheDocumentOnlyWhenTheyChangeSomething) {
    EditedDocument e;
    Road& road = *e.doc.currentRoad();
    road.gradePoints = {{100, 10, 0}, {200, 12, 0}};
    DataTableContext ctx = e.context();
    const auto grid = [&](int code = tc::kGradePoints) { return buildDataTable(e.doc.project(), code, ctx); };
    struct Step {
        const char* what;
        std::function<bool()> run;
        bool changes;
    };
    ScriptedPrompter& ask = e.prompter;
    const Step steps[] = {
        {"insert", [&] { return static_cast<bool>(insertRow(e.doc.project(), ctx, grid(), 0)); }, true},
        {"move", [&] { return static_cast<bool>(moveRow(e.doc.project(), ctx, grid(), 1, true)); }, true},
        {"move onto the empty row", [&] { return static_cast<bool>(moveRow(e.doc.project(), ctx, grid(), 2, false)); }, false},
        {"delete, answered No", [&] {
             ask.yesNoAnswers = {false};
             return deleteRows(e.doc.project(), ctx, grid(), 0, 0, ask) > 0;
         }, false},
        {"delete", [&] {
             ask.yesNoAnswers = {true};
             return deleteRows(e.doc.project(), ctx, grid(), 0, 0, ask) > 0;
         }, true},
        {"paste", [&] {
             ask.yesNoAnswers = {true};
             Grid g = grid();
             return static_cast<bool>(pasteCells(e.doc.project(), ctx, g, 0, 1, "20\t100\r\n", ask));
         }, true},
        {"clear", [&] {
             Grid g = grid();
             return static_cast<bool>(clearCells(e.doc.project(), ctx, g, {0, 2, 0, 2}));
         }, true},
        {"clear of empty cells", [&] {
             Grid g = grid();
             return static_cast<bool>(clearCells(e.doc.project(), ctx, g, {0, 2, 0, 2}));
         }, false},
        {"same as the left side", [&] {
             ask.yesNoAnswers = {true};
             return sameAsSide(e.doc.project(), ctx, tc::kPlates, 1, ask);
         }, true},
        {"same as the previous pier", [&] {
             return sameAsPier(e.doc.project(), ctx, true, ask);  // the only pier: nothing to copy
         }, false},
    };
    for (const Step& s : steps) {
        e.doc.setModified(false);
        const std::size_t before = e.heard.size();
        EXPECT_EQ(s.run(), s.changes) << s.what;
        EXPECT_EQ(e.doc.modified(), s.changes) << s.what;
        EXPECT_EQ(e.heard.size(), before + (s.changes ? 1u : 0u)) << s.what;
    }
    EXPECT_EQ(road.gradePoints, (std::vector<GradePoint>{{0, 20, 0}, {200, 12, 0}}));
}

TEST(DocumentTables, AlignmentEditRecomputesOnceAndTellsEverything) {
    EditedDocument e;
    DataTableContext ctx = e.context();
    Road& road = *e.doc.currentRoad();
    road.intersectionPoints = {{}, {}, {}};
    road.intersectionPoints[1].x = 1000;  // north, then east: a right turn
    road.intersectionPoints[2].x = 1000;
    road.intersectionPoints[2].y = 1000;
    Grid grid = buildDataTable(e.doc.project(), tc::kIntersectionPoints, ctx);
    ASSERT_TRUE(storeDataCell(e.doc.project(), ctx, grid, 1, 4, "300"));
    EXPECT_EQ(e.heard.size(), 1u);
    EXPECT_TRUE(e.heard.back().everything);
    EXPECT_EQ(road.elements.size(), 3u);  // straight, arc, straight
    EXPECT_NEAR(road.elements[1].startRadius, 300, 1e-12);
}

}  // namespace
}  // namespace vornex

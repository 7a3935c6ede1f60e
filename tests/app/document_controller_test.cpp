#include <QSignalSpy>

#include <gtest/gtest.h>

#include "app/document_controller.h"
#include "app_fixture.h"

namespace vornex::app {
namespace {

using testing::ScriptedPrompter;
using testing::TempDir;

// An edit of the current road's grade points: appends one.
bool addGradePoint(DocumentController& c, double station) {
    return c.edit(QStringLiteral("输入"), EditScope::CurrentRoad, int(RecordKind::GradePoint), -1, [&] {
        GradePoint g;
        g.station = station;
        c.doc().currentRoad()->gradePoints.push_back(g);
    });
}

TEST(DocumentController, EditsAreUndoneAndRedoneAndMarkTheDocument) {
    ScriptedPrompter prompter;
    DocumentController c(prompter);
    QSignalSpy changed(&c, &DocumentController::changed);
    EXPECT_FALSE(c.modified());
    ASSERT_TRUE(addGradePoint(c, 10));
    EXPECT_TRUE(c.modified());
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed[0][0].toInt(), int(RecordKind::GradePoint));
    ASSERT_TRUE(addGradePoint(c, 20));
    c.undo();
    EXPECT_EQ(c.doc().currentRoad()->gradePoints.size(), 1u);
    c.undo();
    EXPECT_TRUE(c.doc().currentRoad()->gradePoints.empty());
    EXPECT_FALSE(c.modified());  // back at the state of New
    EXPECT_FALSE(c.canUndo());
    c.redo();
    c.redo();
    ASSERT_EQ(c.doc().currentRoad()->gradePoints.size(), 2u);
    EXPECT_EQ(c.doc().currentRoad()->gradePoints[1].station, 20);
    EXPECT_TRUE(c.modified());
    // An edit that changes nothing is no step.
    EXPECT_FALSE(c.edit(QStringLiteral("无"), EditScope::CurrentRoad, 2, -1, [] {}));
    EXPECT_EQ(c.undoStack().count(), 2);
}

TEST(DocumentController, UndoAfterSaveMarksTheDocumentModified) {
    ScriptedPrompter prompter;
    DocumentController c(prompter);
    TempDir dir;
    ASSERT_TRUE(addGradePoint(c, 10));
    ASSERT_EQ(c.save(QString::fromStdString((dir / "a.rod").string())), 1);
    EXPECT_FALSE(c.modified());
    EXPECT_EQ(c.displayName(), QStringLiteral("a.rod"));
    c.undo();
    EXPECT_TRUE(c.modified());
    c.redo();
    EXPECT_FALSE(c.modified());  // back at the saved state
}

TEST(DocumentController, KeepsAtLeastAHundredSteps) {
    ScriptedPrompter prompter;
    DocumentController c(prompter);
    for (int i = 0; i < 150; ++i) ASSERT_TRUE(addGradePoint(c, i));
    int undone = 0;
    while (c.canUndo()) {
        c.undo();
        ++undone;
    }
    EXPECT_EQ(undone, 150);
    EXPECT_TRUE(c.doc().currentRoad()->gradePoints.empty());
}

TEST(DocumentController, HistoryIsBoundedByMemory) {
    ScriptedPrompter prompter;
    DocumentController c(prompter);
    // A road of about 24 kB per snapshot; 100 kB of history keeps the last few.
    c.edit(QStringLiteral("大"), EditScope::CurrentRoad, 2, -1,
           [&] { c.doc().currentRoad()->gradePoints.resize(1000); });
    c.setUndoMemoryLimit(100 * 1024);
    for (int i = 0; i < 20; ++i) ASSERT_TRUE(addGradePoint(c, i));
    EXPECT_LE(c.undoMemory(), 100u * 1024u + 30u * 1024u);
    int undone = 0;
    while (c.canUndo()) {
        c.undo();
        ++undone;
    }
    EXPECT_GE(undone, 1);
    EXPECT_LT(undone, 20);
    // What is left undone in order: the newest steps.
    EXPECT_EQ(c.doc().currentRoad()->gradePoints.size(), 1000u + 20u - std::size_t(undone));
}

TEST(DocumentController, ProjectScopeCoversTheRoadList) {
    ScriptedPrompter prompter;
    DocumentController c(prompter);
    ASSERT_TRUE(c.edit(QStringLiteral("增加路线"), EditScope::Project, change::kRoads, -1, [&] { c.doc().addRoad(); }));
    ASSERT_EQ(c.project().roads.size(), 2u);
    ASSERT_TRUE(addGradePoint(c, 5));  // on the new current road
    c.undo();
    c.undo();
    EXPECT_EQ(c.project().roads.size(), 1u);
    EXPECT_EQ(c.project().currentRoad, 0);
    c.redo();
    c.redo();
    EXPECT_EQ(c.project().roads.size(), 2u);
    EXPECT_EQ(c.project().roads[1].gradePoints.size(), 1u);
}

TEST(DocumentController, UndoShowsTheRoadItBelongsTo) {
    ScriptedPrompter prompter;
    DocumentController c(prompter);
    ASSERT_TRUE(c.edit(QStringLiteral("增加路线"), EditScope::Project, change::kRoads, -1, [&] { c.doc().addRoad(); }));
    c.setCurrentRoad(0);
    ASSERT_TRUE(addGradePoint(c, 7));
    c.setCurrentRoad(1);
    c.undo();
    EXPECT_EQ(c.project().currentRoad, 0);
    EXPECT_TRUE(c.project().roads[0].gradePoints.empty());
    EXPECT_TRUE(c.project().roads[1].gradePoints.empty());
    c.redo();
    EXPECT_EQ(c.project().roads[0].gradePoints.size(), 1u);
}

TEST(DocumentController, FailedOpenLeavesANewProject) {
    ScriptedPrompter prompter;
    DocumentController c(prompter);
    TempDir dir;
    const auto bad = dir / "bad.rod";
    std::ofstream(bad) << "not a project";
    ASSERT_TRUE(addGradePoint(c, 1));
    EXPECT_LE(c.open(QString::fromStdString(bad.string())), 0);
    ASSERT_EQ(c.project().roads.size(), 1u);
    EXPECT_EQ(c.project().roads[0].name.utf8(), "Road01");
    EXPECT_FALSE(c.modified());
    EXPECT_FALSE(c.canUndo());
    EXPECT_TRUE(c.filePath().isEmpty());
}

}  // namespace
}  // namespace vornex::app

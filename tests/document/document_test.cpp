#include "document/document.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "document/project_file.h"
#include "geometry/intersection_alignment.h"
#include "support/scripted_prompter.h"
#include "support/temp_dir.h"
#include "text/text.h"

namespace vornex {
namespace {

using testing::ScriptedPrompter;
using testing::TempDir;

std::vector<std::string> roadNames(const CVornexPcDoc& doc) {
    std::vector<std::string> names;
    for (const Road& r : doc.project().roads) names.push_back(r.name.utf8());
    return names;
}

IntersectionPoint point(double x, double y, double radius = 0) {
    IntersectionPoint p;
    p.x = x;
    p.y = y;
    p.radius = radius;
    return p;
}

// A 交点法 road: a 90° circular curve of radius 100 between two 200 m legs.
void giveCurve(Road& road) {
    road.intersectionPoints = {point(0, 0), point(0, 200, 100), point(200, 200)};
}

TEST(Document, NewProjectHoldsOneRoadAndDefaults) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.project().projectName = "old";
    doc.startPosition = 4;
    ASSERT_TRUE(doc.onNewDocument());
    EXPECT_EQ(roadNames(doc), std::vector<std::string>{"Road01"});
    EXPECT_EQ(doc.project().currentRoad, 0);
    EXPECT_TRUE(doc.project().projectName.empty());
    EXPECT_TRUE(doc.project().password.empty());
    EXPECT_EQ(doc.project().precision, 0.0001);
    EXPECT_TRUE(doc.editable());
    EXPECT_FALSE(doc.modified());
    EXPECT_EQ(doc.startPosition, 1);
    EXPECT_EQ(doc.currentTable, kNoTable);
    const Road& road = doc.project().roads[0];
    EXPECT_EQ(road.stationPrefix.str(), "K");
    EXPECT_EQ(road.roadKey, kFormatVersion);

    doc.deleteContents();
    EXPECT_TRUE(doc.project().roads.empty());
    EXPECT_EQ(doc.project().currentRoad, -1);
    EXPECT_EQ(doc.currentRoad(), nullptr);
}

TEST(Document, AddedRoadsTakeTheSmallestFreeNumber) {
    EXPECT_EQ(newRoadName(0), "Road01");
    EXPECT_EQ(newRoadName(8), "Road09");
    EXPECT_EQ(newRoadName(9), "Road10");
    EXPECT_EQ(newRoadName(99), "Road100");

    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    for (int i = 0; i < 10; ++i) doc.addRoad();
    std::vector<std::string> names = roadNames(doc);
    ASSERT_EQ(names.size(), 11u);
    EXPECT_EQ(names[1], "Road02");
    EXPECT_EQ(names[8], "Road09");
    EXPECT_EQ(names[9], "Road10");
    EXPECT_EQ(names[10], "Road11");
    EXPECT_EQ(doc.project().currentRoad, 10);
    EXPECT_TRUE(doc.modified());

    // After a deletion the freed number is taken again: no name comes twice.
    doc.setCurrentRoad(1);
    prompter.yesNoAnswers = {true};
    ASSERT_TRUE(doc.deleteCurrentRoad());
    doc.addRoad();
    EXPECT_EQ(roadNames(doc).back(), "Road02");
    doc.addRoad();
    EXPECT_EQ(roadNames(doc).back(), "Road12");
    // Names typed by the user count as taken too.
    doc.project().roads[0].name = "Road13";
    doc.addRoad();
    EXPECT_EQ(roadNames(doc).back(), "Road01");
}

TEST(Document, DeletingAsksFirstAndNeverLeavesTheProjectEmpty) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    doc.addRoad();
    doc.setModified(false);

    // No answer given: the default is No.
    EXPECT_FALSE(doc.deleteCurrentRoad());
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0], "您是否真的要删除路线<Road02>?");
    EXPECT_EQ(doc.project().roads.size(), 2u);
    EXPECT_FALSE(doc.modified());

    prompter.yesNoAnswers = {true};
    EXPECT_TRUE(doc.deleteCurrentRoad());
    EXPECT_EQ(roadNames(doc), std::vector<std::string>{"Road01"});
    EXPECT_EQ(doc.project().currentRoad, 0);
    EXPECT_TRUE(doc.modified());

    // Deleting the only road leaves a fresh "Road01" without records.
    doc.project().roads[0].name.assignUtf8("主线");
    giveCurve(doc.project().roads[0]);
    prompter.yesNoAnswers = {true};
    EXPECT_TRUE(doc.deleteCurrentRoad());
    ASSERT_EQ(roadNames(doc), std::vector<std::string>{"Road01"});
    EXPECT_TRUE(doc.project().roads[0].intersectionPoints.empty());
    EXPECT_EQ(doc.project().currentRoad, 0);
    EXPECT_EQ(prompter.shown.back(), "您是否真的要删除路线<主线>?");
}

TEST(Document, RenameRefusesANameAnotherRoadHas) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    doc.addRoad();  // Road02, current
    EXPECT_FALSE(doc.renameRoad("Road01"));
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"路线名已存在， 请重新输入。"});
    EXPECT_EQ(doc.currentRoad()->name.str(), "Road02");

    // Its own name is no clash; long names are cut to 12 bytes on whole characters.
    EXPECT_TRUE(doc.renameRoad("Road02"));
    EXPECT_TRUE(doc.renameRoad("京珠高速公路连接线"));
    EXPECT_EQ(doc.currentRoad()->name.utf8(), "京珠高速公路");
    EXPECT_TRUE(doc.renameRoad("ABCDEFGHIJKLMNOP"));
    EXPECT_EQ(doc.currentRoad()->name.str(), "ABCDEFGHIJKL");
    // A name that only matches after cutting clashes as well.
    doc.setCurrentRoad(0);
    EXPECT_FALSE(doc.renameRoad("ABCDEFGHIJKLxyz"));
    EXPECT_EQ(prompter.shown.size(), 2u);
}

TEST(Document, PasswordTextRules) {
    EXPECT_EQ(passwordEntry("abc12"), "ABC12");
    EXPECT_EQ(passwordEntry("abcdefghijklm"), "ABCDEFGHIJ");
    EXPECT_EQ(storedPassword("secret").str(), "(SECRET)");
    EXPECT_EQ(storedPassword("").str(), "()");
    EXPECT_EQ(storedPassword("0123456789").str(), "(0123456789)");
    // Double-byte characters count twice: the closing parenthesis always fits.
    FixedText<12> chinese = storedPassword("密码密码密码");
    EXPECT_EQ(chinese.str().back(), ')');
    EXPECT_EQ(passwordCompareText(chinese), text::utf8ToGbk("密码密码密码").substr(0, 10));

    EXPECT_EQ(passwordCompareText(FixedText<12>("(ABC)")), "ABC");
    EXPECT_EQ(passwordCompareText(FixedText<12>("()")), "");
    EXPECT_EQ(passwordCompareText(FixedText<12>("ABC")), "ABC");

    struct Case {
        PasswordDialogMode mode;
        const char *typed, *repeated, *compare;
        bool accepted;
        const char* message;
    };
    for (const Case& c : {
             Case{PasswordDialogMode::Set, "abc", "ABC", "", true, ""},
             Case{PasswordDialogMode::Set, "abc", "abd", "", false, "两次输入的密码不一致，请重新输入。"},
             Case{PasswordDialogMode::Ask, "abc", "", "ABC", true, ""},
             Case{PasswordDialogMode::Ask, "ABC", "", "ABC", true, ""},
             Case{PasswordDialogMode::Ask, "abd", "", "ABC", false, "密码不对，请重新输入。"},
             Case{PasswordDialogMode::Ask, "", "", "", true, ""},
         }) {
        PasswordCheck check = checkPasswordEntry(c.mode, c.typed, c.repeated, c.compare);
        EXPECT_EQ(check.accepted, c.accepted) << c.typed << " / " << c.compare;
        EXPECT_EQ(check.message, c.message);
    }
}

TEST(Document, SetPasswordStoresItWrappedAndOpenAsksForIt) {
    TempDir dir;
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();

    doc.setPassword();  // cancelled: nothing changes
    EXPECT_TRUE(doc.project().password.empty());
    EXPECT_FALSE(doc.modified());

    prompter.passwords = {{true, "road7"}};
    doc.setPassword();
    EXPECT_EQ(doc.project().password.str(), "(ROAD7)");
    EXPECT_TRUE(doc.modified());
    ASSERT_EQ(doc.save(dir / "p.rod"), 1);
    EXPECT_FALSE(doc.modified());
    // Stored as plain bytes after the version, zero-filled to 12 bytes.
    std::string bytes = testing::readAll(dir / "p.rod");
    EXPECT_EQ(bytes.substr(4, 12), std::string("(ROAD7)\0\0\0\0\0", 12));

    // A wrong try, then the right letters in lower case: editable.
    ScriptedPrompter asked;
    asked.passwords = {{true, "road8"}, {true, "road7"}};
    CVornexPcDoc reopened(asked);
    EXPECT_EQ(reopened.open(dir / "p.rod"), kFormatVersion);
    EXPECT_TRUE(reopened.editable());
    EXPECT_EQ(asked.passwordCompares, (std::vector<std::string>{"ROAD7", "ROAD7"}));
    EXPECT_EQ(asked.shown, std::vector<std::string>{"密码不对，请重新输入。"});

    // "只读": read-only, the project still opens.
    ScriptedPrompter readOnly;
    CVornexPcDoc viewer(readOnly);
    EXPECT_EQ(viewer.open(dir / "p.rod"), kFormatVersion);
    EXPECT_FALSE(viewer.editable());
    EXPECT_EQ(viewer.project().roads.size(), 1u);
    EXPECT_EQ(viewer.project().currentRoad, 0);

    // An empty password stores "()" and is asked for; an empty entry opens it.
    prompter.passwords = {{true, ""}};
    doc.setPassword();
    EXPECT_EQ(doc.project().password.str(), "()");
    ASSERT_EQ(doc.save(dir / "e.rod"), 1);
    ScriptedPrompter empty;
    empty.passwords = {{true, ""}};
    CVornexPcDoc e(empty);
    e.open(dir / "e.rod");
    EXPECT_EQ(empty.passwordCompares, std::vector<std::string>{""});
    EXPECT_TRUE(e.editable());
}

TEST(Document, OpenFailuresLeaveTheDocumentEmpty) {
    TempDir dir;
    std::string newer("\x00\x00\x00\x54", 4);
    newer += std::string(60, '\0');
    testing::writeAll(dir / "newer.rod", newer);
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    EXPECT_EQ(doc.open(dir / "newer.rod"), -8);
    EXPECT_TRUE(doc.project().roads.empty());
    EXPECT_EQ(doc.project().currentRoad, -1);
    EXPECT_EQ(prompter.shown, std::vector<std::string>{"不能读入高版本项目"});
}

TEST(Document, RoadProperties) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    doc.setStationPrefix("abc");
    EXPECT_EQ(doc.currentRoad()->stationPrefix.str(), "AB");

    EXPECT_FALSE(doc.setProjectName(""));
    EXPECT_TRUE(doc.project().projectName.empty());
    EXPECT_TRUE(doc.setProjectName("沃尼克斯高速公路改扩建工程"));  // 13 characters, 26 bytes
    EXPECT_EQ(doc.project().projectName.utf8(), "沃尼克斯高速公路改扩建工");

    doc.setCurveForm("线元法");
    EXPECT_EQ(doc.currentRoad()->curveForm, 1);
    doc.setCurveForm("交点法");
    EXPECT_EQ(doc.currentRoad()->curveForm, 0);
    doc.setCalcMethod("精确算法");
    EXPECT_EQ(doc.currentRoad()->calcMethod, 1);
    doc.setCalcMethod("传统算法");
    EXPECT_EQ(doc.currentRoad()->calcMethod, 0);

    EXPECT_TRUE(doc.setPrecisionMm(0.1));
    EXPECT_DOUBLE_EQ(doc.project().precision, 0.0001);
    for (double bad : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
        EXPECT_FALSE(doc.setPrecisionMm(bad));
        EXPECT_DOUBLE_EQ(doc.project().precision, 0.0001);
    }
}

TEST(Document, PrecisionChangeRecomputesTheRoad) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    giveCurve(*doc.currentRoad());
    doc.currentRoad()->intersectionPoints[0].station = 500;
    ASSERT_TRUE(doc.currentRoad()->elements.empty());
    EXPECT_TRUE(doc.setPrecisionMm(1));
    EXPECT_EQ(doc.currentRoad()->elements.size(), 3u);
    EXPECT_NEAR(doc.currentRoad()->intersectionPoints[2].station, 500 + 200 + 157.0796, 1e-4);
}

TEST(Document, StartValuesFillAndApply) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    doc.onNewDocument();
    Road& road = *doc.currentRoad();
    giveCurve(road);
    road.intersectionPoints[0].station = 1000;
    buildElementsFromIntersectionPoints(road, 0.0001);
    doc.fillStartValues();
    EXPECT_EQ(doc.startPosition, 1);
    EXPECT_EQ(doc.startPointStation, 1000);

    // Position 2 carries the station K2+000: the others follow from it.
    ASSERT_TRUE(doc.setStartValue(StartValue::Position, "2"));
    ASSERT_TRUE(doc.setStartValue(StartValue::Station, "2000"));
    EXPECT_EQ(road.intersectionPoints[1].station, 2000);
    EXPECT_NEAR(road.intersectionPoints[0].station, 1800, 1e-9);
    EXPECT_NEAR(road.elements.front().startStation, 1800, 1e-9);

    // Choosing another position fills the start values from that row and moves
    // nothing; out-of-range positions are limited to 1 ... rows.
    const Road before = road;
    doc.setModified(false);
    struct Case { const char* text; int position; };
    for (const Case& c : {Case{"0", 1}, Case{"-5", 1}, Case{"9", 3}, Case{"2", 2}}) {
        ASSERT_TRUE(doc.setStartValue(StartValue::Position, c.text));
        EXPECT_EQ(doc.startPosition, c.position) << c.text;
        EXPECT_EQ(doc.startPointStation, road.intersectionPoints[static_cast<std::size_t>(c.position - 1)].station);
    }
    EXPECT_EQ(road.intersectionPoints, before.intersectionPoints);
    EXPECT_EQ(road.elements, before.elements);
    EXPECT_FALSE(doc.modified());
    ASSERT_TRUE(doc.setStartValue(StartValue::Position, "3"));
    ASSERT_TRUE(doc.setStartValue(StartValue::Station, "3000"));  // typing a station applies it
    EXPECT_EQ(road.intersectionPoints[2].station, 3000);
    EXPECT_NEAR(road.intersectionPoints[1].station, 3000 - (before.intersectionPoints[2].station - 2000), 1e-6);

    EXPECT_FALSE(doc.setStartValue(StartValue::X, "abc"));
    EXPECT_FALSE(doc.setStartValue(StartValue::Station, ""));

    // A 线元法 road takes point, azimuth (度.分秒) and station in its start row.
    doc.addRoad();
    Road& ramp = *doc.currentRoad();
    ramp.curveForm = 1;
    AlignmentElement straight;
    straight.length = 100;
    ramp.elements = {straight, straight};
    ASSERT_TRUE(doc.setStartValue(StartValue::X, "3400000"));
    ASSERT_TRUE(doc.setStartValue(StartValue::Y, "500000"));
    ASSERT_TRUE(doc.setStartValue(StartValue::Azimuth, "90.3"));
    ASSERT_TRUE(doc.setStartValue(StartValue::Station, "5000"));
    const AlignmentElement& second = ramp.elements[1];
    EXPECT_NEAR(ramp.elements[0].startAzimuth, 90.5, 1e-6);
    EXPECT_EQ(second.startStation, 5100);
    EXPECT_NEAR(second.x, 3400000 - 100 * std::sin(0.5 * 3.141592653589793 / 180), 1e-6);
    EXPECT_NEAR(second.y, 500000 + 100 * std::cos(0.5 * 3.141592653589793 / 180), 1e-6);
    doc.setCurrentRoad(1);
    EXPECT_EQ(doc.startPointStation, 5000);
    EXPECT_NEAR(doc.startPointAzimuth, 90.5, 1e-6);
    EXPECT_EQ(doc.startX, 3400000);
}

TEST(Document, ObserversHearEveryChange) {
    ScriptedPrompter prompter;
    CVornexPcDoc doc(prompter);
    int a = 0, b = 0;
    int idA = doc.addObserver([&a] { ++a; });
    doc.addObserver([&b] { ++b; });
    doc.onNewDocument();
    doc.addRoad();
    doc.setStationPrefix("X");
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 3);
    doc.removeObserver(idA);
    doc.renameRoad("N");
    EXPECT_EQ(a, 3);
    EXPECT_EQ(b, 4);
}

}  // namespace
}  // namespace vornex

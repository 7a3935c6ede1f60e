// The project document: owns the one open road project, opens and saves it,
// carries out the road commands and the road properties, keeps the start values
// of the current road and the project password, and tells its views when
// anything changed. It talks to the user only through a Prompter.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "io/file_error.h"
#include "model/fixed_text.h"
#include "model/prompter.h"
#include "model/road.h"

namespace vornex {

// Document type and extension of project files.
inline constexpr const char* kProjectDocumentType = "沃尼克斯项目文件(*.rod)";
inline constexpr const char* kProjectExtension = ".rod";

// Current-table code after New and Open.
inline constexpr std::int32_t kNoTable = -100;

// Longest typed password (characters, and bytes once stored).
inline constexpr std::size_t kPasswordLength = 10;

// The password as typed into the password boxes: ASCII letters in upper case,
// at most 10 characters, no more than 10 GBK bytes (so that the closing
// parenthesis always fits in the stored field). UTF-8 in and out.
std::string passwordEntry(std::string_view utf8);

// The stored form of a typed password: "(" + entry + ")"; "()" for an empty entry.
FixedText<12> storedPassword(std::string_view utf8);

// The text a protected project's password is compared with: the stored field
// without one leading "(" and one trailing ")" (GBK bytes).
std::string passwordCompareText(const FixedText<12>& stored);

// What the password dialog does with an entry on "确定".
struct PasswordCheck {
    bool accepted = false;  // the dialog closes
    std::string message;    // shown when not accepted (UTF-8)
};
// Set mode: the two entries must agree. Ask mode: the entry must equal the
// compare text (GBK bytes, as passwordCompareText gives it); `repetition` is unused.
PasswordCheck checkPasswordEntry(PasswordDialogMode mode, std::string_view typedUtf8,
                                 std::string_view repetitionUtf8, std::string_view compareGbk);

// Name of the road added to a project that already holds n roads:
// "Road01" ... "Road09", then "Road10", "Road11" ...
std::string newRoadName(std::size_t n);

// Name of a road added to `project`: "Road%02d" with the smallest number from 1
// on that no road of the project has yet, so that a delete never leads to two
// roads of one name.
std::string newRoadName(const RoadProject& project);

// What an edit changed, as the views are told of it (the framework's update hint).
// A view that shows data-entry table `table` may re-show only row `record` when
// that is all that changed; every other view, and every view when `everything` is
// set, rebuilds what it shows (results derive from every list of the road).
struct DocumentChange {
    int road = -1;                  // road whose records changed; -1 the project's own (header, control points)
    std::int32_t table = kNoTable;  // data-entry table code of the list that changed; kNoTable: not one list
    int record = -1;                // the one record changed in place; -1 the list as a whole
    bool everything = true;         // rows reordered across tables, derived records or texts changed: rebuild all

    static DocumentChange all() { return {}; }
    // Records of one list were added, removed or reordered.
    static DocumentChange ofList(int road, std::int32_t table) { return {road, table, -1, false}; }
    // One record's fields changed in place.
    static DocumentChange ofRecord(int road, std::int32_t table, int index) { return {road, table, index, false}; }
    bool operator==(const DocumentChange&) const = default;
};

// Start values of the road property page.
enum class StartValue {
    Position,  // 起算点位置 (1-based row)
    Station,   // 起算点桩号 (station text)
    X,         // 起算坐标X
    Y,         // 起算坐标Y
    Azimuth,   // 起算方位角 (度.分秒)
};

class CVornexPcDoc {
public:
    explicit CVornexPcDoc(Prompter& prompter);

    // New: a cleared project with one road "Road01", editable. Always true.
    bool onNewDocument();
    // Back to the empty document: no roads, no control points, default header,
    // start values cleared, current table -100, editable.
    void deleteContents();

    // Open: clears, reads the file and asks for the password of a protected
    // project ("只读" opens it read-only). Returns the file's version (> 0), or
    // the reader's failure code (the document then stays cleared). A file that
    // cannot be read is told through the prompter, or, when `fileFailure` is
    // given, kept there for the caller to tell.
    int open(const std::filesystem::path& file, io::FileError* fileFailure = nullptr);
    // Save: orders every road's lists, rebuilds the plate links, writes the file
    // (atomically) and refreshes the views. Returns 1 or the writer's failure code;
    // the modified flag is cleared on success. Why the write failed is told
    // through the prompter, or kept in `fileFailure` when it is given.
    int save(const std::filesystem::path& file, io::FileError* fileFailure = nullptr);

    RoadProject& project() { return project_; }
    const RoadProject& project() const { return project_; }
    Road* currentRoad();
    const Road* currentRoad() const;
    // Makes road `index` current (ignored outside the list) and fills the start values.
    void setCurrentRoad(int index);

    bool editable() const { return editable_; }
    bool modified() const { return modified_; }
    void setModified(bool modified = true) { modified_ = modified; }

    std::int32_t currentTable = kNoTable;
    std::string programFolder;

    // Start values of the current road.
    std::int32_t startPosition = 1;
    double startPointStation = 0;
    double startX = 0, startY = 0;
    double startPointAzimuth = 0;  // degrees

    // Menu "项目文件密码": asks for a new password; "确定" stores it.
    void setPassword();

    // Road commands.
    void addRoad();
    // Asks "您是否真的要删除路线<name>?"; true when the road was deleted.
    bool deleteCurrentRoad();
    // false (and "路线名已存在， 请重新输入。" shown) when another road has the name.
    bool renameRoad(std::string_view utf8);
    void setStationPrefix(std::string_view text);
    // An empty name changes nothing (false).
    bool setProjectName(std::string_view utf8);
    // Precision entered in millimetres; the current road is computed again.
    // false (nothing changed) for a value that is not a positive length.
    bool setPrecisionMm(double millimetres);
    void setCurveForm(std::string_view utf8);   // "线元法" → 1, else 0
    void setCalcMethod(std::string_view utf8);  // "传统算法" → 0, else 1
    // Stores one start value typed as text; false (nothing changed) when the text
    // is not a number. The station, the coordinates and the azimuth are then
    // applied (applyStartValues). A new position only chooses the row that carries
    // the start values: they are filled from that row (limited to the rows there
    // are) and nothing of the road moves.
    bool setStartValue(StartValue which, std::string_view text);
    // Takes the start values from the current road's first row (position 1).
    void fillStartValues();
    // Writes the start values into row startPosition (limited to the rows there
    // are) and computes the current road from it; then, unless `notify` is false
    // (an edit that reports its own change), marks the document and tells the views.
    void applyStartValues(bool notify = true);

    // The one door for every edit: marks the document modified and tells every
    // view what changed. Road commands use it; the data-entry tables reach it
    // through documentTableContext (tables/document_tables.h); other commands that
    // change the project call it once they are done.
    void commitChange(const DocumentChange& change = DocumentChange::all());

    // Views register a callback; every change calls all of them, with what changed.
    using Observer = std::function<void(const DocumentChange&)>;
    int addObserver(Observer observer);
    // A view that rebuilds on every change alike.
    int addObserver(std::function<void()> observer);
    void removeObserver(int id);
    // Refreshes the views without marking the document (a reload, a new current road).
    void updateAllViews(const DocumentChange& change = DocumentChange::all());

private:
    void changed();  // commitChange(everything)
    // Start values from row `row` (0-based, limited to the rows there are) of the current road.
    void fillStartValuesFrom(int row);
    void computeCurrentRoad(int referenceRow);

    Prompter& prompter_;
    RoadProject project_;
    bool editable_ = true;
    bool modified_ = false;
    std::vector<std::pair<int, Observer>> observers_;
    int nextObserverId_ = 1;
};

}  // namespace vornex

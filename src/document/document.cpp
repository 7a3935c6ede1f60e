#include "document/document.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>

#include "document/edits.h"
#include "document/project_file.h"
#include "geometry/alignment.h"
#include "geometry/angles.h"
#include "geometry/intersection_alignment.h"
#include "geometry/stations.h"
#include "model/field_rules.h"
#include "model/record_store.h"
#include "text/text.h"

namespace vornex {

namespace {

// Number of UTF-8 characters to keep so that at most `maxChars` remain.
std::string firstCharacters(std::string_view utf8, std::size_t maxChars) {
    std::size_t i = 0, chars = 0;
    while (i < utf8.size() && chars < maxChars) {
        unsigned char c = static_cast<unsigned char>(utf8[i]);
        std::size_t len = c < 0x80 ? 1 : (c >> 5) == 0x6 ? 2 : (c >> 4) == 0xE ? 3 : (c >> 3) == 0x1E ? 4 : 1;
        i = std::min(utf8.size(), i + len);
        ++chars;
    }
    return std::string(utf8.substr(0, i));
}

}  // namespace

std::string passwordEntry(std::string_view utf8) {
    std::string s = firstCharacters(utf8, kPasswordLength);
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    // Double-byte characters count twice in the stored field.
    return text::gbkToUtf8(text::cutGbk(text::utf8ToGbk(s), kPasswordLength));
}

FixedText<12> storedPassword(std::string_view utf8) {
    return FixedText<12>("(" + text::utf8ToGbk(passwordEntry(utf8)) + ")");
}

std::string passwordCompareText(const FixedText<12>& stored) {
    std::string s = stored.str();
    if (!s.empty() && s.front() == '(') s.erase(0, 1);
    if (!s.empty() && s.back() == ')') s.pop_back();
    return s;
}

PasswordCheck checkPasswordEntry(PasswordDialogMode mode, std::string_view typedUtf8,
                                 std::string_view repetitionUtf8, std::string_view compareGbk) {
    PasswordCheck check;
    const std::string typed = passwordEntry(typedUtf8);
    if (mode == PasswordDialogMode::Set) {
        check.accepted = typed == passwordEntry(repetitionUtf8);
        if (!check.accepted) check.message = "两次输入的密码不一致，请重新输入。";
    } else {
        check.accepted = text::utf8ToGbk(typed) == compareGbk;
        if (!check.accepted) check.message = "密码不对，请重新输入。";
    }
    return check;
}

std::string newRoadName(std::size_t n) {
    const unsigned long number = static_cast<unsigned long>(n) + 1;
    return n <= 8 ? text::format("Road0%lu", number) : text::format("Road%lu", number);
}

std::string newRoadName(const RoadProject& project) {
    for (unsigned long number = 1;; ++number) {
        const std::string name = text::format("Road%02lu", number);
        const bool taken = std::any_of(project.roads.begin(), project.roads.end(),
                                       [&](const Road& r) { return r.name.equals(name); });
        if (!taken) return name;
    }
}

CVornexPcDoc::CVornexPcDoc(Prompter& prompter) : prompter_(prompter) {}

bool CVornexPcDoc::onNewDocument() {
    deleteContents();
    Road road;
    road.name = newRoadName(0).c_str();
    project_.roads.push_back(road);
    project_.currentRoad = 0;
    editable_ = true;
    modified_ = false;
    fillStartValues();
    updateAllViews();
    return true;
}

void CVornexPcDoc::deleteContents() {
    startPointStation = 0;
    startPosition = 1;
    startX = startY = startPointAzimuth = 0;
    currentTable = kNoTable;
    editable_ = true;
    project_ = RoadProject{};
    modified_ = false;
}

int CVornexPcDoc::open(const std::filesystem::path& file, io::FileError* fileFailure) {
    deleteContents();
    editable_ = true;
    int status = readProject(project_, file, prompter_, fileFailure);
    if (status <= 0) {
        // Nothing half-read stays in the document.
        deleteContents();
        updateAllViews();
        return status;
    }
    if (!project_.password.empty()) {
        const std::string compare = passwordCompareText(project_.password);
        for (;;) {
            PasswordAnswer answer = prompter_.askPassword(PasswordDialogMode::Ask, text::gbkToUtf8(compare));
            if (!answer.accepted) {  // "只读"
                editable_ = false;
                break;
            }
            PasswordCheck check = checkPasswordEntry(PasswordDialogMode::Ask, answer.text, {}, compare);
            if (check.accepted) {
                editable_ = true;
                break;
            }
            prompter_.message(check.message);
        }
    }
    project_.currentRoad = project_.roads.empty() ? -1 : 0;
    currentTable = kNoTable;
    modified_ = false;
    fillStartValues();
    updateAllViews();
    return status;
}

int CVornexPcDoc::save(const std::filesystem::path& file, io::FileError* fileFailure) {
    for (Road& road : project_.roads) {
        sortChainBreaks(road);
        rebuildWidthLinks(road);
        rebuildCrossfallLinks(road);
        sortSlopeAssignments(road);
    }
    io::FileError error;
    int status = writeProject(project_, file, error);
    if (fileFailure) *fileFailure = error;
    if (status == 1) modified_ = false;
    else if (!fileFailure) prompter_.message(error.message);  // why: read-only, disk full, name too long, ...
    updateAllViews();
    return status;
}

Road* CVornexPcDoc::currentRoad() {
    int i = project_.currentRoad;
    return i >= 0 && i < static_cast<int>(project_.roads.size()) ? &project_.roads[static_cast<std::size_t>(i)]
                                                                  : nullptr;
}

const Road* CVornexPcDoc::currentRoad() const {
    return const_cast<CVornexPcDoc*>(this)->currentRoad();
}

void CVornexPcDoc::setCurrentRoad(int index) {
    if (index < 0 || index >= static_cast<int>(project_.roads.size())) return;
    project_.currentRoad = index;
    fillStartValues();
    updateAllViews();
}

void CVornexPcDoc::setPassword() {
    PasswordAnswer answer = prompter_.askPassword(PasswordDialogMode::Set, {});
    if (!answer.accepted) return;
    project_.password = storedPassword(answer.text);
    changed();
}

void CVornexPcDoc::addRoad() {
    Road road;
    road.name = newRoadName(project_).c_str();
    project_.roads.push_back(road);
    project_.currentRoad = static_cast<std::int32_t>(project_.roads.size()) - 1;
    fillStartValues();
    changed();
}

bool CVornexPcDoc::deleteCurrentRoad() {
    Road* road = currentRoad();
    if (road == nullptr) return false;
    std::string question = "您是否真的要删除路线<" + road->name.utf8() + ">?";
    if (!prompter_.askYesNo(question, false, PromptIcon::Warning)) return false;
    project_.roads.erase(project_.roads.begin() + project_.currentRoad);
    if (project_.roads.empty()) {
        Road fresh;
        fresh.name = newRoadName(0).c_str();
        project_.roads.push_back(fresh);
    }
    project_.currentRoad = 0;
    fillStartValues();
    changed();
    return true;
}

bool CVornexPcDoc::renameRoad(std::string_view utf8) {
    Road* road = currentRoad();
    if (road == nullptr) return false;
    Name12 name;
    name.assignUtf8(utf8);
    for (std::size_t i = 0; i < project_.roads.size(); ++i) {
        if (static_cast<int>(i) == project_.currentRoad) continue;
        if (project_.roads[i].name == name) {
            prompter_.message("路线名已存在， 请重新输入。");
            updateAllViews();  // the old name shows again
            return false;
        }
    }
    if (road->name == name) return true;
    road->name = name;
    changed();
    return true;
}

void CVornexPcDoc::setStationPrefix(std::string_view text) {
    Road* road = currentRoad();
    if (road == nullptr) return;
    road->stationPrefix = stationPrefixFromText(text);
    changed();
}

bool CVornexPcDoc::setProjectName(std::string_view utf8) {
    if (utf8.empty()) {
        updateAllViews();  // the stored name shows again
        return false;
    }
    project_.projectName.assignUtf8(utf8);
    changed();
    return true;
}

bool CVornexPcDoc::setPrecisionMm(double millimetres) {
    // A precision must be a positive length; anything else would stall or
    // spoil the curve series.
    if (!(millimetres > 0) || !std::isfinite(millimetres)) {
        updateAllViews();
        return false;
    }
    project_.precision = millimetres / 1000;
    if (Road* road = currentRoad(); road != nullptr && road->curveForm == 0 && !road->intersectionPoints.empty()) {
        computeCurrentRoad(startPosition - 1);
    }
    changed();
    return true;
}

void CVornexPcDoc::setCurveForm(std::string_view utf8) {
    Road* road = currentRoad();
    if (road == nullptr) return;
    road->curveForm = utf8 == "线元法" ? 1 : 0;
    changed();
}

void CVornexPcDoc::setCalcMethod(std::string_view utf8) {
    Road* road = currentRoad();
    if (road == nullptr) return;
    road->calcMethod = utf8 == "传统算法" ? 0 : 1;
    changed();
}

bool CVornexPcDoc::setStartValue(StartValue which, std::string_view text) {
    const Road* road = currentRoad();
    if (road == nullptr) return false;
    double value = 0;
    if (which == StartValue::Station) {
        value = toContinuousChainage(*road, text);
        if (value == kNoValue) return false;
    } else if (const std::optional<double> typed = readTypedNumber(text, NumberText::Whole)) {
        value = *typed;
    } else {
        return false;
    }
    switch (which) {
    case StartValue::Position:
        // Choosing the row that carries the start values changes no record: the
        // values shown become that row's own.
        fillStartValuesFrom(value < 1 ? 0 : value > 1e9 ? 999999999 : static_cast<int>(value) - 1);
        updateAllViews();
        return true;
    case StartValue::Station: startPointStation = value; break;
    case StartValue::X: startX = value; break;
    case StartValue::Y: startY = value; break;
    case StartValue::Azimuth: startPointAzimuth = dmsToDegrees(value); break;
    }
    applyStartValues();
    return true;
}

void CVornexPcDoc::fillStartValues() { fillStartValuesFrom(0); }

void CVornexPcDoc::fillStartValuesFrom(int row) {
    startPosition = 1;
    startPointStation = 0;
    startX = startY = startPointAzimuth = 0;
    const Road* road = currentRoad();
    if (road == nullptr) return;
    const int rows = static_cast<int>(road->curveForm == 0 ? road->intersectionPoints.size() : road->elements.size());
    if (rows == 0) return;
    const int k = std::clamp(row, 0, rows - 1);
    startPosition = k + 1;
    if (road->curveForm == 0) {
        IntersectionPoint point;
        if (getIntersectionPoint(*road, k, point, true)) startPointStation = point.station;
    } else {
        const AlignmentElement& e = road->elements[static_cast<std::size_t>(k)];
        startPointStation = e.startStation;
        startX = e.x;
        startY = e.y;
        startPointAzimuth = e.startAzimuth;
    }
}

void CVornexPcDoc::applyStartValues(bool notify) {
    Road* road = currentRoad();
    if (road == nullptr) return;
    const int rows = static_cast<int>(road->curveForm == 0 ? road->intersectionPoints.size() : road->elements.size());
    if (startPosition < 1) startPosition = 1;
    if (startPosition > rows) startPosition = std::max(rows, 1);
    const int k = startPosition - 1;
    if (rows > 0) {
        if (road->curveForm == 0) {
            road->intersectionPoints[static_cast<std::size_t>(k)].station = startPointStation;
        } else {
            AlignmentElement& e = road->elements[static_cast<std::size_t>(k)];
            e.x = startX;
            e.y = startY;
            e.arrivalAzimuth = e.startAzimuth = startPointAzimuth;
            e.startStation = startPointStation;
        }
        computeCurrentRoad(k);
    }
    if (notify) changed();
}

void CVornexPcDoc::computeCurrentRoad(int referenceRow) {
    Road* road = currentRoad();
    if (road == nullptr) return;
    const int rows = static_cast<int>(road->curveForm == 0 ? road->intersectionPoints.size() : road->elements.size());
    if (rows == 0) return;
    referenceRow = std::clamp(referenceRow, 0, rows - 1);
    if (road->curveForm == 0) {
        buildElementsFromIntersectionPoints(*road, referenceRow, project_.precision);
    } else {
        propagateElements(*road, referenceRow, curveTolerance(project_.precision));
    }
}

int CVornexPcDoc::addObserver(Observer observer) {
    int id = nextObserverId_++;
    observers_.emplace_back(id, std::move(observer));
    return id;
}

int CVornexPcDoc::addObserver(std::function<void()> observer) {
    return addObserver(Observer([observer = std::move(observer)](const DocumentChange&) {
        if (observer) observer();
    }));
}

void CVornexPcDoc::removeObserver(int id) {
    std::erase_if(observers_, [id](const auto& entry) { return entry.first == id; });
}

void CVornexPcDoc::updateAllViews(const DocumentChange& change) {
    // A view may add or remove observers while it refreshes: call a copy.
    auto observers = observers_;
    for (auto& [id, observer] : observers) {
        if (observer) observer(change);
    }
}

void CVornexPcDoc::commitChange(const DocumentChange& change) {
    modified_ = true;
    updateAllViews(change);
}

void CVornexPcDoc::changed() { commitChange(DocumentChange::all()); }

}  // namespace vornex

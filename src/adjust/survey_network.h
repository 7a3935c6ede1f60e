// Survey observation files: the leveling file (*.lev) and the control-survey
// file (*.con), held in memory as a SurveyNetwork. The program reads these files
// and rewrites nothing but their parameter header; the writers below exist for
// our own example and test files and produce the very bytes the readers expect.
//
// File codec (survey_file.cpp): every int32, double and 12-byte name is stored byte-reversed
// (numbers big-endian); with key >= 62 each byte of such a field is further
// XORed with (5 * key + 123) mod 256. The key itself (offset 0) is big-endian
// and never XORed. Known points use the control-point record image, whose
// names are left alone when key < 62.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "model/fixed_text.h"
#include "model/prompter.h"
#include "model/records.h"

namespace vornex {

inline constexpr int kMaxKnownPoints = 10;
inline constexpr int kMaxKnownAzimuths = 5;
inline constexpr std::int64_t kLevelingHeaderOffset = 524;
inline constexpr std::int64_t kControlAzimuthOffset = 524;
inline constexpr std::int64_t kControlHeaderOffset = 704;
inline constexpr std::int64_t kControlStationOffset = 784;

// 测站 of a leveling section: eight staff readings in 0.01 mm, in this order.
struct LevelingStation {
    enum Reading {
        BackUpper, BackMiddle, BackLower, BackRedMiddle,
        FrontUpper, FrontMiddle, FrontLower, FrontRedMiddle,
    };
    std::array<std::int32_t, 8> readings{};
    bool operator==(const LevelingStation&) const = default;
};

// 测段: one run of stations between two named points.
struct LevelingSection {
    Name12 startName;
    Name12 endName;
    std::int32_t date = 0;             // YYYYMMDD
    std::uint16_t staffSelector = 0;   // first station's back staff: 0 -> 4687, else 4787
    std::uint16_t excluded = 0;        // nonzero: listed, but used by no lookup, total or adjustment
    std::vector<LevelingStation> stations;
    bool operator==(const LevelingSection&) const = default;
};

// 方位角观测数据: a known azimuth between two points (decimal degrees).
struct KnownAzimuth {
    Name12 fromName;
    Name12 toName;
    double azimuth = 0;
    bool operator==(const KnownAzimuth&) const = default;
};

// One observation of a control-survey station towards a target.
struct SurveyObservation {
    Name12 targetName;
    double direction = -1;        // decimal degrees; < 0 not observed (0 is a direction)
    double distance = 0;          // m; <= 0 not observed
    double verticalOrHeight = 0;  // zenith angle (types 1, 4) or height difference (types 2, 3)
    double targetHeight = -1;     // prism height, m; < 0 not observed
    std::array<double, 3> trailing{};  // kept as read, used by nothing
    bool operator==(const SurveyObservation&) const = default;
};

// 测站 of a control survey.
struct SurveyStation {
    Name12 name;
    double instrumentHeight = 0;
    std::vector<SurveyObservation> observations;
    bool operator==(const SurveyStation&) const = default;
};

// Parameter header of a leveling file.
struct LevelingHeader {
    std::int32_t levelClass = 0;   // 0 四等, 1 三等, 2 二等, 3 一等
    std::int32_t instrument = 0;   // 1 DS05, else DS3
    std::int32_t weighting = 0;    // 1 by number of stations, else by section length
    // n of the tolerance n * sqrt(L) in mm; files that do not carry it (key <= 81)
    // get their order's default on reading.
    double closureCoefficient = 20.0;
    bool operator==(const LevelingHeader&) const = default;
};

// Observation types of a control survey.
enum ObservationType : std::int32_t {
    kHorizontalDistance = 0,
    kSlopeDistance = 1,
    kHeightDifference = 2,
    kDistanceAndHeight = 3,
    kSlopeAndZenith = 4,
};

// Parameter header of a control-survey file (stored order).
struct ControlHeader {
    std::int32_t reserved = 0;
    std::int32_t observationType = 0;
    double angleSigma = 1.0;          // seconds
    double distanceFixedError = 1.0;  // mm
    double distancePpm = 1.0;         // parts per million
    double azimuthSigma = 1.0;        // seconds
    double reservedFactor = 1.0;      // stored and rewritten only
    double azimuthClosureCoefficient = 0;
    double traverseClosureCoefficient = 0;
    double triangleClosureLimit = 0;
    double heightClosureCoefficient = 0;
    bool operator==(const ControlHeader&) const = default;
};

// Reduction of one leveling station (metres).
struct StationReduction {
    double backDistance = 0;
    double frontDistance = 0;
    double blackHeightDifference = 0;
    double redHeightDifference = 0;
    double meanHeightDifference = 0;
};

struct SectionTotals {
    std::int32_t stationCount = 0;
    double heightDifference = 0;  // m
    double backDistanceSum = 0;   // m
    double frontDistanceSum = 0;  // m
    double length() const { return backDistanceSum + frontDistanceSum; }
};

enum class SurveyFileKind { None, Leveling, Control };

// The content of one open survey file. Records are held unscrambled.
class SurveyNetwork {
public:
    std::int32_t key = kFormatVersion;
    std::string fileName;             // first 12 bytes of the file's name (no folder)
    std::filesystem::path filePath;   // full path of the file read
    std::vector<ControlPoint> knownPoints;  // at most 10
    LevelingHeader leveling;
    ControlHeader control;
    std::vector<LevelingSection> sections;
    std::vector<KnownAzimuth> knownAzimuths;  // at most 5
    std::vector<SurveyStation> stations;

    // Empties everything: key 83, no file, default headers.
    void reset();

    // Read a file into a fresh network that replaces this one only when the
    // whole file was read. False: the file cannot be opened, its key is 0 or -1,
    // or it ends inside a record; this network is then left as it was. Messages
    // go through the prompter.
    bool openLevelingFile(const std::filesystem::path& path, Prompter& prompter);
    bool openControlFile(const std::filesystem::path& path, Prompter& prompter);

    // Write the current header back at its fixed offset (524 leveling, 704 control),
    // nothing else. Refused (false) unless the last open of that kind succeeded and
    // the file still carries the key it was read with; `why` then says why, in
    // words for the user.
    bool rewriteLevelingHeader(std::string* why = nullptr) const;
    bool rewriteControlHeader(std::string* why = nullptr) const;

    // True after a successful open, until the next reset.
    SurveyFileKind loadedKind() const { return loaded_; }

    int sectionCount() const { return static_cast<int>(sections.size()); }
    const LevelingSection& section(int i) const { return sections.at(static_cast<std::size_t>(i)); }
    int stationCount(int i) const;
    LevelingStation station(int i, int j) const;
    // Index of the first non-excluded section with exactly these names, or -1.
    int findSection(std::string_view startName, std::string_view endName) const;
    SectionTotals sectionTotals(int i) const;

private:
    bool readLeveling(const std::filesystem::path& path, const char*& growing);
    bool readControl(const std::filesystem::path& path, const char*& growing);
    SurveyFileKind loaded_ = SurveyFileKind::None;
};

// The back staff of station j carries 4787 on even stations when the selector
// is nonzero, on odd stations when it is zero: the pair alternates every station.
bool backStaffIs4787(std::uint16_t staffSelector, int stationIndex);

StationReduction reduceStation(const LevelingStation& station, bool backStaffIs4787);

// XOR mask of the codec: (5 * key + 123) mod 256 when key >= 62, else 0.
std::uint8_t surveyXorMask(std::int32_t key);

// File images made by our own writers (known points beyond 10 and azimuths
// beyond 5 are not written). The key is taken from the network.
std::string levelingFileBytes(const SurveyNetwork& network);
std::string controlFileBytes(const SurveyNetwork& network);
bool writeSurveyFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace vornex

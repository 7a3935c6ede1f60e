#include "adjust/survey_network.h"

#include <cstdlib>

namespace vornex {

void SurveyNetwork::reset() {
    key = kFormatVersion;
    fileName.clear();
    filePath.clear();
    knownPoints.clear();
    leveling = LevelingHeader{};
    leveling.levelClass = 0;
    leveling.instrument = 0;
    leveling.weighting = 0;
    leveling.closureCoefficient = 20.0;
    control = ControlHeader{};
    sections.clear();
    knownAzimuths.clear();
    stations.clear();
    loaded_ = SurveyFileKind::None;
}

int SurveyNetwork::stationCount(int i) const {
    if (i < 0 || i >= sectionCount()) return 0;
    return static_cast<int>(sections[static_cast<std::size_t>(i)].stations.size());
}

LevelingStation SurveyNetwork::station(int i, int j) const {
    if (j < 0 || j >= stationCount(i)) return {};
    return sections[static_cast<std::size_t>(i)].stations[static_cast<std::size_t>(j)];
}

int SurveyNetwork::findSection(std::string_view startName, std::string_view endName) const {
    for (int i = 0; i < sectionCount(); ++i) {
        const LevelingSection& s = sections[static_cast<std::size_t>(i)];
        if (s.excluded == 0 && s.startName.equals(startName) && s.endName.equals(endName)) return i;
    }
    return -1;
}

SectionTotals SurveyNetwork::sectionTotals(int i) const {
    SectionTotals t;
    if (i < 0 || i >= sectionCount()) return t;
    const LevelingSection& s = sections[static_cast<std::size_t>(i)];
    for (std::size_t j = 0; j < s.stations.size(); ++j) {
        StationReduction r = reduceStation(s.stations[j], backStaffIs4787(s.staffSelector, static_cast<int>(j)));
        t.heightDifference += r.meanHeightDifference;
        t.backDistanceSum += r.backDistance;
        t.frontDistanceSum += r.frontDistance;
    }
    t.stationCount = static_cast<std::int32_t>(s.stations.size());
    return t;
}

bool backStaffIs4787(std::uint16_t staffSelector, int stationIndex) {
    return (stationIndex % 2 == 0) ? staffSelector != 0 : staffSelector == 0;
}

StationReduction reduceStation(const LevelingStation& station, bool back4787) {
    // Readings are in 0.01 mm; computed in 64 bits so absurd readings cannot overflow.
    auto r = [&](int i) { return static_cast<std::int64_t>(station.readings[static_cast<std::size_t>(i)]); };
    StationReduction red;
    red.backDistance = static_cast<double>(std::llabs(r(0) - r(2))) / 1000.0;
    red.frontDistance = static_cast<double>(std::llabs(r(4) - r(6))) / 1000.0;
    red.blackHeightDifference = static_cast<double>(r(1) - r(5)) / 100000.0;
    red.redHeightDifference = static_cast<double>(r(3) - r(7)) / 100000.0;
    // The red faces differ by 100 mm between the two staffs of the pair.
    red.meanHeightDifference = (red.blackHeightDifference + red.redHeightDifference) / 2 + (back4787 ? -0.05 : 0.05);
    return red;
}

}  // namespace vornex

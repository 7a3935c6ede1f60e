// Conversion of a list of points: latitude and longitude to a grid, a grid back
// to latitude and longitude, or one grid to another (换带), with each point's
// scale factor and meridian convergence. Lines of a points file are
// "name,B,L[,H]" or "name,x,y[,H]", separated by commas, tabs or blanks.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "geodesy/coordinate_system.h"

namespace vornex::geodesy {

struct PointLine {
    std::string name;
    double first = 0;   // B (degrees) or x (m)
    double second = 0;  // L (degrees) or y (m)
    double height = 0;
    bool hasHeight = false;
};

enum class LineRead { Blank, Point, Unreadable };

// One line of a points file. With commas or tabs in the line they alone
// separate the fields (so "30° 30′ 15″" may hold blanks), else runs of blanks
// do. B and L are read in 度.分秒 (parseDmsText). `why` says what is wrong with
// an unreadable line.
LineRead readPointLine(std::string_view line, bool geographic, PointLine& out, std::string& why);

struct ConversionSetup {
    bool fromGeographic = true;  // the input is B, L; else x, y of `from`
    CoordinateSystem from;
    bool zoneChange = false;     // x, y of `from` to x, y of `to`
    CoordinateSystem to;
};

// Empty when the setup can be used, else why not.
std::string checkSetup(const ConversionSetup& setup);
// The results are B, L (a grid back to latitude and longitude); else x, y.
inline bool resultIsGeographic(const ConversionSetup& s) { return !s.fromGeographic && !s.zoneChange; }

struct ConvertedPoint {
    std::string name;
    double first = 0;        // x (m) or B (degrees)
    double second = 0;       // y (m, as written) or L (degrees)
    double scale = 1;        // of the grid the result is on, or (for B, L) of the input grid
    double convergence = 0;  // degrees
};

struct ConversionOutcome {
    std::vector<ConvertedPoint> points;
    std::vector<std::string> problems;  // "第 3 行：…，已跳过" per line left out
};

class PointConverter {
public:
    explicit PointConverter(const ConversionSetup& setup);
    Status convert(const PointLine& in, ConvertedPoint& out) const;
    const ConversionSetup& setup() const { return setup_; }

private:
    ConversionSetup setup_;
    GaussProjection from_, to_;
};

// Every line of `text` (UTF-8): converted points in order, and a message for
// each line that could not be read or converted.
ConversionOutcome convertPointText(std::string_view text, const ConversionSetup& setup);

}  // namespace vornex::geodesy

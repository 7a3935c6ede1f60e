// Exchange with other road tools: LandXML 1.2 alignments (read and write),
// tables of intersection points in CSV or TSV (read) and the plan of a road as
// DXF (write). GUI-free: the application and vornex-cli call these entries;
// messages and the "which alignment" question go through a Prompter.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/coordinate_system.h"
#include "io/file_error.h"
#include "model/prompter.h"
#include "model/road.h"

namespace vornex::exchange {

// Status codes of the entries below.
inline constexpr int kExchangeOk = 1;
inline constexpr int kExchangeCancelled = 0;         // the alignment question was cancelled
inline constexpr int kExchangeNoRoad = -2;           // export: no such road, or a road without elements
inline constexpr int kExchangeCannotWrite = -3;      // the output file could not be written; nothing of it is left
inline constexpr int kExchangeBadFile = -4;          // the input is not a file of its format or holds impossible data
inline constexpr int kExchangeCannotRead = -7;       // the input file could not be opened or read
inline constexpr int kExchangeChooseAlignment = -9;  // several alignments and none chosen (see alignmentNames)
inline constexpr int kExchangeNoSuchAlignment = -10; // the alignment asked for is not in the file
inline constexpr int kExchangeUnknownFormat = -11;   // the file name's extension names no exchange format
inline constexpr int kExchangeOutputExists = -12;    // import to a new project file that already exists

// Largest exchange file read (bytes): a LandXML road of 100,000 elements is far below it.
inline constexpr std::size_t kExchangeFileLimit = 256u << 20;

// Most control points a project holds.
inline constexpr std::size_t kMaxControlPoints = 20;

struct ImportOptions {
    std::optional<std::string> alignment;  // LandXML: the alignment to import (UTF-8 name)
    double precision = 0.0001;             // curve precision of the receiving project (m)
    std::string roadName;                  // CSV: the road's name (UTF-8); LandXML names come from the file
};

// What a file says about its coordinate system (LandXML <CoordinateSystem>),
// as read (UTF-8, control characters removed), so that the project's
// coordinate system can be offered from it. The import itself computes
// nothing with it: coordinates are taken as they stand.
struct FileCoordinateSystem {
    std::string name;           // name
    std::string epsgCode;       // epsgCode ("4547")
    std::string description;    // desc
    std::string projection;     // projectedCoordinateSystemName, else horizontalCoordinateSystemName
    std::string datum;          // horizontalDatum, else datum
    std::string verticalDatum;  // verticalDatum
    std::string ellipsoid;      // ellipsoidName
    std::string wkt;            // ogcWktCode
};

// The system of the program's own kind a file's coordinate system is: a
// Gauss-Krüger zone (3° or 6°, with the zone number in y or by its central
// meridian) on CGCS2000, Xi'an 80 or Beijing 54, or a UTM zone on WGS 84,
// known by its EPSG code or, without a code the program knows, by its name
// ("CGCS2000 / 3-degree Gauss-Kruger zone 38", "WGS 84 / UTM zone 50N").
// False for any other system, which the program keeps only as text.
bool knownCoordinateSystem(const FileCoordinateSystem& file, geodesy::CoordinateSystem& out);

struct ImportResult {
    int status = kExchangeBadFile;
    std::string error;                        // UTF-8, when status < 0
    Road road;                                // the imported road with its elements computed
    std::vector<ControlPoint> controlPoints;  // every point of the file, in file order
    std::vector<std::string> notes;           // UTF-8 reports: conversions, disagreements, what was left out
    std::vector<std::string> alignmentNames;  // LandXML: every alignment of the file (UTF-8)
    std::optional<FileCoordinateSystem> coordinateSystem;  // LandXML: the file's <CoordinateSystem>, when it has one
    io::FileError fileFailure;                // why the file could not be read or written, when that failed
};

enum class ExchangeFormat { Unknown, LandXml, PointsCsv, Dxf };

// The format a file name stands for: .xml/.landxml LandXML, .csv/.tsv/.txt
// intersection points, .dxf plan drawing (case ignored).
ExchangeFormat formatOfPath(const std::filesystem::path& file);

// Reads an exchange file (LandXML or intersection points, by its extension)
// into a road. With several alignments and no name in `options`, `chooser`
// (when given) is asked which one to take; without it the result is
// kExchangeChooseAlignment with the names listed.
ImportResult importFile(const std::filesystem::path& file, const ImportOptions& options, Prompter* chooser);

// Appends control points to the project's list up to its 20, and returns a
// note naming those that did not fit (empty when all fitted).
std::string addControlPoints(RoadProject& project, const std::vector<ControlPoint>& points);

// `name` (GBK), or when another road of the project has it, the name with
// "_2", "_3", ... (cut so that it stays within 12 bytes).
Name12 uniqueRoadName(const RoadProject& project, const Name12& name);

// The File menu's import: reads `file` and adds its road to the open project
// under a unique name, with the file's control points (up to 20), and makes it
// the current road. Every note and the error of a refused file go through
// `prompter` (one note as a message, several as one list); the alignment
// question too. Returns a status code; `roadIndex` is the new road's index on
// success, and `coordinateSystem` (when given) receives what the file says
// about its coordinate system.
int importIntoProject(RoadProject& project, const std::filesystem::path& file, Prompter& prompter, int& roadIndex,
                      std::optional<FileCoordinateSystem>* coordinateSystem = nullptr);

// vornex-cli import: a new project that holds only the imported road (and the
// file's control points, up to 20) written to `out`, which must not exist yet.
// Nothing is left at `out` when anything fails.
int importToNewProject(const std::filesystem::path& file, const std::filesystem::path& out,
                       const ImportOptions& options, ImportResult& result);

struct ExportResult {
    int status = kExchangeCannotWrite;
    std::string error;               // UTF-8, when status < 0
    std::vector<std::string> notes;  // UTF-8: roads left out (no elements)
    io::FileError fileFailure;       // why the file could not be written, when that failed
};

// Writes road `roadIndex` (or, for -1, every road that is not a scratch road)
// to `file` as LandXML or DXF (by its extension). The file is replaced whole or
// not at all.
ExportResult exportRoads(const RoadProject& project, int roadIndex, const std::filesystem::path& file);

}  // namespace vornex::exchange

// The coordinate-system options shared by coords and control --reduce.
#pragma once

#include <string>

#include "cli/command.h"
#include "geodesy/coordinate_system.h"

namespace vornex::cli {

// A finite number, the whole text.
bool readCoordinateNumber(const std::string& text, double& v);

// --ellipsoid and --height into `s`. -1 when read (or absent), else the exit
// status after the message: 1 for an unknown ellipsoid, 2 for bad usage.
int readEllipsoidAndHeight(const ParsedArgs& a, const char* command, geodesy::CoordinateSystem& s, bool gbk);

// The central meridian of one side: --<prefix>cm D.MMSS, or --<prefix>zone N
// with --<prefix>width 3|6 (`defaultWidth` when not given). -1 when set, else
// the exit status after the message (1 for a zone that does not exist).
int readMeridian(const ParsedArgs& a, const char* command, const std::string& prefix, int defaultWidth,
                 geodesy::CoordinateSystem& s, bool gbk);

// A failure of `command` (exit status 1) with its message on standard error.
int coordinateFailure(const char* command, const std::string& utf8, bool gbk);

}  // namespace vornex::cli

namespace vornex {
struct ProjectionReduction;
}

namespace vornex::cli {

// The options of control --reduce, added to a command's own.
void addReductionOptions(std::map<std::string, int>& arity);
// --reduce with its coordinate system, --mean-elevation and --arc-to-chord into
// `choice` (left alone without --reduce). -1 when read, else the exit status
// after the message; the other reduction options without --reduce are bad usage.
int readReductionOptions(const ParsedArgs& a, const char* command, ProjectionReduction& choice, bool gbk);

}  // namespace vornex::cli

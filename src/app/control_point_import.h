// 从经纬度导入… of the control-point table: a GNSS list of name, B, L, H read,
// projected onto the project's coordinate system and added to the project's
// control points as one undo step.
#pragma once

#include <QString>

namespace vornex::app {

class DocumentController;

// Reads `path` and adds its points; every line left out (with its line
// number), every name cut short and every point beyond the project's 20 is
// told through the controller's prompter. False when nothing was added (no
// project system, an unreadable file, no usable line, a read-only project).
bool importGeographicControlPoints(DocumentController& controller, const QString& path);

}  // namespace vornex::app

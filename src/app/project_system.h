// The project's coordinate system: the Gauss-Krüger grid its coordinates are
// on. A project file has no room for it, so it is kept in the settings under
// the project file's path, shown and edited in the project's properties, and
// offered as the system wherever one is needed for the project (coordinate
// conversion, 边长归算, control points from latitude and longitude).
#pragma once

#include <QString>
#include <QStringList>

#include <optional>

#include "exchange/exchange.h"
#include "geodesy/coordinate_system.h"

namespace vornex::app {

class DocumentController;
class PropertyGrid;

// The settings key of a file's own entry in `group`: the absolute path,
// percent-encoded, so its slashes make no groups.
QString filePathSettingsKey(const char* group, const QString& path);
// The ellipsoids' names, in the order of geodesy::ellipsoidAt.
QStringList ellipsoidNames();

// Settings group of the project systems, one key per project file path.
inline constexpr const char* kProjectSystemGroup = "Project/CoordinateSystem";

// The system kept for a project file (none for an unsaved project, a file
// without one, or text that no longer describes a usable system).
std::optional<geodesy::CoordinateSystem> storedProjectSystem(const QString& projectPath);
// Keeps `system` for the file, or forgets the file's system when there is none.
void storeProjectSystem(const QString& projectPath, const std::optional<geodesy::CoordinateSystem>& system);

// The system a project starts with when the user first picks an ellipsoid:
// the 3° zone of 117° E (zone 39), false easting 500 km, no zone number in y.
geodesy::CoordinateSystem defaultProjectSystem(geodesy::Ellipsoid ellipsoid);

// A field of a Gauss-Krüger system as the property panes show it.
enum class SystemField {
    Width,             // 投影带: "3°带", "6°带" or "任意中央子午线" (a width keeps the meridian's zone)
    Zone,              // 带号 of the present width
    Meridian,          // 中央子午线 in 度.分秒 (another meridian leaves the zones; the zone's own keeps it)
    FalseEasting,      // 假东(m)
    Prefix,            // Y 坐标加带号: "否" or "是"
    ProjectionHeight,  // 投影面高程(m)
};
// The choices of the 投影带 property.
QStringList zoneWidthChoices();
// `system` with `field` typed or chosen as `text`; false (with the reason in
// `why`, for the user, and `system` unchanged) when the text is not one.
bool editSystemField(geodesy::CoordinateSystem& system, SystemField field, const QString& text, QString& why);

// The group "坐标系" of the project's properties.
void addProjectSystemProperties(PropertyGrid& grid);
void fillProjectSystemProperties(PropertyGrid& grid, const std::optional<geodesy::CoordinateSystem>& system);
// True when `id` is one of the group's properties.
bool isProjectSystemProperty(const QString& id);
// The system with the property `id` typed or chosen as `text`; false (with
// the reason in `why`, for the user) when the text gives no usable system.
bool editProjectSystem(std::optional<geodesy::CoordinateSystem>& system, const QString& id, const QString& text,
                       QString& why);
// A property of the group typed or chosen in the project's properties: the
// project's system changed through the controller, or the user told why not.
// False when `id` is not one of the group's properties.
bool storeProjectSystemProperty(DocumentController& controller, const QString& id, const QString& text);

// After an import: when the file names a grid the program knows that is not
// the project's system, asks through the controller's prompter whether the
// project takes it (yes by default only for a project without a system). The
// file says nothing of a projection height: a project's own is kept. True
// when the project took it.
bool offerFileSystem(DocumentController& controller, const std::optional<exchange::FileCoordinateSystem>& file);

}  // namespace vornex::app

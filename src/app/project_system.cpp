#include "app/project_system.h"

#include <QFileInfo>
#include <QSettings>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "app/document_controller.h"
#include "app/property_grid.h"
#include "document/edits.h"
#include "geodesy/dms_text.h"

namespace vornex::app {
namespace {

QString systemKey(const QString& path) { return filePathSettingsKey(kProjectSystemGroup, path); }

const QString kEllipsoidId = QStringLiteral("csEllipsoid");
const QString kWidthId = QStringLiteral("csWidth");
const QString kZoneId = QStringLiteral("csZone");
const QString kMeridianId = QStringLiteral("csMeridian");
const QString kFalseEastingId = QStringLiteral("csFalseEasting");
const QString kPrefixId = QStringLiteral("csPrefix");
const QString kHeightId = QStringLiteral("csHeight");
const QString kSummaryId = QStringLiteral("csSummary");
const QString kNone = QStringLiteral("未设置");
const QStringList kWidthChoices = zoneWidthChoices();
const QStringList kPrefixChoices = {QStringLiteral("否"), QStringLiteral("是")};

QStringList ellipsoidChoices() { return QStringList{kNone} + ellipsoidNames(); }

QString number(double v) { return QString::number(v, 'f', 3); }

}  // namespace

std::optional<geodesy::CoordinateSystem> storedProjectSystem(const QString& projectPath) {
    if (projectPath.isEmpty()) return std::nullopt;
    const QString text = QSettings().value(systemKey(projectPath)).toString();
    geodesy::CoordinateSystem s;
    if (text.isEmpty() || !geodesy::systemFromText(text.toStdString(), s)) return std::nullopt;
    return s;
}

void storeProjectSystem(const QString& projectPath, const std::optional<geodesy::CoordinateSystem>& system) {
    if (projectPath.isEmpty()) return;
    QSettings settings;
    if (system) settings.setValue(systemKey(projectPath), QString::fromStdString(geodesy::systemToText(*system)));
    else settings.remove(systemKey(projectPath));
}

geodesy::CoordinateSystem defaultProjectSystem(geodesy::Ellipsoid ellipsoid) {
    geodesy::CoordinateSystem s;
    s.ellipsoid = ellipsoid;
    geodesy::setZone(s, 39, 3);
    return s;
}

QString filePathSettingsKey(const char* group, const QString& path) {
    return QString::fromLatin1(group) + QLatin1Char('/') +
           QString::fromLatin1(QUrl::toPercentEncoding(QFileInfo(path).absoluteFilePath()));
}

QStringList ellipsoidNames() {
    QStringList names;
    for (int i = 0; i < geodesy::kEllipsoidCount; ++i) names << QString::fromUtf8(geodesy::ellipsoidAt(i).name);
    return names;
}

QStringList zoneWidthChoices() {
    return {QStringLiteral("3°带"), QStringLiteral("6°带"), QStringLiteral("任意中央子午线")};
}

bool editSystemField(geodesy::CoordinateSystem& system, SystemField field, const QString& typed, QString& why) {
    const QString text = typed.trimmed();
    geodesy::CoordinateSystem s = system;
    switch (field) {
    case SystemField::Width: {
        const int at = int(kWidthChoices.indexOf(text));
        if (at < 0) {
            why = QStringLiteral("没有投影带“%1”。").arg(text);
            return false;
        }
        if (at == 2) {
            s.zone = 0;
            s.zonePrefix = false;
            break;
        }
        // Keep the meridian: the zone of that width that holds it.
        const int width = at == 0 ? 3 : 6;
        const int zone = width == 3 ? int(std::lround(s.centralMeridian / 3)) : int(std::floor(s.centralMeridian / 6)) + 1;
        if (!geodesy::setZone(s, zone, width)) {
            why = QStringLiteral("中央子午线不在任何 %1°带上。").arg(width);
            return false;
        }
        break;
    }
    case SystemField::Zone: {
        bool ok = false;
        const int zone = text.toInt(&ok);
        if (!ok || !geodesy::setZone(s, zone, s.zone == 0 ? 3 : s.zoneWidth)) {
            why = QStringLiteral("没有第 %1 带。").arg(text);
            return false;
        }
        break;
    }
    case SystemField::Meridian: {
        double cm = 0;
        if (!geodesy::parseDmsText(text.toStdString(), cm)) {
            why = QStringLiteral("“%1”不是度.分秒。").arg(text);
            return false;
        }
        // The zone's own meridian typed again keeps the zone.
        if (cm != s.centralMeridian) {
            s.centralMeridian = cm;
            s.zone = 0;
            s.zonePrefix = false;
        }
        break;
    }
    case SystemField::FalseEasting:
    case SystemField::ProjectionHeight: {
        const std::optional<double> v = readTypedNumber(text.toStdString(), NumberText::Whole);
        if (!v) {
            why = QStringLiteral("“%1”不是数。").arg(text);
            return false;
        }
        (field == SystemField::FalseEasting ? s.falseEasting : s.projectionHeight) = *v;
        break;
    }
    case SystemField::Prefix: {
        const int at = int(kPrefixChoices.indexOf(text));
        if (at < 0) {
            why = QStringLiteral("请选择“是”或“否”。");
            return false;
        }
        s.zonePrefix = at == 1;
        break;
    }
    }
    system = s;
    return true;
}

void addProjectSystemProperties(PropertyGrid& grid) {
    const QString kept = QStringLiteral("按项目文件保存在程序设置中，不写入项目文件。");
    grid.addGroup(QStringLiteral("坐标系"));
    grid.addProperty({kEllipsoidId, QStringLiteral("椭球"),
                      QStringLiteral("项目坐标所在高斯投影坐标系的椭球；“未设置”即项目没有坐标系。选择椭球不是基准转换。") +
                          kept,
                      ellipsoidChoices(), true, kNone});
    grid.addProperty({kWidthId, QStringLiteral("投影带"), QStringLiteral("3°带、6°带或任意中央子午线。"), kWidthChoices,
                      true, kWidthChoices[0]});
    grid.addProperty({kZoneId, QStringLiteral("带号"), QStringLiteral("投影带的带号（3°带 1–120，6°带 1–60）。"), {}, true,
                      QString()});
    grid.addProperty({kMeridianId, QStringLiteral("中央子午线"),
                      QStringLiteral("中央子午线经度，度.分秒；输入后即为任意中央子午线。"), {}, true, QString()});
    grid.addProperty({kFalseEastingId, QStringLiteral("假东(m)"), QStringLiteral("Y 坐标的加常数，通常为 500000 m。"), {},
                      true, QStringLiteral("500000.000")});
    grid.addProperty({kPrefixId, QStringLiteral("Y 坐标加带号"),
                      QStringLiteral("Y 坐标前是否写带号（如 39 500000.000），仅用于 3°带或 6°带。"), kPrefixChoices, true,
                      kPrefixChoices[0]});
    grid.addProperty({kHeightId, QStringLiteral("投影面高程(m)"),
                      QStringLiteral("投影面在椭球面以上的高度，0 为椭球面（抵偿投影面取测区高程附近）。"), {}, true,
                      QStringLiteral("0.000")});
    grid.addProperty({kSummaryId, QStringLiteral("坐标系说明"), QStringLiteral("项目坐标系的全部参数。"), {}, false,
                      QString()});
}

void fillProjectSystemProperties(PropertyGrid& grid, const std::optional<geodesy::CoordinateSystem>& system) {
    const bool has = system.has_value();
    const geodesy::CoordinateSystem s = system.value_or(geodesy::CoordinateSystem{});
    grid.setValue(kEllipsoidId, has ? QString::fromUtf8(geodesy::ellipsoidInfo(s.ellipsoid).name) : kNone);
    grid.setValue(kWidthId, has ? kWidthChoices[s.zone == 0 ? 2 : s.zoneWidth == 6 ? 1 : 0] : QString());
    grid.setValue(kZoneId, has && s.zone != 0 ? QString::number(s.zone) : QString());
    grid.setValue(kMeridianId, has ? QString::fromStdString(geodesy::formatDmsText(s.centralMeridian, 2)) : QString());
    grid.setValue(kFalseEastingId, has ? number(s.falseEasting) : QString());
    grid.setValue(kPrefixId, has ? kPrefixChoices[s.zonePrefix ? 1 : 0] : QString());
    grid.setValue(kHeightId, has ? number(s.projectionHeight) : QString());
    grid.setValue(kSummaryId, has ? QString::fromStdString(geodesy::describeSystem(s)) : kNone);
    for (const QString& id : {kWidthId, kMeridianId, kFalseEastingId, kHeightId}) grid.setEditable(id, has);
    grid.setEditable(kZoneId, has && s.zone != 0);
    grid.setEditable(kPrefixId, has && s.zone != 0);
}

bool isProjectSystemProperty(const QString& id) {
    return id == kEllipsoidId || id == kWidthId || id == kZoneId || id == kMeridianId || id == kFalseEastingId ||
           id == kPrefixId || id == kHeightId;
}

bool editProjectSystem(std::optional<geodesy::CoordinateSystem>& system, const QString& id, const QString& typed,
                       QString& why) {
    const QString text = typed.trimmed();
    if (id == kEllipsoidId) {
        const int at = int(ellipsoidChoices().indexOf(text));
        if (at < 0) {
            why = QStringLiteral("没有椭球“%1”。").arg(text);
            return false;
        }
        if (at == 0) {
            system.reset();
            return true;
        }
        const geodesy::Ellipsoid e = geodesy::ellipsoidAt(at - 1).id;
        if (system) system->ellipsoid = e;
        else system = defaultProjectSystem(e);
        return true;
    }
    if (!system) {
        why = QStringLiteral("请先选择坐标系的椭球。");
        return false;
    }
    const std::pair<QString, SystemField> fields[] = {
        {kWidthId, SystemField::Width},         {kZoneId, SystemField::Zone},
        {kMeridianId, SystemField::Meridian},   {kFalseEastingId, SystemField::FalseEasting},
        {kPrefixId, SystemField::Prefix},       {kHeightId, SystemField::ProjectionHeight},
    };
    const auto field = std::find_if(std::begin(fields), std::end(fields), [&](const auto& f) { return f.first == id; });
    if (field == std::end(fields)) return false;
    geodesy::CoordinateSystem s = *system;
    if (!editSystemField(s, field->second, text, why)) return false;
    if (const std::string w = geodesy::checkSystem(s); !w.empty()) {
        why = QString::fromStdString(w) + QStringLiteral("。");
        return false;
    }
    system = s;
    return true;
}

bool storeProjectSystemProperty(DocumentController& controller, const QString& id, const QString& text) {
    if (!isProjectSystemProperty(id)) return false;
    std::optional<geodesy::CoordinateSystem> system = controller.coordinateSystem();
    QString why;
    if (editProjectSystem(system, id, text, why)) controller.setCoordinateSystem(system);
    else controller.prompter().message((why + QStringLiteral("项目坐标系仍为原设置。")).toStdString());
    return true;
}

bool offerFileSystem(DocumentController& controller, const std::optional<exchange::FileCoordinateSystem>& file) {
    geodesy::CoordinateSystem offered;
    if (!file || !exchange::knownCoordinateSystem(*file, offered)) return false;
    const std::optional<geodesy::CoordinateSystem>& current = controller.coordinateSystem();
    if (current) offered.projectionHeight = current->projectionHeight;
    if (current == offered) return false;
    std::string question = "导入的文件使用坐标系 " + geodesy::describeSystem(offered) + "。\n";
    question += current ? "是否用它替换项目现在的坐标系（" + geodesy::describeSystem(*current) + "）？"
                        : "是否把它作为本项目的坐标系？";
    if (!controller.prompter().askYesNo(question, !current, PromptIcon::Question)) return false;
    controller.setCoordinateSystem(offered);
    return true;
}

}  // namespace vornex::app

#include "app/survey_views.h"

#include <cmath>

#include "document/edits.h"
#include "geodesy/dms_text.h"

#include <QAction>
#include <QSettings>
#include <QHBoxLayout>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>

#include "app/app_prompter.h"
#include "app/module_tabs.h"
#include "app/project_system.h"
#include "app/property_grid.h"
#include "app/survey_controller.h"

namespace vornex::app {

namespace st = survey_table;

namespace {

QString q(const std::string& s) { return QString::fromStdString(s); }

void addItems(QTreeWidgetItem* parent, QTreeWidget* tree, const std::vector<SurveyTreeItem>& items) {
    for (const SurveyTreeItem& i : items) {
        auto* item = parent ? new QTreeWidgetItem(parent, {q(i.text)}) : new QTreeWidgetItem(tree, {q(i.text)});
        item->setData(0, kSurveyCodeRole, i.code);
        item->setData(0, kSurveyIndexRole, i.index);
        item->setData(0, Qt::AccessibleTextRole, q(i.text));
        if (i.excluded) {
            // Greyed as the plot draws it (grey, dashed); the text says why.
            item->setForeground(0, tree->palette().brush(QPalette::Disabled, QPalette::Text));
            item->setToolTip(0, QStringLiteral("本测段不参与平差"));
        }
        addItems(item, tree, i.children);
    }
}

// The typed text holds a finite number at its start (what atof would read); a
// text without one would silently store 0, and "inf" or "nan" would be written
// into the control file.
bool startsWithNumber(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    char* end = nullptr;
    const double v = std::strtod(s.c_str(), &end);
    return end != s.c_str() && std::isfinite(v);
}

}  // namespace

SurveyModuleView::SurveyModuleView(int module, SurveyController& survey, QWidget* parent)
    : QWidget(parent), survey_(survey), module_(module) {
    setAccessibleName(moduleNames().value(module));
    tabs_ = new ModuleTabs(module, this);
    connect(tabs_, &ModuleTabs::moduleChosen, this, &SurveyModuleView::moduleChosen);

    commands_ = new QToolBar(this);
    commands_->setAccessibleName(QStringLiteral("命令"));
    commands_->setToolButtonStyle(Qt::ToolButtonTextOnly);

    tree_ = new QTreeWidget(this);
    tree_->setAccessibleName(QStringLiteral("数据和成果"));
    tree_->setHeaderHidden(true);
    tree_->setColumnCount(1);
    tree_->setSelectionMode(QAbstractItemView::SingleSelection);
    tree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* c, QTreeWidgetItem*) {
        if (!rebuilding_) onTreeSelection(c);
    });

    grid_ = new PropertyGrid(module == kLevelingModule ? QStringLiteral("水准测量属性") : QStringLiteral("控制测量属性"),
                             this);
    // Queued: the edit rewrites the pane, which must not happen inside the grid's own commit.
    connect(grid_, &PropertyGrid::propertyEdited, this,
            [this](const QString& id, const QString& text) { storeProperty(id, text); }, Qt::QueuedConnection);

    // Layout: the tab strip on the left edge; right of it the commands, the
    // tree (2 pixels below the top) and the property pane under it.
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 2, 2, 2);
    column->setSpacing(2);
    column->addWidget(commands_);
    split_ = new QSplitter(Qt::Vertical, this);
    split_->setAccessibleName(QStringLiteral("树和属性"));
    split_->addWidget(tree_);
    split_->addWidget(grid_);
    // A taller window gives the tree (which scrolls through the file's runs
    // or stations) the extra height; the properties keep theirs.
    split_->setStretchFactor(0, 1);
    split_->setStretchFactor(1, 0);
    split_->setChildrenCollapsible(false);
    connect(split_, &QSplitter::splitterMoved, this,
            [this] { QSettings().setValue(splitterKey(), split_->saveState()); });
    column->addWidget(split_, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs_);
    layout->addLayout(column, 1);

    connect(&survey_, &SurveyController::changed, this, [this](int m) {
        if (m != module_) return;
        rebuildTree();
        fillProperties();
    });
    connect(&survey_, &SurveyController::selectionChanged, this, [this](int m) {
        if (m != module_) return;
        const SurveySelection s = survey_.selection(module_);
        QTreeWidgetItem* item = findItem(s.tableCode, s.index);
        if (item != tree_->currentItem()) {
            rebuilding_ = true;
            tree_->setCurrentItem(item);
            rebuilding_ = false;
        }
        fillProperties();
    });
}

QString SurveyModuleView::splitterKey() const {
    return QStringLiteral("Layout/SurveySplit%1").arg(module_);
}

void SurveyModuleView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (splitPlaced_) return;
    splitPlaced_ = true;
    if (split_->restoreState(QSettings().value(splitterKey()).toByteArray())) return;
    // Every group of the properties in view, as far as the height allows; the
    // tree keeps at least a few lines.
    const int total = split_->height() - split_->handleWidth();
    const int treeLeast = std::max(tree_->minimumSizeHint().height(), 5 * tree_->fontMetrics().height());
    const int properties = std::clamp(grid_->contentHeight(), total / 2, std::max(total / 2, total - treeLeast));
    split_->setSizes({total - properties, properties});
}

void SurveyModuleView::init() {
    buildProperties();
    addOwnProperties();
    rebuildTree();
    fillProperties();
}

void SurveyModuleView::setCommands(const QList<QAction*>& actions) {
    commands_->clear();
    commands_->addActions(actions);
}

QString SurveyModuleView::fileFilter() const {
    return module_ == kLevelingModule ? QStringLiteral("水准数据文件(*.lev)") : QStringLiteral("控制测量数据文件(*.con)");
}

bool SurveyModuleView::openWithDialog() {
    const std::string path = survey_.prompter().openFileName(fileFilter().toStdString());
    if (path.empty()) return false;
    return openFile(QString::fromStdString(path));
}

bool SurveyModuleView::openFile(const QString& path) {
    if (!survey_.open(module_, path)) return false;
    emit fileOpened(path);
    return true;
}

void SurveyModuleView::closeFile() { survey_.close(module_); }

void SurveyModuleView::refresh() { survey_.refresh(module_); }

bool SurveyModuleView::selectItem(int code, int index) {
    QTreeWidgetItem* item = findItem(code, index);
    if (!item) return false;
    tree_->setCurrentItem(item);
    return true;
}

QTreeWidgetItem* SurveyModuleView::findItem(int code, int index) const {
    if (code >= 0) return nullptr;
    for (QTreeWidgetItemIterator it(tree_); *it; ++it)
        if ((*it)->data(0, kSurveyCodeRole).toInt() == code && (*it)->data(0, kSurveyIndexRole).toInt() == index)
            return *it;
    return nullptr;
}

void SurveyModuleView::rebuildTree() {
    rebuilding_ = true;
    tree_->clear();
    addItems(nullptr, tree_, survey_.tree(module_));
    tree_->expandAll();
    // The selection stays on its item (a refresh re-applies it).
    const SurveySelection s = survey_.selection(module_);
    if (QTreeWidgetItem* item = findItem(s.tableCode, s.index)) tree_->setCurrentItem(item);
    rebuilding_ = false;
}

void SurveyModuleView::onTreeSelection(QTreeWidgetItem* current) {
    SurveySelection s;
    if (current) {
        SurveyTreeItem item;
        item.code = current->data(0, kSurveyCodeRole).toInt();
        item.index = current->data(0, kSurveyIndexRole).toInt();
        selectSurveyItem(s, item);
    }
    survey_.select(module_, s);
}

void SurveyModuleView::buildProperties() {
    const QStringList ids = propertyIds();
    const std::vector<PaneProperty> props = paneProperties(false, -1);
    QString group;
    for (std::size_t i = 0; i < props.size() && int(i) < ids.size(); ++i) {
        const PaneProperty& p = props[i];
        if (q(p.group) != group) {
            group = q(p.group);
            grid_->addGroup(group);
        }
        QStringList choices;
        for (const std::string& c : p.choices) choices << q(c);
        grid_->addProperty({ids[int(i)], q(p.caption), q(p.description), choices, p.editable, QString()}, q(p.value));
    }
}

void SurveyModuleView::fillProperties() {
    const QStringList ids = propertyIds();
    const bool loaded = survey_.isLoaded(module_);
    const SurveySelection s = survey_.selection(module_);
    // The section / station group shows the selected section or station only.
    const bool child = s.tableCode == st::kReadings || s.tableCode == st::kObservations;
    const std::vector<PaneProperty> props = paneProperties(loaded, child ? s.index : -1);
    for (std::size_t i = 0; i < props.size() && int(i) < ids.size(); ++i) {
        grid_->setValue(ids[int(i)], q(props[i].value));
        grid_->setEditable(ids[int(i)], props[i].editable);
    }
    fillOwnProperties();
}

// ---------------------------------------------------------------------------

CLevelView::CLevelView(SurveyController& survey, QWidget* parent) : SurveyModuleView(kLevelingModule, survey, parent) {
    init();
}

QStringList CLevelView::propertyIds() const {
    return {QStringLiteral("file"),         QStringLiteral("class"),          QStringLiteral("instrument"),
            QStringLiteral("weighting"),    QStringLiteral("coefficient"),    QStringLiteral("sectionStart"),
            QStringLiteral("sectionEnd"),   QStringLiteral("adjusted"),       QStringLiteral("date"),           QStringLiteral("staffConstant"),
            QStringLiteral("heightDifference"), QStringLiteral("length"),     QStringLiteral("frontSum"),
            QStringLiteral("backSum"),      QStringLiteral("stationCount")};
}

std::vector<PaneProperty> CLevelView::paneProperties(bool loaded, int index) const {
    return levelingPaneProperties(survey_.leveling(), loaded, index);
}

void CLevelView::storeProperty(const QString& id, const QString& text) {
    if (id == QStringLiteral("weighting")) {
        // The choices are "测段长度" then "测站数": by length 0, by stations 1.
        const std::vector<PaneProperty> props = paneProperties(true, -1);
        int chosen = -1;
        for (const PaneProperty& p : props)
            if (!p.choices.empty())
                for (std::size_t c = 0; c < p.choices.size(); ++c)
                    if (q(p.choices[c]) == text) chosen = int(c);
        const int weighting = chosen == 1 ? 1 : 0;
        const int current = survey_.leveling().network.leveling.weighting == 1 ? 1 : 0;
        if (chosen < 0 || weighting == current) {
            survey_.refresh(kLevelingModule);  // shows the stored choice again
            return;
        }
        survey_.setLevelingWeighting(weighting);
    } else if (id == QStringLiteral("coefficient")) {
        survey_.setLevelingCoefficient(text);
    }
}

// ---------------------------------------------------------------------------

namespace {

struct ControlKey {
    const char* id;
    ControlParameter parameter;
};

const ControlKey kControlKeys[] = {
    {"angleSigma", ControlParameter::AngleSigma},
    {"azimuthSigma", ControlParameter::AzimuthSigma},
    {"distanceFixedError", ControlParameter::DistanceFixedError},
    {"distancePpm", ControlParameter::DistancePpm},
    {"triangle", ControlParameter::TriangleLimit},
    {"azimuthClosure", ControlParameter::AzimuthClosure},
    {"traverseClosure", ControlParameter::TraverseClosure},
    {"heightClosure", ControlParameter::HeightClosure},
};

const QString kRefractionId = QStringLiteral("refraction");
// 边长归算 (kept in the settings per file).
const QString kReduceId = QStringLiteral("reduce");
const QString kEllipsoidId = QStringLiteral("ellipsoid");
const QString kZoneWidthId = QStringLiteral("zoneWidth");
const QString kZoneId = QStringLiteral("zone");
const QString kMeridianId = QStringLiteral("centralMeridian");
const QString kProjectionHeightId = QStringLiteral("projectionHeight");
const QString kMeanElevationId = QStringLiteral("meanElevation");
const QString kArcToChordId = QStringLiteral("arcToChord");
const QStringList kReduceChoices = {QStringLiteral("不归算"), QStringLiteral("归算到投影面")};
const QStringList kWidthChoices = zoneWidthChoices();
const QStringList kArcChoices = {QStringLiteral("10 km以上的边"), QStringLiteral("每条边")};

const QString kCurvatureId = QStringLiteral("curvature");
const QStringList kCurvatureChoices = {QStringLiteral("改正"), QStringLiteral("不改正")};

}  // namespace

CPlaneView::CPlaneView(SurveyController& survey, QWidget* parent) : SurveyModuleView(kControlModule, survey, parent) {
    init();
}

QStringList CPlaneView::propertyIds() const {
    QStringList ids{QStringLiteral("file"), QStringLiteral("type")};
    for (const ControlKey& k : kControlKeys) ids << QString::fromLatin1(k.id);
    ids << QStringLiteral("stationName") << QStringLiteral("instrumentHeight");
    return ids;
}

std::vector<PaneProperty> CPlaneView::paneProperties(bool loaded, int index) const {
    return controlPaneProperties(survey_.control(), loaded, index);
}

void CPlaneView::addOwnProperties() {
    properties()->addGroup(QStringLiteral("三角高程"));
    properties()->addProperty({kCurvatureId, QStringLiteral("球气差改正"),
                               QStringLiteral("由天顶距算得的高差是否加球气差改正(1-k)D²/2R。“不改正”即h=S·cosZ+i-v。"
                                              "保存在程序设置中，不写入数据文件。"),
                               kCurvatureChoices, true, kCurvatureChoices[0]});
    properties()->addProperty({kRefractionId, QStringLiteral("大气折光系数"),
                               QStringLiteral("球气差改正中的大气折光系数k，仅在改正时使用；0表示只作地球曲率改正。"
                                              "保存在程序设置中，不写入数据文件。"),
                               {}, true, QString()});
    const QString kept = QStringLiteral("按文件保存在程序设置中，不写入数据文件。");
    properties()->addGroup(QStringLiteral("边长归算"));
    properties()->addProperty({kReduceId, QStringLiteral("边长归算"),
                               QStringLiteral("平差前是否把水平距离归算到高斯投影面（方向按需加方向改化）。") + kept,
                               kReduceChoices, true, kReduceChoices[0]});
    properties()->addProperty({kEllipsoidId, QStringLiteral("椭球"),
                               QStringLiteral("已知点坐标所属坐标系的椭球。选择椭球不是基准转换。"), ellipsoidNames(), true,
                               ellipsoidNames()[0]});
    properties()->addProperty({kZoneWidthId, QStringLiteral("投影带"),
                               QStringLiteral("3°带、6°带或任意中央子午线。"), kWidthChoices, true, kWidthChoices[2]});
    properties()->addProperty({kZoneId, QStringLiteral("带号"), QStringLiteral("投影带的带号（3°带 1–120，6°带 1–60）。"),
                               {}, true, QString()});
    properties()->addProperty({kMeridianId, QStringLiteral("中央子午线"),
                               QStringLiteral("中央子午线经度，度.分秒；选择任意中央子午线时填写。"), {}, true, QString()});
    properties()->addProperty({kProjectionHeightId, QStringLiteral("投影面高程(m)"),
                               QStringLiteral("投影面在椭球面以上的高度，0 为椭球面（抵偿投影面取测区高程附近）。"), {}, true,
                               QStringLiteral("0.000")});
    properties()->addProperty({kMeanElevationId, QStringLiteral("测区平均高程(m)"),
                               QStringLiteral("两端点高程未知的边按此高程归算；空着时取测区已知高程的平均值。"), {}, true,
                               QString()});
    properties()->addProperty({kArcToChordId, QStringLiteral("方向改化"),
                               QStringLiteral("加方向改化的边：10 km 以上的边，或每条边。"), kArcChoices, true, kArcChoices[0]});
}

void CPlaneView::fillOwnProperties() {
    properties()->setValue(kCurvatureId, kCurvatureChoices[survey_.curvatureCorrection() ? 0 : 1]);
    properties()->setValue(kRefractionId, QString::number(survey_.refraction(), 'f', 2));
    const ProjectionReduction& r = survey_.reduction();
    const geodesy::CoordinateSystem& s = r.system;
    properties()->setValue(kReduceId, kReduceChoices[r.enabled ? 1 : 0]);
    properties()->setValue(kEllipsoidId, QString::fromUtf8(geodesy::ellipsoidInfo(s.ellipsoid).name));
    properties()->setValue(kZoneWidthId, kWidthChoices[s.zone == 0 ? 2 : s.zoneWidth == 6 ? 1 : 0]);
    properties()->setValue(kZoneId, s.zone == 0 ? QString() : QString::number(s.zone));
    properties()->setValue(kMeridianId, QString::fromStdString(geodesy::formatDmsText(s.centralMeridian, 2)));
    properties()->setValue(kProjectionHeightId, QString::number(s.projectionHeight, 'f', 3));
    properties()->setValue(kMeanElevationId, r.hasMeanElevation ? QString::number(r.meanElevation, 'f', 3) : QString());
    properties()->setValue(kArcToChordId, kArcChoices[r.arcToChordEveryLine ? 1 : 0]);
    // The reduction's details only while the distances are reduced: at laptop
    // height the pane then holds every property with the tree beside it.
    for (const QString& id : {kEllipsoidId, kZoneWidthId, kZoneId, kMeridianId, kProjectionHeightId, kMeanElevationId,
                              kArcToChordId})
        properties()->setHidden(id, !r.enabled);
}

// A property of 边长归算 typed or chosen: the choice with it changed, checked and stored.
bool CPlaneView::storeReductionProperty(const QString& id, const QString& typed) {
    static const QStringList ids = {kReduceId, kEllipsoidId, kZoneWidthId, kZoneId, kMeridianId,
                                    kProjectionHeightId, kMeanElevationId, kArcToChordId};
    if (!ids.contains(id)) return false;
    ProjectionReduction r = survey_.reduction();
    geodesy::CoordinateSystem& s = r.system;
    const QString text = typed.trimmed();
    auto refuse = [&](const QString& why) {
        survey_.prompter().message((why + QStringLiteral("边长归算仍为原设置。")).toStdString());
        fillOwnProperties();
        return true;
    };
    if (id == kReduceId) {
        r.enabled = text == kReduceChoices[1];
    } else if (id == kEllipsoidId) {
        const int at = int(ellipsoidNames().indexOf(text));
        if (at < 0) return refuse(QStringLiteral("没有这个椭球。"));
        s.ellipsoid = geodesy::ellipsoidAt(at).id;
    } else if (id == kZoneWidthId || id == kZoneId || id == kMeridianId || id == kProjectionHeightId) {
        const SystemField field = id == kZoneWidthId ? SystemField::Width
                                  : id == kZoneId    ? SystemField::Zone
                                  : id == kMeridianId ? SystemField::Meridian
                                                      : SystemField::ProjectionHeight;
        QString why;
        if (!editSystemField(s, field, text, why)) return refuse(why);
    } else if (id == kMeanElevationId) {
        if (text.isEmpty()) {
            r.hasMeanElevation = false;
        } else {
            const std::optional<double> h = readTypedNumber(text.toStdString(), NumberText::Whole);
            if (!h || std::fabs(*h) > 10000) return refuse(QStringLiteral("“%1”不是 -10000 到 10000 之间的高程。").arg(text));
            r.hasMeanElevation = true;
            r.meanElevation = *h;
        }
    } else if (id == kArcToChordId) {
        r.arcToChordEveryLine = text == kArcChoices[1];
    }
    if (r == survey_.reduction()) {
        fillOwnProperties();
        return true;
    }
    if (!survey_.setReduction(r)) fillOwnProperties();
    return true;
}

void CPlaneView::storeProperty(const QString& id, const QString& text) {
    if (id == kCurvatureId) {
        const int chosen = int(kCurvatureChoices.indexOf(text.trimmed()));
        if (chosen < 0 || (chosen == 0) == survey_.curvatureCorrection()) {
            fillOwnProperties();
            return;
        }
        survey_.setCurvatureCorrection(chosen == 0);
        return;
    }
    if (storeReductionProperty(id, text)) return;
    if (id == kRefractionId) {
        const std::optional<double> k = readTypedNumber(text.toStdString(), NumberText::Whole);
        if (!k) {
            survey_.prompter().message(
                QStringLiteral("“%1”不是数。大气折光系数仍为原值。").arg(text.trimmed()).toStdString());
            fillOwnProperties();
            return;
        }
        if (*k != survey_.refraction()) survey_.setRefraction(*k);
        else fillOwnProperties();
        return;
    }
    for (const ControlKey& k : kControlKeys) {
        if (id != QLatin1String(k.id)) continue;
        if (!startsWithNumber(text)) {
            survey_.prompter().message(QStringLiteral("“%1”不是数。参数仍为原值。").arg(text.trimmed()).toStdString());
            survey_.refresh(kControlModule);
            return;
        }
        // The value typed as it is shown: nothing to write.
        const QStringList ids = propertyIds();
        const std::vector<PaneProperty> props = paneProperties(true, -1);
        const int at = int(ids.indexOf(id));
        if (at >= 0 && at < int(props.size()) && q(props[std::size_t(at)].value).trimmed() == text.trimmed()) {
            survey_.refresh(kControlModule);
            return;
        }
        survey_.setControlParameter(k.parameter, text);
        return;
    }
}

}  // namespace vornex::app

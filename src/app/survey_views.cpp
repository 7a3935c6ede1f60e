#include "app/survey_views.h"

#include <QAction>
#include <QHBoxLayout>
#include <QSplitter>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cstdlib>

#include "app/app_prompter.h"
#include "app/module_tabs.h"
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
        addItems(item, tree, i.children);
    }
}

// The typed text holds a number at its start (what atof would read); a text
// without one would silently store 0.
bool startsWithNumber(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    char* end = nullptr;
    std::strtod(s.c_str(), &end);
    return end != s.c_str();
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
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setAccessibleName(QStringLiteral("树和属性"));
    split->addWidget(tree_);
    split->addWidget(grid_);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 1);
    split->setChildrenCollapsible(false);
    column->addWidget(split, 1);
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
            QStringLiteral("sectionEnd"),   QStringLiteral("date"),           QStringLiteral("staffConstant"),
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
    properties()->addProperty({kRefractionId, QStringLiteral("大气折光系数"),
                               QStringLiteral("三角高程的大气折光系数k，0表示不作球气差改正。保存在程序设置中，"
                                              "不写入数据文件。"),
                               {}, true, QString()});
}

void CPlaneView::fillOwnProperties() {
    properties()->setValue(kRefractionId, QString::number(survey_.refraction(), 'f', 2));
}

void CPlaneView::storeProperty(const QString& id, const QString& text) {
    if (id == kRefractionId) {
        bool ok = false;
        const double k = text.trimmed().toDouble(&ok);
        if (!ok) {
            survey_.prompter().message(
                QStringLiteral("“%1”不是数。大气折光系数仍为原值。").arg(text.trimmed()).toStdString());
            fillOwnProperties();
            return;
        }
        if (k != survey_.refraction()) survey_.setRefraction(k);
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

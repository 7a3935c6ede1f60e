#include "app/work_view.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <cmath>
#include <cstdlib>
#include <map>

#include "app/module_tabs.h"
#include "app/project_system.h"
#include "app/property_grid.h"
#include "document/edits.h"
#include "geometry/angles.h"
#include "geometry/stations.h"
#include "model/enum_texts.h"
#include "model/field_rules.h"
#include "model/record_store.h"
#include "text/text.h"

namespace vornex::app {

namespace ic = table_code;

namespace {

constexpr int kDataRole = Qt::UserRole;

QString q(const std::string& s) { return QString::fromStdString(s); }

int itemData(const QTreeWidgetItem* item) { return item->data(0, kDataRole).toInt(); }

QTreeWidgetItem* addItem(QTreeWidgetItem* parent, int data, const QString& caption) {
    auto* item = new QTreeWidgetItem(parent, {caption});
    item->setData(0, kDataRole, data);
    return item;
}

QString fixed(double v, int decimals) { return QString::number(v, 'f', decimals); }

QString stationText(const Road& road, double chainage) {
    return q(std::string(text::trim(formatStation(road, chainage, false))));
}

QString dmsText(double degrees) { return fixed(degreesToDms(degrees), 6); }

// Index (in the road's plate list) named by a tunnel's 道路板块 choice text.
QStringList plateChoices(const Road& road) {
    QStringList list;
    for (std::size_t i = 0; i < road.plates.size(); ++i) {
        const CrossSectionPlate& p = road.plates[i];
        list << QStringLiteral("%1 %2 %3").arg(i + 1).arg(q(sideText(p.side)), q(plateTypeText(p.plateType)).trimmed());
    }
    return list;
}

}  // namespace

CWorkView::CWorkView(DocumentController& controller, QWidget* parent) : QWidget(parent), controller_(controller) {
    setAccessibleName(QStringLiteral("道路测设"));
    tabs_ = new ModuleTabs(0, this);
    connect(tabs_, &ModuleTabs::moduleChosen, this, &CWorkView::moduleChosen);

    roads_ = new QComboBox(this);
    roads_->setAccessibleName(QStringLiteral("路线"));
    roads_->setToolTip(QStringLiteral("选择当前路线"));
    connect(roads_, &QComboBox::activated, this, [this](int i) { controller_.setCurrentRoad(i); });

    auto* modes = new QToolBar(this);
    modes->setAccessibleName(QStringLiteral("模式"));
    modes->setToolButtonStyle(Qt::ToolButtonTextOnly);
    dataMode_ = modes->addAction(QStringLiteral("数据输入"));
    resultsMode_ = modes->addAction(QStringLiteral("计算成果"));
    dataMode_->setToolTip(QStringLiteral("显示数据输入树"));
    resultsMode_->setToolTip(QStringLiteral("显示计算成果树"));
    for (QAction* a : {dataMode_, resultsMode_}) a->setCheckable(true);
    dataMode_->setChecked(true);
    connect(dataMode_, &QAction::triggered, this, [this] { setResultsMode(false); });
    connect(resultsMode_, &QAction::triggered, this, [this] { setResultsMode(true); });

    dataTree_ = new QTreeWidget(this);
    dataTree_->setAccessibleName(QStringLiteral("数据输入"));
    resultsTree_ = new QTreeWidget(this);
    resultsTree_->setAccessibleName(QStringLiteral("计算成果"));
    for (QTreeWidget* t : {dataTree_, resultsTree_}) {
        t->setHeaderHidden(true);
        t->setColumnCount(1);
        t->setSelectionMode(QAbstractItemView::SingleSelection);
    }
    dataTree_->setContextMenuPolicy(Qt::CustomContextMenu);
    dataTree_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(dataTree_, &QTreeWidget::customContextMenuRequested, this, &CWorkView::showTreeMenu);
    connect(dataTree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* c, QTreeWidgetItem* p) {
        if (!rebuilding_) onDataSelection(c, p);
    });
    connect(resultsTree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* c, QTreeWidgetItem*) {
        if (!rebuilding_) onResultsSelection(c);
    });
    // A record renamed in place in the tree.
    connect(dataTree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item, int) {
        if (rebuilding_) return;
        const std::vector<int> path = pathOf(item);
        const QString name = item->text(0);
        QMetaObject::invokeMethod(
            this,
            [this, path, name] {
                if (path.size() < 3) return;
                Road* road = controller_.doc().currentRoad();
                if (!road) return;
                const int folder = path[1];
                ParentKind kind = ParentKind::SlopeTemplate;
                int index = path[2], bridge = -1;
                if (folder == ic::kSlopeTemplates) kind = ParentKind::SlopeTemplate;
                else if (folder == ic::kTunnelTemplates) kind = ParentKind::TunnelTemplate;
                else if (folder == ic::kTunnels) kind = ParentKind::Tunnel;
                else if (folder == ic::kBridges && path.size() == 3) kind = ParentKind::Bridge;
                else if (folder == ic::kBridges && path.size() == 4) {
                    kind = ParentKind::Pier;
                    bridge = path[2];
                    index = path[3];
                } else return;
                controller_.edit(QStringLiteral("重命名"), EditScope::CurrentRoad, change::kRoads, -1, [&] {
                    renameParentRecord(*controller_.doc().currentRoad(), kind, index, name.toStdString(),
                                       controller_.prompter(), bridge);
                });
                rebuildDataTree();
            },
            Qt::QueuedConnection);
    });

    trees_ = new QStackedWidget(this);
    trees_->addWidget(dataTree_);
    trees_->addWidget(resultsTree_);

    roadGrid_ = new PropertyGrid(QStringLiteral("路线属性"), this);
    bridgeGrid_ = new PropertyGrid(QStringLiteral("桥梁属性"), this);
    tunnelGrid_ = new PropertyGrid(QStringLiteral("隧道属性"), this);
    templateGrid_ = new PropertyGrid(QStringLiteral("隧道断面模板属性"), this);
    grids_ = new QStackedWidget(this);
    for (PropertyGrid* g : {roadGrid_, bridgeGrid_, tunnelGrid_, templateGrid_}) grids_->addWidget(g);
    connect(roadGrid_, &PropertyGrid::propertyEdited, this, &CWorkView::onRoadProperty, Qt::QueuedConnection);
    connect(bridgeGrid_, &PropertyGrid::propertyEdited, this, &CWorkView::onBridgeProperty, Qt::QueuedConnection);
    connect(tunnelGrid_, &PropertyGrid::propertyEdited, this, &CWorkView::onTunnelProperty, Qt::QueuedConnection);
    connect(templateGrid_, &PropertyGrid::propertyEdited, this, &CWorkView::onTemplateProperty,
            Qt::QueuedConnection);

    // The road header's properties.
    roadGrid_->addGroup(QStringLiteral("项目"));
    roadGrid_->addProperty({"projectName", QStringLiteral("项目名称"),
                            QStringLiteral("输入项目的名称，最长24个字符或12个汉字。"), {}, true, QString()});
    roadGrid_->addProperty({"precision", QStringLiteral("计算精度(mm)"),
                            QStringLiteral("输入曲线计算的精度，程序将以不超过此精度计算曲线坐标，单位mm。"), {}, true,
                            QStringLiteral("0.1")});
    addProjectSystemProperties(*roadGrid_);
    roadGrid_->addGroup(QStringLiteral("线路"));
    roadGrid_->addProperty({"roadName", QStringLiteral("线路名"), QStringLiteral("输入线路的名称，最长12个字符或6个汉字。"),
                            {}, true, QString()});
    roadGrid_->addProperty({"prefix", QStringLiteral("线路前缀"),
                            QStringLiteral("输入线路桩号前缀，仅支持2个以内的英文字母。"), {}, true, QStringLiteral("K")});
    roadGrid_->addProperty({"curveForm", QStringLiteral("曲线形式"),
                            QStringLiteral("输入线路的平面线形形式：交点法、线元法。"),
                            {QStringLiteral("交点法"), QStringLiteral("线元法")}, true, QStringLiteral("交点法")});
    roadGrid_->addProperty({"calcMethod", QStringLiteral("计算方式"),
                            QStringLiteral("选择竖曲线的计算方式：传统算法、精确算法。"),
                            {QStringLiteral("传统算法"), QStringLiteral("精确算法")}, true, QStringLiteral("传统算法")});
    roadGrid_->addGroup(QStringLiteral("起算数据"));
    roadGrid_->addProperty({"startPosition", QStringLiteral("起算点位置"),
                            QStringLiteral("用第几个交点的桩号进行推算其它交点的桩号。"), {}, true, QStringLiteral("1")});
    roadGrid_->addProperty({"startStation", QStringLiteral("起算点桩号"),
                            QStringLiteral("起算点的桩号，实数输入，如在长链中前面加“+”"), {}, true, QString()});
    roadGrid_->addProperty({"startX", QStringLiteral("起算坐标X"), QStringLiteral("线元法线路起点的X坐标(m)"), {}, true,
                            QString()});
    roadGrid_->addProperty({"startY", QStringLiteral("起算坐标Y"), QStringLiteral("线元法线路起点的Y坐标(m)"), {}, true,
                            QString()});
    roadGrid_->addProperty({"startAzimuth", QStringLiteral("起算方位角"),
                            QStringLiteral("线元法线路起点的方位角，度.分秒"), {}, true, QString()});

    bridgeGrid_->addGroup(QStringLiteral("桥梁"));
    bridgeGrid_->addProperty({"name", QStringLiteral("桥梁名称"), QStringLiteral("桥梁的名称，12个字符或6个汉字以内"), {},
                              true, QString()});
    bridgeGrid_->addProperty({"calcType", QStringLiteral("计算类型"), QStringLiteral("弯桥弯做或弯桥直做"),
                              {QStringLiteral("弯桥弯做"), QStringLiteral("弯桥直做")}, true, QString()});
    bridgeGrid_->addProperty({"startStation", QStringLiteral("开始桩号(m)"), QStringLiteral("桥梁开始的桩号"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"length", QStringLiteral("长度(m)"), QStringLiteral("桥梁的长度"), {}, true, QString()});
    bridgeGrid_->addProperty({"leftWidth", QStringLiteral("左侧宽度(m)"), QStringLiteral("桥梁轴线左侧的宽度"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"rightWidth", QStringLiteral("右侧宽度(m)"), QStringLiteral("桥梁轴线右侧的宽度"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"axisOffset", QStringLiteral("轴线偏移(m)"),
                              QStringLiteral("桥梁轴线与道路设计线的距离，左负右正"), {}, true, QString()});
    bridgeGrid_->addGroup(QStringLiteral("墩台"));
    bridgeGrid_->addProperty({"pierName", QStringLiteral("墩台编号"), QStringLiteral("墩台的编号，12个字符以内"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"pierStation", QStringLiteral("桩号(m)"), QStringLiteral("墩台所在的桩号"), {}, true,
                              QString()});
    bridgeGrid_->addProperty({"pierAngle", QStringLiteral("与主桥夹角"),
                              QStringLiteral("墩台轴线与主桥纵轴(或其切线)的顺时针夹角，度.分秒"), {}, true, QString()});

    tunnelGrid_->addGroup(QStringLiteral("隧道"));
    tunnelGrid_->addProperty({"name", QStringLiteral("隧道名称"), QStringLiteral("隧道的名称，12个字符或6个汉字以内"), {},
                              true, QString()});
    tunnelGrid_->addProperty({"startStation", QStringLiteral("开始桩号(m)"), QStringLiteral("隧道开始的桩号"), {}, true,
                              QString()});
    tunnelGrid_->addProperty({"length", QStringLiteral("长度(m)"), QStringLiteral("隧道的长度"), {}, true, QString()});
    tunnelGrid_->addProperty({"plate", QStringLiteral("道路板块"), QStringLiteral("选择坡度定义时所依据的板块。"), {}, true,
                              QString()});

    templateGrid_->addGroup(QStringLiteral("隧道断面模板"));
    templateGrid_->addProperty({"name", QStringLiteral("模板名称"), QStringLiteral("隧道断面模板的名称"), {}, true,
                                QString()});
    templateGrid_->addProperty({"designOffset", QStringLiteral("设计点偏移"),
                                QStringLiteral("隧道中心点与道路中线的水平偏移(m)"), {}, true, QString()});
    templateGrid_->addProperty({"excavationCrown", QStringLiteral("开挖线拱高"),
                                QStringLiteral("开挖线拱顶高出高程设计线的高度(m)"), {}, true, QString()});
    templateGrid_->addProperty({"primaryCrown", QStringLiteral("初支拱高"),
                                QStringLiteral("初支拱顶高出高程设计线的高度(m)"), {}, true, QString()});
    templateGrid_->addProperty({"secondaryCrown", QStringLiteral("二衬拱高"),
                                QStringLiteral("二衬拱顶高出高程设计线的高度(m)"), {}, true, QString()});

    // Layout: the tab strip on the left edge; the trees take the space right of
    // it (2 pixels below the top) above the property grid.
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 2, 2, 2);
    column->setSpacing(2);
    auto* roadRow = new QHBoxLayout;
    auto* roadLabel = new QLabel(QStringLiteral("路线："), this);
    roadLabel->setBuddy(roads_);
    roadRow->addWidget(roadLabel);
    roadRow->addWidget(roads_, 1);
    column->addLayout(roadRow);
    column->addWidget(modes);
    auto* split = new QSplitter(Qt::Vertical, this);
    split->setAccessibleName(QStringLiteral("树和属性"));
    split->addWidget(trees_);
    split->addWidget(grids_);
    split->setStretchFactor(0, 3);
    split->setStretchFactor(1, 2);
    split->setChildrenCollapsible(false);
    column->addWidget(split, 1);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(tabs_);
    layout->addLayout(column, 1);

    connect(&controller_, &DocumentController::changed, this, &CWorkView::onChanged);
    connect(&controller_, &DocumentController::coordinateSystemChanged, this, &CWorkView::fillGrids);
    connect(&controller_, &DocumentController::documentReplaced, this, [this] {
        fillRoads();
        rebuildDataTree();
        rebuildResultsTree();
        setResultsMode(false);
        selectCode(ic::kControlPoints);
        fillGrids();
    });
    fillRoads();
    rebuildDataTree();
    rebuildResultsTree();
    selectCode(ic::kControlPoints);
    fillGrids();
}

PropertyGrid* CWorkView::currentGrid() const { return static_cast<PropertyGrid*>(grids_->currentWidget()); }

void CWorkView::onChanged(int kind, int) {
    switch (kind) {
    case change::kEverything:
    case change::kRoads:
    case int(RecordKind::SlopeTemplate):
    case int(RecordKind::Bridge):
    case int(RecordKind::Pier):
    case int(RecordKind::Tunnel):
    case int(RecordKind::TunnelTemplate):
        fillRoads();
        rebuildDataTree();
        break;
    default: break;
    }
    fillGrids();
    applyReadOnly();
}

void CWorkView::fillRoads() {
    const RoadProject& p = controller_.project();
    QStringList names;
    for (const Road& r : p.roads) names << q(r.name.utf8());
    QStringList shown;
    for (int i = 0; i < roads_->count(); ++i) shown << roads_->itemText(i);
    if (shown != names) {
        roads_->clear();
        roads_->addItems(names);
    }
    roads_->setCurrentIndex(p.currentRoad);
}

std::vector<int> CWorkView::pathOf(QTreeWidgetItem* item) const {
    std::vector<int> path;
    for (QTreeWidgetItem* i = item; i != nullptr; i = i->parent()) path.insert(path.begin(), itemData(i));
    return path;
}

bool CWorkView::selectPath(const std::vector<int>& path, bool results) {
    QTreeWidget* tree = results ? resultsTree_ : dataTree_;
    if (path.empty()) return false;
    QTreeWidgetItem* item = nullptr;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        if (itemData(tree->topLevelItem(i)) == path[0]) item = tree->topLevelItem(i);
    for (std::size_t k = 1; item && k < path.size(); ++k) {
        QTreeWidgetItem* next = nullptr;
        for (int i = 0; i < item->childCount(); ++i)
            if (itemData(item->child(i)) == path[k]) next = item->child(i);
        item = next;
    }
    if (!item) return false;
    if (results != controller_.viewState().resultsMode) setResultsMode(results);
    tree->setCurrentItem(item);
    return true;
}

bool CWorkView::selectCode(int code) {
    const bool results = code <= ic::kResultsRoot;
    QTreeWidget* tree = results ? resultsTree_ : dataTree_;
    QTreeWidgetItemIterator it(tree);
    for (; *it; ++it) {
        if (itemData(*it) == code) return selectPath(pathOf(*it), results);
    }
    return false;
}

void CWorkView::rebuildDataTree() {
    const Road* road = controller_.doc().currentRoad();
    std::vector<int> keep = dataTree_->currentItem() ? pathOf(dataTree_->currentItem()) : std::vector<int>{};
    rebuilding_ = true;
    dataTree_->clear();
    auto* root = new QTreeWidgetItem(dataTree_, {QStringLiteral("数据输入")});
    root->setData(0, kDataRole, ic::kDataRoot);
    const bool byElements = road && road->curveForm == 1;
    for (const TreeEntry& e : dataCategories(byElements)) {
        QTreeWidgetItem* item = addItem(root, e.code, e.caption);
        if (!road) continue;
        switch (e.code) {
        case ic::kSlopeTemplates:
            for (std::size_t i = 0; i < road->slopeTemplates.size(); ++i)
                addItem(item, int(i), q(road->slopeTemplates[i].name.utf8()));
            break;
        case ic::kBridges:
            for (std::size_t i = 0; i < road->bridges.size(); ++i) {
                QTreeWidgetItem* b = addItem(item, int(i), q(road->bridges[i].name.utf8()));
                for (std::size_t k = 0; k < road->bridges[i].piers.size(); ++k)
                    addItem(b, int(k), q(road->bridges[i].piers[k].name.utf8()));
            }
            break;
        case ic::kTunnelTemplates:
            for (std::size_t i = 0; i < road->tunnelTemplates.size(); ++i) {
                QTreeWidgetItem* t = addItem(item, int(i), q(road->tunnelTemplates[i].name.utf8()));
                for (const TreeEntry& part : tunnelTemplateParts()) addItem(t, part.code, part.caption);
            }
            break;
        case ic::kTunnels:
            for (std::size_t i = 0; i < road->tunnels.size(); ++i) {
                QTreeWidgetItem* t = addItem(item, int(i), q(road->tunnels[i].name.utf8()));
                for (const TreeEntry& part : tunnelParts()) addItem(t, part.code, part.caption);
            }
            break;
        default: break;
        }
    }
    dataTree_->expandAll();
    rebuilding_ = false;
    // The plane item follows the road's method.
    for (int& v : keep)
        if (v == ic::kIntersectionPoints || v == ic::kElements)
            v = byElements ? ic::kElements : ic::kIntersectionPoints;
    // Keep the selection on the same item, or the nearest one that is left.
    QTreeWidgetItem* target = nullptr;
    while (!keep.empty() && !target) {
        QTreeWidgetItem* item = root;
        if (keep[0] != ic::kDataRoot) break;
        for (std::size_t k = 1; item && k < keep.size(); ++k) {
            QTreeWidgetItem* next = nullptr;
            for (int i = 0; i < item->childCount(); ++i)
                if (itemData(item->child(i)) == keep[k]) next = item->child(i);
            item = next;
        }
        target = item;
        if (!target) keep.pop_back();
    }
    if (!target) {
        for (int i = 0; i < root->childCount(); ++i)
            if (itemData(root->child(i)) == ic::kControlPoints) target = root->child(i);
    }
    rebuilding_ = true;
    dataTree_->setCurrentItem(target);
    rebuilding_ = false;
    if (!controller_.viewState().resultsMode) onDataSelection(target, target);
}

void CWorkView::rebuildResultsTree() {
    if (resultsTree_->topLevelItemCount() > 0) return;  // fixed items
    rebuilding_ = true;
    auto* root = new QTreeWidgetItem(resultsTree_, {QStringLiteral("计算成果")});
    root->setData(0, kDataRole, ic::kResultsRoot);
    for (const TreeEntry& e : resultItems()) addItem(root, e.code, e.caption);
    resultsTree_->expandAll();
    resultsTree_->setCurrentItem(root->child(0));
    rebuilding_ = false;
}

void CWorkView::setResultsMode(bool results) {
    controller_.viewState().resultsMode = results;
    dataMode_->setChecked(!results);
    resultsMode_->setChecked(results);
    trees_->setCurrentWidget(results ? resultsTree_ : dataTree_);
    // The table follows the tree that shows.
    if (results) onResultsSelection(resultsTree_->currentItem());
    else onDataSelection(dataTree_->currentItem(), dataTree_->currentItem());
}

void CWorkView::onDataSelection(QTreeWidgetItem* current, QTreeWidgetItem* previous) {
    CVornexPcDoc& doc = controller_.doc();
    // Leaving "断链数据" puts the chain breaks in order.
    if (previous && previous != current && previous->treeWidget() == dataTree_ && itemData(previous) == ic::kChainBreaks &&
        doc.currentRoad() && controller_.editable()) {
        controller_.edit(QStringLiteral("断链排序"), EditScope::CurrentRoad, int(RecordKind::ChainBreak), -1,
                         [&] { sortChainBreaks(*doc.currentRoad()); });
    }
    if (!current) {
        doc.currentTable = 0;
        controller_.notifySelection();
        return;
    }
    std::optional<int> parent, grandparent;
    if (current->parent()) parent = itemData(current->parent());
    if (current->parent() && current->parent()->parent()) grandparent = itemData(current->parent()->parent());
    const DataSelection s = dataSelection(itemData(current), parent, grandparent);
    doc.currentTable = s.code;
    ViewState& view = controller_.viewState();
    if (Road* road = doc.currentRoad()) {
        if (s.setsBridge) {
            road->currentBridge = s.bridge;
            road->currentPier = s.pier;
        }
        if (s.setsTunnel) road->currentTunnel = s.tunnel;
    }
    if (s.setsTunnelTemplate) view.tunnelTemplate = s.tunnelTemplate;
    if (s.setsSlopeTemplate) view.slopeTemplate = s.slopeTemplate;
    showPane(s.pane);
    fillGrids();
    controller_.notifySelection();
    emit drawingWanted(true);
}

void CWorkView::onResultsSelection(QTreeWidgetItem* current) {
    CVornexPcDoc& doc = controller_.doc();
    doc.currentTable = current ? itemData(current) : 0;
    controller_.notifySelection();
    emit drawingWanted(showsDrawing(doc.currentTable));
}

void CWorkView::showPane(PropertyPane pane) {
    pane_ = pane;
    switch (pane) {
    case PropertyPane::Road: grids_->setCurrentWidget(roadGrid_); break;
    case PropertyPane::Bridge: grids_->setCurrentWidget(bridgeGrid_); break;
    case PropertyPane::Tunnel: grids_->setCurrentWidget(tunnelGrid_); break;
    case PropertyPane::TunnelTemplate: grids_->setCurrentWidget(templateGrid_); break;
    }
}

void CWorkView::fillGrids() {
    fillRoadGrid();
    fillBridgeGrid();
    fillTunnelGrid();
    fillTemplateGrid();
    fillProjectSystemProperties(*roadGrid_, controller_.coordinateSystem());
    applyReadOnly();
}

void CWorkView::applyReadOnly() {
    const bool ro = !controller_.editable();
    for (PropertyGrid* g : {roadGrid_, bridgeGrid_, tunnelGrid_, templateGrid_}) g->setReadOnly(ro);
}

void CWorkView::fillRoadGrid() {
    const CVornexPcDoc& doc = controller_.doc();
    const Road* road = doc.currentRoad();
    PropertyGrid* g = roadGrid_;
    g->setValue("projectName", q(doc.project().projectName.utf8()));
    g->setValue("precision", QString::number(doc.project().precision * 1000, 'g', 10));
    if (!road) {
        for (const char* id : {"roadName", "prefix", "curveForm", "calcMethod", "startPosition", "startStation", "startX",
                               "startY", "startAzimuth"})
            g->setValue(id, QString());
        return;
    }
    g->setValue("roadName", q(road->name.utf8()));
    g->setValue("prefix", q(road->stationPrefix.utf8()));
    g->setValue("curveForm", q(curveFormText(road->curveForm)));
    g->setValue("calcMethod", q(calcMethodText(road->calcMethod)));
    g->setValue("startPosition", QString::number(doc.startPosition));
    g->setValue("startStation", stationText(*road, doc.startPointStation));
    const bool byElements = road->curveForm == 1;
    g->setValue("startX", byElements ? fixed(doc.startX, 4) : QString());
    g->setValue("startY", byElements ? fixed(doc.startY, 4) : QString());
    g->setValue("startAzimuth", byElements ? dmsText(doc.startPointAzimuth) : QString());
    // X, Y and the azimuth start a road by elements; a road by intersection
    // points takes them from its points.
    for (const char* id : {"startX", "startY", "startAzimuth"}) g->setEditable(id, byElements);
}

void CWorkView::fillBridgeGrid() {
    const Road* road = controller_.doc().currentRoad();
    PropertyGrid* g = bridgeGrid_;
    const Bridge* b = road && road->currentBridge >= 0 && road->currentBridge < int(road->bridges.size())
                          ? &road->bridges[std::size_t(road->currentBridge)]
                          : nullptr;
    const Pier* p = b && road->currentPier >= 0 && road->currentPier < int(b->piers.size())
                        ? &b->piers[std::size_t(road->currentPier)]
                        : nullptr;
    g->setValue("name", b ? q(b->name.utf8()) : QString());
    g->setValue("calcType", b ? q(bridgeCalcTypeText(b->calcType)) : QString());
    g->setValue("startStation", b ? stationText(*road, b->startStation) : QString());
    g->setValue("length", b ? fixed(b->length, 3) : QString());
    g->setValue("leftWidth", b ? fixed(b->leftWidth, 3) : QString());
    g->setValue("rightWidth", b ? fixed(b->rightWidth, 3) : QString());
    g->setValue("axisOffset", b ? fixed(b->axisOffset, 3) : QString());
    for (const char* id : {"name", "calcType", "startStation", "length", "leftWidth", "rightWidth", "axisOffset"})
        g->setEditable(id, b != nullptr);
    g->setValue("pierName", p ? q(p->name.utf8()) : QString());
    g->setValue("pierStation", p ? stationText(*road, p->station) : QString());
    g->setValue("pierAngle", p ? dmsText(p->angle) : QString());
    for (const char* id : {"pierName", "pierStation", "pierAngle"}) g->setEditable(id, p != nullptr);
}

void CWorkView::fillTunnelGrid() {
    const Road* road = controller_.doc().currentRoad();
    PropertyGrid* g = tunnelGrid_;
    const Tunnel* t = road && road->currentTunnel >= 0 && road->currentTunnel < int(road->tunnels.size())
                          ? &road->tunnels[std::size_t(road->currentTunnel)]
                          : nullptr;
    const QStringList plates = road ? plateChoices(*road) : QStringList{};
    g->setChoices("plate", plates);
    g->setValue("name", t ? q(t->name.utf8()) : QString());
    g->setValue("startStation", t ? stationText(*road, t->startStation) : QString());
    g->setValue("length", t ? fixed(t->length, 3) : QString());
    g->setValue("plate", t ? plates.value(t->plateIndex) : QString());
    for (const char* id : {"name", "startStation", "length"}) g->setEditable(id, t != nullptr);
    g->setEditable("plate", t != nullptr && !plates.isEmpty());
}

void CWorkView::fillTemplateGrid() {
    const Road* road = controller_.doc().currentRoad();
    const int i = controller_.viewState().tunnelTemplate;
    PropertyGrid* g = templateGrid_;
    const TunnelTemplate* t =
        road && i >= 0 && i < int(road->tunnelTemplates.size()) ? &road->tunnelTemplates[std::size_t(i)] : nullptr;
    g->setValue("name", t ? q(t->name.utf8()) : QString());
    g->setValue("designOffset", t ? fixed(t->designOffset, 4) : QString());
    g->setValue("excavationCrown", t ? fixed(t->excavationCrown, 4) : QString());
    g->setValue("primaryCrown", t ? fixed(t->primaryCrown, 4) : QString());
    g->setValue("secondaryCrown", t ? fixed(t->secondaryCrown, 4) : QString());
    for (const char* id : {"name", "designOffset", "excavationCrown", "primaryCrown", "secondaryCrown"})
        g->setEditable(id, t != nullptr);
}

void CWorkView::onRoadProperty(const QString& id, const QString& text) {
    if (storeProjectSystemProperty(controller_, id, text)) {
        fillGrids();
        return;
    }
    CVornexPcDoc& doc = controller_.doc();
    const std::string s = text.toStdString();
    auto road = [&](const QString& label, const std::function<void()>& fn) {
        controller_.edit(label, EditScope::CurrentRoad, change::kRoads, doc.project().currentRoad, fn);
    };
    auto project = [&](const QString& label, const std::function<void()>& fn) {
        controller_.edit(label, EditScope::Project, change::kRoads, -1, fn);
    };
    if (id == "roadName") {
        project(QStringLiteral("线路名"), [&] { doc.renameRoad(s); });
    } else if (id == "prefix") {
        road(QStringLiteral("线路前缀"), [&] { doc.setStationPrefix(s); });
    } else if (id == "projectName") {
        project(QStringLiteral("项目名称"), [&] { doc.setProjectName(s); });
    } else if (id == "precision") {
        project(QStringLiteral("计算精度"), [&] { setPrecisionText(doc, s); });
    } else if (id == "curveForm") {
        road(QStringLiteral("曲线形式"), [&] { doc.setCurveForm(s); });
    } else if (id == "calcMethod") {
        road(QStringLiteral("计算方式"), [&] { doc.setCalcMethod(s); });
    } else {
        StartValue which = StartValue::Position;
        if (id == "startStation") which = StartValue::Station;
        else if (id == "startX") which = StartValue::X;
        else if (id == "startY") which = StartValue::Y;
        else if (id == "startAzimuth") which = StartValue::Azimuth;
        else if (id != "startPosition") return;
        road(QStringLiteral("起算数据"), [&] { doc.setStartValue(which, s); });
    }
    fillGrids();
}

void CWorkView::onBridgeProperty(const QString& id, const QString& text) {
    static const std::map<QString, BridgeField> kFields = {
        {"name", BridgeField::Name},           {"calcType", BridgeField::CalcType},
        {"startStation", BridgeField::StartStation}, {"length", BridgeField::Length},
        {"leftWidth", BridgeField::LeftWidth}, {"rightWidth", BridgeField::RightWidth},
        {"axisOffset", BridgeField::AxisOffset}, {"pierName", BridgeField::PierName},
        {"pierStation", BridgeField::PierStation}, {"pierAngle", BridgeField::PierAngle}};
    CVornexPcDoc& doc = controller_.doc();
    Road* road = doc.currentRoad();
    const auto field = kFields.find(id);
    if (!road || road->currentBridge < 0 || road->currentBridge >= int(road->bridges.size()) ||
        field == kFields.end())
        return;
    const int bi = road->currentBridge, pi = road->currentPier;
    const int kind = id.startsWith("pier") ? int(RecordKind::Pier) : int(RecordKind::Bridge);
    controller_.edit(QStringLiteral("桥梁属性"), EditScope::CurrentRoad, kind, bi, [&] {
        setBridgeField(*doc.currentRoad(), bi, pi, field->second, text.toStdString(), controller_.prompter());
    });
    fillGrids();
}

void CWorkView::onTunnelProperty(const QString& id, const QString& text) {
    static const std::map<QString, TunnelField> kFields = {
        {"name", TunnelField::Name}, {"startStation", TunnelField::StartStation}, {"length", TunnelField::Length}};
    CVornexPcDoc& doc = controller_.doc();
    Road* road = doc.currentRoad();
    if (!road || road->currentTunnel < 0 || road->currentTunnel >= int(road->tunnels.size())) return;
    const int ti = road->currentTunnel;
    const auto field = kFields.find(id);
    // The plate is chosen from the road's plate list: its index is what is stored.
    const int plate = id == "plate" ? int(plateChoices(*road).indexOf(text)) : -1;
    if (field == kFields.end() && plate < 0) return;
    controller_.edit(QStringLiteral("隧道属性"), EditScope::CurrentRoad, int(RecordKind::Tunnel), ti, [&] {
        Road& r = *doc.currentRoad();
        if (field != kFields.end()) setTunnelField(r, ti, field->second, text.toStdString(), controller_.prompter());
        else setTunnelPlate(r, ti, plate);
    });
    fillGrids();
}

void CWorkView::onTemplateProperty(const QString& id, const QString& text) {
    static const std::map<QString, TunnelTemplateField> kFields = {
        {"name", TunnelTemplateField::Name},
        {"designOffset", TunnelTemplateField::DesignOffset},
        {"excavationCrown", TunnelTemplateField::ExcavationCrown},
        {"primaryCrown", TunnelTemplateField::PrimaryCrown},
        {"secondaryCrown", TunnelTemplateField::SecondaryCrown}};
    CVornexPcDoc& doc = controller_.doc();
    Road* road = doc.currentRoad();
    const int ti = controller_.viewState().tunnelTemplate;
    const auto field = kFields.find(id);
    if (!road || ti < 0 || ti >= int(road->tunnelTemplates.size()) || field == kFields.end()) return;
    controller_.edit(QStringLiteral("隧道断面模板属性"), EditScope::CurrentRoad, int(RecordKind::TunnelTemplate), ti, [&] {
        setTunnelTemplateField(*doc.currentRoad(), ti, field->second, text.toStdString(), controller_.prompter());
    });
    fillGrids();
}

QList<QAction*> CWorkView::contextActions(QTreeWidgetItem* item) {
    QList<QAction*> actions;
    if (!item) return actions;
    const bool editable = controller_.editable();
    const std::vector<int> path = pathOf(item);
    auto add = [&](const QString& text, bool enabled, std::function<void()> fn) {
        auto* a = new QAction(text, this);
        a->setEnabled(enabled && editable);
        connect(a, &QAction::triggered, this, [fn] { fn(); });
        actions << a;
    };
    CVornexPcDoc& doc = controller_.doc();
    if (path.size() == 1) {
        add(QStringLiteral("增加一条路线"), true, [this, &doc] {
            controller_.edit(QStringLiteral("增加路线"), EditScope::Project, change::kRoads, -1, [&] { doc.addRoad(); });
        });
        add(QStringLiteral("删除当前路线"), doc.currentRoad() != nullptr, [this, &doc] {
            controller_.edit(QStringLiteral("删除路线"), EditScope::Project, change::kRoads, -1,
                             [&] { doc.deleteCurrentRoad(); });
        });
        return actions;
    }
    if (path.size() < 2) return actions;
    const int folder = path[1];
    auto run = [this, &doc](const QString& label, int kind, std::function<void(Road&)> fn) {
        Road* road = doc.currentRoad();
        if (!road) return;
        controller_.edit(label, EditScope::CurrentRoad, kind, -1, [&] { fn(*doc.currentRoad()); });
    };
    auto addCmd = [this, run](const QString& label, ParentKind kind, int recordKind, int folderCode, int bridge) {
        int added = -1;
        run(label, recordKind, [&](Road& r) { added = addParentRecord(r, kind, controller_.prompter(), bridge); });
        if (added >= 0) {
            if (kind == ParentKind::Pier) selectPath({ic::kDataRoot, ic::kBridges, bridge, added});
            else selectPath({ic::kDataRoot, folderCode, added});
        }
    };
    auto delCmd = [run, this](const QString& label, ParentKind kind, int recordKind, int index, int bridge) {
        run(label, recordKind,
            [&](Road& r) { deleteParentRecord(r, kind, index, controller_.prompter(), bridge); });
    };
    auto renameCmd = [this, item] {
        item->setFlags(item->flags() | Qt::ItemIsEditable);
        dataTree_->editItem(item, 0);
    };
    struct Folder {
        int code;
        ParentKind kind;
        int recordKind;
        QString noun;
    };
    const Folder folders[] = {
        {ic::kSlopeTemplates, ParentKind::SlopeTemplate, int(RecordKind::SlopeTemplate), QStringLiteral("边坡模板")},
        {ic::kBridges, ParentKind::Bridge, int(RecordKind::Bridge), QStringLiteral("桥梁")},
        {ic::kTunnelTemplates, ParentKind::TunnelTemplate, int(RecordKind::TunnelTemplate),
         QStringLiteral("隧道断面模板")},
        {ic::kTunnels, ParentKind::Tunnel, int(RecordKind::Tunnel), QStringLiteral("隧道")},
    };
    for (const Folder& f : folders) {
        if (folder != f.code) continue;
        if (path.size() <= 3) {
            add(QStringLiteral("增加") + f.noun, true,
                [=] { addCmd(QStringLiteral("增加") + f.noun, f.kind, f.recordKind, f.code, -1); });
        }
        if (f.code == ic::kBridges && path.size() >= 3) {
            const int bridge = path[2];
            add(QStringLiteral("增加墩台"), true,
                [=] { addCmd(QStringLiteral("增加墩台"), ParentKind::Pier, int(RecordKind::Pier), f.code, bridge); });
        }
        if (path.size() == 3) {
            const int index = path[2];
            add(QStringLiteral("删除") + f.noun, true,
                [=] { delCmd(QStringLiteral("删除") + f.noun, f.kind, f.recordKind, index, -1); });
            add(QStringLiteral("重命名"), true, renameCmd);
        }
        if (f.code == ic::kBridges && path.size() == 4) {
            const int bridge = path[2], index = path[3];
            add(QStringLiteral("删除墩台"), true,
                [=] { delCmd(QStringLiteral("删除墩台"), ParentKind::Pier, int(RecordKind::Pier), index, bridge); });
            add(QStringLiteral("重命名"), true, renameCmd);
        }
    }
    return actions;
}

void CWorkView::showTreeMenu(const QPoint& pos) {
    QTreeWidgetItem* item = dataTree_->itemAt(pos);
    const QList<QAction*> actions = contextActions(item);
    if (actions.isEmpty()) return;
    QMenu menu(this);
    menu.setAccessibleName(QStringLiteral("数据树菜单"));
    menu.addActions(actions);
    menu.exec(dataTree_->viewport()->mapToGlobal(pos));
    qDeleteAll(actions);
}

}  // namespace vornex::app

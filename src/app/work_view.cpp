#include "app/work_view.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSplitter>
#include <QStackedWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/module_tabs.h"
#include "app/property_grid.h"
#include "document/parent_records.h"
#include "model/record_store.h"

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

    buildPropertyPanes();

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

}  // namespace vornex::app

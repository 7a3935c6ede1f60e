// The road module's view: the module tabs, the road selector, the two mode
// buttons, the data and results trees, and the property grids of the road
// header, the current bridge (and pier), tunnel and tunnel-section template —
// one grid at a time. A tree selection sets the document's current item code
// and what it makes current; every change of data runs through the controller.
#pragma once

#include <QWidget>

#include <optional>
#include <vector>

#include "app/document_controller.h"
#include "app/tree_items.h"

class QAction;
class QComboBox;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace vornex::app {

class ModuleTabs;
class PropertyGrid;

class CWorkView : public QWidget {
    Q_OBJECT
public:
    explicit CWorkView(DocumentController& controller, QWidget* parent = nullptr);

    QComboBox* roadSelector() const { return roads_; }
    QTreeWidget* dataTree() const { return dataTree_; }
    QTreeWidget* resultsTree() const { return resultsTree_; }
    ModuleTabs* tabs() const { return tabs_; }
    QAction* dataModeAction() const { return dataMode_; }
    QAction* resultsModeAction() const { return resultsMode_; }
    PropertyGrid* roadGrid() const { return roadGrid_; }
    PropertyGrid* bridgeGrid() const { return bridgeGrid_; }
    PropertyGrid* tunnelGrid() const { return tunnelGrid_; }
    PropertyGrid* templateGrid() const { return templateGrid_; }
    // The property grid shown now.
    PropertyGrid* currentGrid() const;

    // Selects the item with this code in the data or results tree (the first
    // one; folder children by their path of item data). True when found.
    bool selectCode(int code);
    bool selectPath(const std::vector<int>& path, bool results = false);
    // Shows the data tree (false) or the results tree (true).
    void setResultsMode(bool results);

    // The context-menu commands of the data tree for `item` (enabled ones only act).
    QList<QAction*> contextActions(QTreeWidgetItem* item);

signals:
    void moduleChosen(int index);
    // A selection wants the drawing row shown (data codes) or hidden (result codes).
    void drawingWanted(bool shown);

private:
    void onChanged(int kind, int index);
    void fillRoads();
    void rebuildDataTree();
    void rebuildResultsTree();
    void fillRoadGrid();
    void fillBridgeGrid();
    void fillTunnelGrid();
    void fillTemplateGrid();
    void fillGrids();
    void onDataSelection(QTreeWidgetItem* current, QTreeWidgetItem* previous);
    void onResultsSelection(QTreeWidgetItem* current);
    void onRoadProperty(const QString& id, const QString& text);
    void onBridgeProperty(const QString& id, const QString& text);
    void onTunnelProperty(const QString& id, const QString& text);
    void onTemplateProperty(const QString& id, const QString& text);
    void showPane(PropertyPane pane);
    void applyReadOnly();
    std::vector<int> pathOf(QTreeWidgetItem* item) const;
    void showTreeMenu(const QPoint& pos);
    // Makes the four property panes and connects their edits (work_view_panes.cpp).
    void buildPropertyPanes();

    DocumentController& controller_;
    ModuleTabs* tabs_;
    QComboBox* roads_;
    QAction* dataMode_;
    QAction* resultsMode_;
    QStackedWidget* trees_;
    QTreeWidget* dataTree_;
    QTreeWidget* resultsTree_;
    QStackedWidget* grids_;
    PropertyGrid* roadGrid_;
    PropertyGrid* bridgeGrid_;
    PropertyGrid* tunnelGrid_;
    PropertyGrid* templateGrid_;
    PropertyPane pane_ = PropertyPane::Road;
    bool rebuilding_ = false;
};

}  // namespace vornex::app

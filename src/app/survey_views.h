// The leveling and control-survey module views: the module tabs, the commands
// (open, close, refresh), the tree of the loaded file and its property pane.
// A tree selection sets the module's selection in the survey controller, from
// which the result column builds its table; a property edit goes to the
// controller, which writes the file's header and adjusts again.
#pragma once

#include <QStringList>
#include <QWidget>

#include <vector>

#include "tables/survey_tables.h"

class QAction;
class QSplitter;
class QToolBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace vornex::app {

class ModuleTabs;
class PropertyGrid;
class SurveyController;

// Item data of the survey trees: the table code and the section or station index.
inline constexpr int kSurveyCodeRole = Qt::UserRole;
inline constexpr int kSurveyIndexRole = Qt::UserRole + 1;

class SurveyModuleView : public QWidget {
    Q_OBJECT
public:
    SurveyModuleView(int module, SurveyController& survey, QWidget* parent = nullptr);

    int module() const { return module_; }
    ModuleTabs* tabs() const { return tabs_; }
    QTreeWidget* tree() const { return tree_; }
    PropertyGrid* properties() const { return grid_; }
    QToolBar* commandBar() const { return commands_; }
    QSplitter* splitter() const { return split_; }
    // The settings key of the tree / property split of this pane.
    QString splitterKey() const;
    // The shared open / close / refresh commands of the main window, shown in
    // this pane's command bar.
    void setCommands(const QList<QAction*>& actions);

    // The file filter of the open dialog.
    QString fileFilter() const;
    // Open with the file dialog; false when cancelled or the file was not read.
    bool openWithDialog();
    bool openFile(const QString& path);
    void closeFile();
    void refresh();
    // Selects the tree item with this code (and index for sections/stations).
    bool selectItem(int code, int index = -1);

signals:
    void moduleChosen(int index);
    // A file was opened through this pane (the main window lists it in recent files).
    void fileOpened(const QString& path);

protected:
    // The stable key of each property of the pane, in the order the tables
    // layer lists them (levelingPaneProperties / controlPaneProperties).
    virtual QStringList propertyIds() const = 0;
    virtual std::vector<PaneProperty> paneProperties(bool loaded, int index) const = 0;
    virtual void storeProperty(const QString& id, const QString& text) = 0;
    // Properties the pane adds after the tables layer's (kept by the program, not the file).
    virtual void addOwnProperties() {}
    virtual void fillOwnProperties() {}

    // Builds the property pane and tree; the derived constructors call it last.
    void init();
    // The first time the pane shows: the split the user left, or else every
    // property in view and the tree in the rest.
    void showEvent(QShowEvent* event) override;

    SurveyController& survey_;

private:
    void buildProperties();
    void fillProperties();
    void rebuildTree();
    void onTreeSelection(QTreeWidgetItem* current);
    QTreeWidgetItem* findItem(int code, int index) const;

    int module_;
    ModuleTabs* tabs_;
    QToolBar* commands_;
    QTreeWidget* tree_;
    PropertyGrid* grid_;
    QSplitter* split_;
    bool rebuilding_ = false;
    bool splitPlaced_ = false;
};

// 水准记录
class CLevelView : public SurveyModuleView {
    Q_OBJECT
public:
    explicit CLevelView(SurveyController& survey, QWidget* parent = nullptr);

protected:
    QStringList propertyIds() const override;
    std::vector<PaneProperty> paneProperties(bool loaded, int index) const override;
    void storeProperty(const QString& id, const QString& text) override;
};

// 控制测量
class CPlaneView : public SurveyModuleView {
    Q_OBJECT
public:
    explicit CPlaneView(SurveyController& survey, QWidget* parent = nullptr);

protected:
    QStringList propertyIds() const override;
    std::vector<PaneProperty> paneProperties(bool loaded, int index) const override;
    void storeProperty(const QString& id, const QString& text) override;
    bool storeReductionProperty(const QString& id, const QString& text);
    void addOwnProperties() override;
    void fillOwnProperties() override;
};

}  // namespace vornex::app

// The main window: menus, the standard toolbar, the status bar, and the fixed
// panes — the module column (one module view at a time, chosen with the module
// tabs) beside the result column (the table above the drawing). It owns the
// document controller and carries out the document commands.
#pragma once

#include <QMainWindow>
#include <array>
#include <QStringList>

#include <memory>

#include "app/app_prompter.h"
#include "app/document_controller.h"
#include "tables/grid.h"
#include "tables/route_query.h"

class QAction;
class QMenu;
class QSplitter;
class QStackedWidget;
class QToolBar;
class QLabel;

namespace vornex::app {

}  // namespace vornex::app
namespace vornex::link {
struct SystemCommands;
}
namespace vornex::app {

class CWorkView;
class CLevelView;
class CPlaneView;
class TableView;
class DrawingPane;
class SurveyController;
class SurveyTableView;
class SurveyModuleView;
class NetworkView;

// Window title of the workbench (the document type's title): the name and the
// title version of text/version.h ("沃尼克斯V0.9.20120223").
QString applicationTitle();
// The about box's text: program, version and licence (HTML).
QString aboutText();

// Most recently used files kept in the settings.
inline constexpr int kRecentFileCount = 4;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Without a prompter the window shows real dialogs (QtPrompter).
    explicit MainWindow(AppPrompter* prompter = nullptr, QWidget* parent = nullptr);
    ~MainWindow() override;

    DocumentController& controller() { return *controller_; }
    CWorkView* workView() const { return workView_; }
    TableView* tableView() const { return tableView_; }
    // The survey modules, their panes and the result column's survey table.
    SurveyController& survey() const { return *survey_; }
    CLevelView* levelView() const { return levelView_; }
    CPlaneView* planeView() const { return planeView_; }
    SurveyTableView* surveyTableView() const { return surveyTable_; }
    // The table the result column shows now (the road table, or the survey
    // table while a survey module is active), and its caption.
    const Grid& shownGrid() const;
    QString shownTableTitle() const;
    QWidget* drawingPane() const { return drawing_; }
    // The network plot of the active survey module (the drawing row there).
    NetworkView* networkView() const { return networkView_; }
    QStackedWidget* moduleColumn() const { return modules_; }
    int currentModule() const;
    void showModule(int index);

    // Document commands; false when cancelled or failed.
    bool newDocument();
    // A project, or a leveling (*.lev) or control-survey (*.con) file, which
    // opens in its module and switches to it.
    bool openFile(const QString& path);
    bool openWithDialog();
    // 文件 → 导入观测数据: a raw instrument file converted into a new leveling
    // or control-survey file, which then opens in its module (main_window_raw.cpp).
    // False when cancelled or failed (the user is told why).
    bool importRawData();
    bool save();
    bool saveAs();
    void setPassword();
    // Asks to save a modified document first; false when the user cancelled.
    bool maybeSave();

    QStringList recentFiles() const;
    // F6: the keyboard focus to the next pane (tree, property grid, table).
    void focusNextPane();

    // Named actions for later issues and tests: "new", "open", "save", "saveAs",
    // "password", "print", "printPreview", "exit", "surveyOpen", "surveyClose", "surveyRefresh", "undo", "redo", "cut", "copy",
    // "paste", "import", "importRaw", "export", "queryRoute", "calcSend", "calcExplorer",
    // "calcOptimize", "cgSend", "cgExplorer", "toolbar", "statusBar", "drawing",
    // "help", "quickStart", "website", "about".
    QAction* action(const QString& name) const;
    QMenu* menu(const QString& name) const;  // "file", "edit", "query", "calc", "cg20", "view", "help"
    // The programs the calculator commands start (the colour calculator's
    // eject); null: the real ones. Tests put in their own.
    void setSystemCommands(link::SystemCommands* commands) { systemCommands_ = commands; }

signals:
    // Another module became active (0 road, 1 leveling, 2 control survey).
    void moduleChanged(int index);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QAction* makeAction(const QString& name, const QString& text, const QString& statusTip);
    void createActions();
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createPanes();
    void updateTitle();
    void updateCommandStates();
    void addRecentFile(const QString& path);
    void updateRecentMenu();
    void setDrawingShown(bool shown);
    // Whether each module (road, leveling, control) wants its drawing row shown.
    std::array<bool, 3> drawingWish_{true, true, true};
    bool saveTo(const QString& path);
    // The commands of the drawings, the route query, looks, printing and help
    // (main_window_features.cpp).
    void connectFeatures();
    // The commands of the calculator menus (main_window_calc.cpp).
    void connectCalculator();
    void refreshDrawing();
    void selectClickedRecord(int code, int record);
    // The survey pane of the active module, or null in the road module.
    SurveyModuleView* activeSurveyView() const;
    void updateSurveyCommands();
    // The network plot of the survey modules (main_window_plot.cpp).
    void connectNetworkPlot();
    void updateNetworkPlot();

    std::unique_ptr<AppPrompter> ownPrompter_;
    AppPrompter* prompter_;
    link::SystemCommands* systemCommands_ = nullptr;
    DocumentController* controller_;
    QStackedWidget* modules_ = nullptr;
    CWorkView* workView_ = nullptr;
    CLevelView* levelView_ = nullptr;
    CPlaneView* planeView_ = nullptr;
    QSplitter* columns_ = nullptr;
    QSplitter* results_ = nullptr;
    TableView* tableView_ = nullptr;
    SurveyController* survey_ = nullptr;
    SurveyTableView* surveyTable_ = nullptr;
    QStackedWidget* tableStack_ = nullptr;
    QWidget* drawing_ = nullptr;
    QToolBar* toolBar_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    QList<QAction*> recentActions_;
    QHash<QString, QAction*> actions_;
    QHash<QString, QMenu*> menus_;
    DrawingPane* drawingPane_ = nullptr;
    NetworkView* networkView_ = nullptr;
    RouteQueryMemory queryMemory_;
};

}  // namespace vornex::app

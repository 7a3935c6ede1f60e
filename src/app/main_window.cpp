#include "app/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QRegularExpression>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTableView>
#include <QTreeWidget>
#include <QToolBar>

#include "app/module_tabs.h"
#include "app/property_grid.h"
#include "app/qt_prompter.h"
#include "app/survey_controller.h"
#include "app/survey_table_view.h"
#include "app/survey_views.h"
#include "app/table_view.h"
#include "app/views/drawing_pane.h"
#include "app/work_view.h"
#include "document/project_file.h"
#include "io/file_problem_text.h"

namespace vornex::app {

namespace {

const QString kProjectFilter = QStringLiteral("沃尼克斯项目文件(*.rod)");
const QString kRecentKey = QStringLiteral("Recent File List");

// The module a survey data file opens in (0: a project file).
int surveyModuleOf(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("lev")) return kLevelingModule;
    if (suffix == QStringLiteral("con")) return kControlModule;
    return 0;
}

}  // namespace

MainWindow::MainWindow(AppPrompter* prompter, QWidget* parent) : QMainWindow(parent) {
    if (!prompter) {
        ownPrompter_ = std::make_unique<QtPrompter>(this);
        prompter = ownPrompter_.get();
    }
    prompter_ = prompter;
    controller_ = new DocumentController(*prompter_, this);
    survey_ = new SurveyController(*prompter_, this);
    setAccessibleName(QStringLiteral("沃尼克斯"));

    createActions();
    createMenus();
    createToolBar();
    createStatusBar();
    createPanes();
    connectFeatures();
    connectCalculator();
    connectNetworkPlot();

    connect(controller_, &DocumentController::modifiedChanged, this, [this] { updateTitle(); });
    connect(controller_, &DocumentController::documentReplaced, this, [this] {
        updateTitle();
        updateCommandStates();
    });
    connect(controller_, &DocumentController::undoStateChanged, this, [this] { updateCommandStates(); });
    connect(controller_, &DocumentController::changed, this, [this] { updateCommandStates(); });
    updateTitle();
    updateCommandStates();
    updateSurveyCommands();
    updateRecentMenu();
    resize(1280, 800);
    workView_->dataTree()->setFocus();
}

MainWindow::~MainWindow() {
    // The views listen to the controller: take them down first.
    controller_->disconnect(this);
    delete centralWidget();
}

QAction* MainWindow::makeAction(const QString& name, const QString& text, const QString& statusTip) {
    auto* a = new QAction(text, this);
    a->setObjectName(name);
    a->setStatusTip(statusTip);
    a->setToolTip(QString(text).remove(QRegularExpression(QStringLiteral("\\(&.\\)|&|\\.\\.\\."))));
    actions_.insert(name, a);
    return a;
}

QAction* MainWindow::action(const QString& name) const { return actions_.value(name); }
QMenu* MainWindow::menu(const QString& name) const { return menus_.value(name); }

void MainWindow::createActions() {
    QAction* a = makeAction("new", QStringLiteral("新建(&N)"), QStringLiteral("创建新项目文件\n新建"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    connect(a, &QAction::triggered, this, [this] { newDocument(); });
    a = makeAction("open", QStringLiteral("打开(&O)..."), QStringLiteral("打开现有项目文件\n打开"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(a, &QAction::triggered, this, [this] { openWithDialog(); });
    a = makeAction("save", QStringLiteral("保存(&S)"), QStringLiteral("保存项目文件\n保存"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    connect(a, &QAction::triggered, this, [this] { save(); });
    a = makeAction("saveAs", QStringLiteral("另存为(&A)..."), QStringLiteral("用新名称保存项目文件\n另存为"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S));
    connect(a, &QAction::triggered, this, [this] { saveAs(); });
    a = makeAction("password", QStringLiteral("项目文件密码(&W)"), QStringLiteral("设置项目文件的密码"));
    connect(a, &QAction::triggered, this, [this] { setPassword(); });
    a = makeAction("import", QStringLiteral("导入(&I)..."), QStringLiteral("导入 LandXML 或 CSV 文件"));
    a = makeAction("importRaw", QStringLiteral("导入观测数据(&R)..."),
                   QStringLiteral("把数字水准仪或全站仪的原始文件（GSI）导入为水准或控制测量数据文件"));
    connect(a, &QAction::triggered, this, [this] { importRawData(); });
    a = makeAction("export", QStringLiteral("导出(&E)..."), QStringLiteral("导出 LandXML 或 DXF 文件"));
    a = makeAction("print", QStringLiteral("打印(&P)..."), QStringLiteral("打印当前表格\n打印"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    a = makeAction("printPreview", QStringLiteral("打印预览(&V)"), QStringLiteral("显示整页\n打印预览"));
    // The commands of the survey panes: one set, carried out by the active module's pane.
    a = makeAction("surveyOpen", QStringLiteral("打开(&O)..."), QStringLiteral("打开数据文件\n打开"));
    connect(a, &QAction::triggered, this, [this] {
        if (SurveyModuleView* v = activeSurveyView()) v->openWithDialog();
    });
    a = makeAction("surveyClose", QStringLiteral("关闭(&C)"), QStringLiteral("关闭数据文件\n关闭"));
    connect(a, &QAction::triggered, this, [this] {
        if (SurveyModuleView* v = activeSurveyView()) v->closeFile();
    });
    a = makeAction("surveyRefresh", QStringLiteral("刷新(&R)"), QStringLiteral("重新显示当前的表格\n刷新"));
    a->setShortcut(QKeySequence(Qt::Key_F5));
    connect(a, &QAction::triggered, this, [this] {
        if (SurveyModuleView* v = activeSurveyView()) v->refresh();
    });
    addAction(a);
    a = makeAction("exit", QStringLiteral("退出(&X)"), QStringLiteral("退出应用程序；提示保存文档\n退出"));
    connect(a, &QAction::triggered, this, &QWidget::close);

    a = makeAction("undo", QStringLiteral("撤消(&U)"), QStringLiteral("撤消上一步操作\n撤消"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Z));
    connect(a, &QAction::triggered, this, [this] { controller_->undo(); });
    a = makeAction("redo", QStringLiteral("重做(&R)"), QStringLiteral("重做上一步撤消的操作\n重做"));
    a->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    connect(a, &QAction::triggered, this, [this] { controller_->redo(); });
    a = makeAction("cut", QStringLiteral("剪切(&T)"), QStringLiteral("剪切所选内容，将其放入剪贴板\n剪切"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_X));
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(a, &QAction::triggered, this, [this] { tableView_->cut(); });
    a = makeAction("copy", QStringLiteral("复制(&C)"), QStringLiteral("复制所选内容，将其放入剪贴板\n复制"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(a, &QAction::triggered, this, [this] {
        if (currentModule() != 0) surveyTable_->copy();
        else tableView_->copy();
    });
    a = makeAction("paste", QStringLiteral("粘贴(&P)"), QStringLiteral("插入剪贴板内容\n粘贴"));
    a->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_V));
    a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
    connect(a, &QAction::triggered, this, [this] { tableView_->pasteClipboard(); });

    makeAction("queryRoute", QStringLiteral("查询线路(&R)"), QStringLiteral("查询线路上任一点的坐标和高程"));
    makeAction("calcSend", QStringLiteral("传送项目文件(&P)"), QStringLiteral("传送当前打开的项目文件到9750/9860计算器"));
    makeAction("calcExplorer", QStringLiteral("计算器文件管理(&E)"),
               QStringLiteral("管理9750/9860计算器存储内存中的文件"));
    makeAction("calcOptimize", QStringLiteral("优化计算器存储内存(&O)"),
               QStringLiteral("优化9750/9860计算器的存储内存(Storage Memeory)"));
    makeAction("cgSend", QStringLiteral("传送项目文件(&P)"), QStringLiteral("传送当前打开的项目文件到fx-CG20计算器"));
    makeAction("cgExplorer", QStringLiteral("计算器文件管理(&E)"),
               QStringLiteral("在文件管理器中打开fx-CG20计算器的ROAD文件夹"));

    a = makeAction("toolbar", QStringLiteral("标准(&S)"), QStringLiteral("显示或隐藏工具栏"));
    a->setCheckable(true);
    a->setChecked(true);
    a = makeAction("statusBar", QStringLiteral("状态栏(&S)"), QStringLiteral("显示或隐藏状态栏"));
    a->setCheckable(true);
    a->setChecked(true);
    connect(a, &QAction::toggled, this, [this](bool on) { statusBar()->setVisible(on); });
    a = makeAction("looks", QStringLiteral("应用程序外观(&A)"), QStringLiteral("选择应用程序的外观"));
    a = makeAction("drawing", QStringLiteral("图形窗口(&G)"), QStringLiteral("显示或隐藏图形窗口"));
    a->setCheckable(true);
    a->setChecked(true);
    connect(a, &QAction::triggered, this, [this](bool on) { setDrawingShown(on); });

    // F6 moves the keyboard focus to the next pane: tree, property grid, table.
    a = makeAction("nextPane", QStringLiteral("下一窗格"), QStringLiteral("切换到下一个窗格"));
    a->setShortcut(QKeySequence(Qt::Key_F6));
    connect(a, &QAction::triggered, this, [this] { focusNextPane(); });
    addAction(a);
    a = makeAction("help", QStringLiteral("帮助文件(&H)"), QStringLiteral("打开帮助文件"));
    a->setShortcut(QKeySequence(Qt::Key_F1));
    a = makeAction("quickStart", QStringLiteral("快速入门(&Q)"), QStringLiteral("快速入门"));
    a->setEnabled(false);
    makeAction("website", QStringLiteral("访问官方网站(&N)"), QStringLiteral("访问官方网站"));
    makeAction("about", QStringLiteral("关于沃尼克斯(&A)..."), QStringLiteral("显示程序信息、版本号和版权"));
}

void MainWindow::createMenus() {
    auto addMenu = [this](const QString& name, const QString& title, const QString& accessible) {
        QMenu* m = menuBar()->addMenu(title);
        m->setObjectName(name);
        m->setAccessibleName(accessible);
        menus_.insert(name, m);
        return m;
    };
    menuBar()->setAccessibleName(QStringLiteral("菜单栏"));

    QMenu* file = addMenu("file", QStringLiteral("文件(&F)"), QStringLiteral("文件"));
    file->addActions({action("new"), action("open"), action("save"), action("saveAs")});
    file->addSeparator();
    file->addAction(action("password"));
    file->addSeparator();
    file->addActions({action("import"), action("importRaw"), action("export")});
    file->addSeparator();
    file->addActions({action("print"), action("printPreview")});
    file->addSeparator();
    for (int i = 0; i < kRecentFileCount; ++i) {
        auto* a = new QAction(this);
        a->setObjectName(QStringLiteral("recent%1").arg(i + 1));
        a->setVisible(false);
        connect(a, &QAction::triggered, this, [this, a] {
            const QString path = a->data().toString();
            // A survey file leaves the project as it is: no save question.
            if (surveyModuleOf(path) != 0 || maybeSave()) openFile(path);
        });
        recentActions_ << a;
        file->addAction(a);
    }
    file->addSeparator();
    file->addAction(action("exit"));

    QMenu* edit = addMenu("edit", QStringLiteral("编辑(&E)"), QStringLiteral("编辑"));
    edit->addActions({action("undo"), action("redo")});
    edit->addSeparator();
    edit->addActions({action("cut"), action("copy"), action("paste")});

    QMenu* query = addMenu("query", QStringLiteral("查询(&Q)"), QStringLiteral("查询"));
    query->addAction(action("queryRoute"));

    QMenu* calc = addMenu("calc", QStringLiteral("9750/9860(&C)"), QStringLiteral("9750/9860"));
    calc->addActions({action("calcSend"), action("calcExplorer"), action("calcOptimize")});

    QMenu* cg = addMenu("cg20", QStringLiteral("Cg20(&G)"), QStringLiteral("Cg20"));
    cg->addActions({action("cgSend"), action("cgExplorer")});

    QMenu* view = addMenu("view", QStringLiteral("视图(&V)"), QStringLiteral("视图"));
    QMenu* bars = view->addMenu(QStringLiteral("工具栏和停靠窗口(&T)"));
    bars->setAccessibleName(QStringLiteral("工具栏和停靠窗口"));
    bars->addAction(action("toolbar"));
    view->addAction(action("statusBar"));
    view->addAction(action("looks"));
    view->addAction(action("drawing"));

    QMenu* help = addMenu("help", QStringLiteral("帮助(&H)"), QStringLiteral("帮助"));
    help->addActions({action("help"), action("quickStart"), action("website")});
    help->addSeparator();
    help->addAction(action("about"));
}

void MainWindow::createToolBar() {
    toolBar_ = addToolBar(QStringLiteral("标准"));
    toolBar_->setObjectName("standardToolBar");
    toolBar_->setAccessibleName(QStringLiteral("标准"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    toolBar_->addActions({action("new"), action("open"), action("save")});
    toolBar_->addSeparator();
    toolBar_->addActions({action("cut"), action("copy"), action("paste")});
    toolBar_->addSeparator();
    toolBar_->addActions({action("undo"), action("redo")});
    toolBar_->addSeparator();
    toolBar_->addActions({action("print"), action("help")});
    connect(action("toolbar"), &QAction::toggled, toolBar_, &QToolBar::setVisible);
    connect(toolBar_, &QToolBar::visibilityChanged, action("toolbar"), &QAction::setChecked);
}

void MainWindow::createStatusBar() {
    // The message area only: the keyboard lock states cannot be read portably.
    statusBar()->setAccessibleName(QStringLiteral("状态栏"));
    // The message as the bar's description, so screen readers and outside tools can read it.
    connect(statusBar(), &QStatusBar::messageChanged, statusBar(),
            [bar = statusBar()](const QString& message) { bar->setAccessibleDescription(message); });
    statusBar()->showMessage(QStringLiteral("就绪"));
}

void MainWindow::createPanes() {
    columns_ = new QSplitter(Qt::Horizontal, this);
    columns_->setAccessibleName(QStringLiteral("主窗格"));
    modules_ = new QStackedWidget(columns_);
    modules_->setAccessibleName(QStringLiteral("模块"));
    workView_ = new CWorkView(*controller_, modules_);
    levelView_ = new CLevelView(*survey_, modules_);
    planeView_ = new CPlaneView(*survey_, modules_);
    modules_->addWidget(workView_);
    modules_->addWidget(levelView_);
    modules_->addWidget(planeView_);
    connect(workView_, &CWorkView::moduleChosen, this, &MainWindow::showModule);
    connect(levelView_, &CLevelView::moduleChosen, this, &MainWindow::showModule);
    connect(planeView_, &CPlaneView::moduleChosen, this, &MainWindow::showModule);
    for (SurveyModuleView* v : {static_cast<SurveyModuleView*>(levelView_), static_cast<SurveyModuleView*>(planeView_)}) {
        v->setCommands({action("surveyOpen"), action("surveyClose"), action("surveyRefresh")});
        connect(v, &SurveyModuleView::fileOpened, this, [this](const QString& path) {
            addRecentFile(path);
            statusBar()->showMessage(QStringLiteral("已打开 %1").arg(QDir::toNativeSeparators(path)), 5000);
        });
    }
    connect(survey_, &SurveyController::changed, this, [this] { updateSurveyCommands(); });
    // Survey edits go straight into the data file: say so, there is no undo.
    connect(survey_, &SurveyController::edited, this,
            [this](int, const QString& note) { statusBar()->showMessage(note); });
    // The road module's table decides on the road drawing, also while another module shows.
    connect(workView_, &CWorkView::drawingWanted, this, [this](bool shown) {
        drawingWish_[0] = shown;
        if (currentModule() == 0) setDrawingShown(shown);
    });

    results_ = new QSplitter(Qt::Vertical, columns_);
    results_->setAccessibleName(QStringLiteral("结果"));
    // The table row: the road table, or the survey table while a survey module is active.
    tableStack_ = new QStackedWidget(results_);
    tableStack_->setAccessibleName(QStringLiteral("表格"));
    tableView_ = new TableView(*controller_, tableStack_);
    surveyTable_ = new SurveyTableView(*survey_, tableStack_);
    tableStack_->addWidget(tableView_);
    tableStack_->addWidget(surveyTable_);
    connect(tableView_, &TableView::hintChanged, this, [this](const QString& hint) {
        if (!hint.isEmpty()) statusBar()->showMessage(hint);
    });
    // The drawing row: the plan, profile and cross section of the current road.
    drawingPane_ = new DrawingPane(results_);
    drawing_ = drawingPane_;
    results_->addWidget(tableStack_);
    results_->addWidget(drawing_);
    results_->setSizes({360, 240});
    results_->setChildrenCollapsible(false);

    columns_->addWidget(modules_);
    columns_->addWidget(results_);
    columns_->setStretchFactor(1, 1);
    columns_->setSizes({340, 940});
    setCentralWidget(columns_);
    for (QAction* a : {action("cut"), action("copy"), action("paste")}) tableView_->addAction(a);
    surveyTable_->addAction(action("copy"));
}

void MainWindow::focusNextPane() {
    // The panes of the active module: its tree, its property grid, the table.
    QWidget* panes[3];
    QTableView* table = tableView_->table();
    if (SurveyModuleView* v = activeSurveyView()) {
        panes[0] = v->tree();
        panes[1] = v->properties()->view();
        table = surveyTable_->table();
    } else {
        panes[0] = workView_->dataTree()->isVisibleTo(workView_) ? static_cast<QWidget*>(workView_->dataTree())
                                                                 : static_cast<QWidget*>(workView_->resultsTree());
        panes[1] = workView_->currentGrid()->view();
    }
    panes[2] = table;
    int at = -1;
    for (int i = 0; i < 3; ++i)
        if (panes[i]->hasFocus() || panes[i]->isAncestorOf(QApplication::focusWidget())) at = i;
    QWidget* next = panes[(at + 1) % 3];
    next->setFocus(Qt::ShortcutFocusReason);
    if (next == table && !table->currentIndex().isValid() && table->model()->rowCount() > 0)
        table->setCurrentIndex(table->model()->index(0, 0));
}

int MainWindow::currentModule() const { return modules_->currentIndex(); }

void MainWindow::showModule(int index) {
    if (index < 0 || index >= modules_->count() || index == modules_->currentIndex()) return;
    modules_->setCurrentIndex(index);
    // The result column follows the module: the survey table, without the road
    // drawing, while a survey module is active.
    surveyTable_->setModule(index);
    tableStack_->setCurrentWidget(index == 0 ? static_cast<QWidget*>(tableView_) : surveyTable_);
    // Each module keeps its own wish for the drawing row: the road module hides
    // it for result tables, which says nothing about the survey plots.
    action("drawing")->setChecked(drawingWish_[std::size_t(index)]);
    drawing_->setVisible(index == 0 && drawingWish_[0]);
    updateSurveyCommands();
    emit moduleChanged(index);
}

SurveyModuleView* MainWindow::activeSurveyView() const {
    if (currentModule() == kLevelingModule) return levelView_;
    if (currentModule() == kControlModule) return planeView_;
    return nullptr;
}

void MainWindow::updateSurveyCommands() {
    const int m = currentModule();
    action("surveyOpen")->setEnabled(m != 0);
    action("surveyRefresh")->setEnabled(m != 0);
    // Close only with a file loaded.
    action("surveyClose")->setEnabled(m != 0 && survey_->isLoaded(m));
}

const Grid& MainWindow::shownGrid() const {
    return currentModule() == 0 ? tableView_->grid() : surveyTable_->grid();
}

QString MainWindow::shownTableTitle() const {
    return currentModule() == 0 ? tableTitle(tableView_->grid().code) : surveyTable_->title();
}

void MainWindow::setDrawingShown(bool shown) {
    drawingWish_[std::size_t(currentModule())] = shown;
    // The road drawing belongs to the road module.
    drawing_->setVisible(shown && currentModule() == 0);
    action("drawing")->setChecked(shown);
}

void MainWindow::updateTitle() {
    setWindowTitle(controller_->displayName() + QStringLiteral("[*] - ") + applicationTitle());
    // Screen readers name the open project as the title does (without the modified mark).
    setAccessibleName(controller_->displayName() + QStringLiteral(" - ") + applicationTitle());
    setWindowModified(controller_->modified());
}

void MainWindow::updateCommandStates() {
    const bool editable = controller_->editable();
    action("undo")->setEnabled(controller_->canUndo());
    action("redo")->setEnabled(controller_->canRedo());
    action("cut")->setEnabled(editable);
    action("paste")->setEnabled(editable);
    action("password")->setEnabled(editable);
    const QUndoStack& stack = controller_->undoStack();
    // The items and their tips name the edit they take back or do again ("撤消 输入 圆半径").
    auto name = [this](const QString& id, const QString& verb, const QString& key, bool can, const QString& edit,
                       const QString& idleTip) {
        QAction* a = action(id);
        const bool named = can && !edit.isEmpty();
        a->setText(named ? verb + QLatin1Char(' ') + edit + key : verb + key);
        a->setToolTip(named ? verb + QLatin1Char(' ') + edit : verb);
        a->setIconText(verb);  // the toolbar button keeps its width
        a->setStatusTip(named ? verb + QStringLiteral("：") + edit : idleTip);
    };
    name(QStringLiteral("undo"), QStringLiteral("撤消"), QStringLiteral("(&U)"), controller_->canUndo(), stack.undoText(),
         QStringLiteral("撤消上一步操作"));
    name(QStringLiteral("redo"), QStringLiteral("重做"), QStringLiteral("(&R)"), controller_->canRedo(), stack.redoText(),
         QStringLiteral("重做上一步撤消的操作"));
}

bool MainWindow::maybeSave() {
    if (!controller_->modified()) return true;
    switch (prompter_->askSaveChanges(controller_->displayName().toStdString())) {
    case SaveAnswer::Save: return save();
    case SaveAnswer::Discard: return true;
    case SaveAnswer::Cancel: return false;
    }
    return false;
}

bool MainWindow::newDocument() {
    if (!maybeSave()) return false;
    controller_->newDocument();
    statusBar()->showMessage(QStringLiteral("就绪"));
    return true;
}

bool MainWindow::openWithDialog() {
    if (!maybeSave()) return false;
    const std::string path = prompter_->openFileName(kProjectFilter.toStdString());
    if (path.empty()) return false;
    return openFile(QString::fromStdString(path));
}

bool MainWindow::openFile(const QString& path) {
    if (const int module = surveyModuleOf(path); module != 0) {
        SurveyModuleView* view = module == kLevelingModule ? static_cast<SurveyModuleView*>(levelView_) : planeView_;
        if (!view->openFile(path)) return false;
        showModule(module);
        return true;
    }
    const int status = controller_->open(path);
    if (status > 0) {
        addRecentFile(controller_->filePath());
        statusBar()->showMessage(QStringLiteral("已打开 %1").arg(QDir::toNativeSeparators(path)), 5000);
        return true;
    }
    // The reader has told the user about a damaged file, a newer version or
    // full memory; a file it could not read is told here, once, in Chinese.
    if (status == kReadCannotOpen)
        prompter_->message(cannotOpenText(QFileInfo(path).fileName().toStdString(), controller_->fileFailure()));
    return false;
}

bool MainWindow::saveTo(const QString& path) {
    const int status = controller_->save(path);
    if (status == 1) {
        addRecentFile(controller_->filePath());
        updateTitle();
        statusBar()->showMessage(QStringLiteral("已保存 %1").arg(QDir::toNativeSeparators(path)), 5000);
        return true;
    }
    prompter_->message(cannotSaveText(QFileInfo(path).fileName().toStdString(), controller_->fileFailure()));
    return false;
}

bool MainWindow::save() {
    if (controller_->filePath().isEmpty()) return saveAs();
    return saveTo(controller_->filePath());
}

bool MainWindow::saveAs() {
    QString suggested = controller_->filePath();
    if (suggested.isEmpty()) suggested = controller_->displayName() + QStringLiteral(".rod");
    QString path = QString::fromStdString(prompter_->saveFileName(suggested.toStdString(), kProjectFilter.toStdString()));
    if (path.isEmpty()) return false;
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".rod");
    return saveTo(path);
}

void MainWindow::setPassword() {
    controller_->edit(QStringLiteral("项目文件密码"), EditScope::Project, change::kRoads, -1,
                      [this] { controller_->doc().setPassword(); });
}

QStringList MainWindow::recentFiles() const {
    QSettings settings;
    QStringList files;
    for (int i = 0; i < kRecentFileCount; ++i) {
        const QString f = settings.value(kRecentKey + QStringLiteral("/File%1").arg(i + 1)).toString();
        if (!f.isEmpty()) files << f;
    }
    return files;
}

void MainWindow::addRecentFile(const QString& path) {
    QStringList files = recentFiles();
    files.removeAll(path);
    files.prepend(path);
    while (files.size() > kRecentFileCount) files.removeLast();
    QSettings settings;
    for (int i = 0; i < kRecentFileCount; ++i)
        settings.setValue(kRecentKey + QStringLiteral("/File%1").arg(i + 1), files.value(i));
    updateRecentMenu();
}

void MainWindow::updateRecentMenu() {
    const QStringList files = recentFiles();
    for (int i = 0; i < kRecentFileCount; ++i) {
        QAction* a = recentActions_[i];
        if (i < files.size()) {
            a->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
            a->setData(files[i]);
            a->setVisible(true);
        } else {
            a->setVisible(false);
        }
    }
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (maybeSave()) event->accept();
    else event->ignore();
}

}  // namespace vornex::app

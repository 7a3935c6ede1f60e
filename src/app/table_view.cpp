#include "app/table_view.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/app_prompter.h"
#include "app/control_point_import.h"
#include "app/tree_items.h"
#include "document/edits.h"
#include "tables/data_tables.h"
#include "tables/locked_cells.h"
#include "tables/road_tables.h"

#include <QRegularExpression>

namespace vornex::app {

namespace tc = table_code;

int recordKindOfTable(int code) {
    switch (code) {
    case tc::kControlPoints: return int(RecordKind::ControlPoint);
    case tc::kChainBreaks: return int(RecordKind::ChainBreak);
    case tc::kIntersectionPoints: return int(RecordKind::IntersectionPoint);
    case tc::kElements: return int(RecordKind::AlignmentElement);
    case tc::kGradePoints: return int(RecordKind::GradePoint);
    case tc::kPlates: return int(RecordKind::CrossSectionPlate);
    case tc::kWidthChanges: return int(RecordKind::WidthChange);
    case tc::kCrossfallChanges: return int(RecordKind::CrossfallChange);
    case tc::kExcavationContour: return int(RecordKind::ExcavationContour);
    case tc::kPrimaryContour: return int(RecordKind::PrimaryContour);
    case tc::kSecondaryContour: return int(RecordKind::SecondaryContour);
    case tc::kBlastHoles: return int(RecordKind::BlastHole);
    case tc::kTunnelSlopeRules: return int(RecordKind::TunnelSlopeRule);
    case tc::kTunnelStationRules: return int(RecordKind::TunnelStationRule);
    case tc::kSlopeAssignments: return int(RecordKind::SlopeAssignment);
    case tc::kSlopeTemplateRows: return int(RecordKind::SlopeTemplateRow);
    case tc::kPiles: return int(RecordKind::Pile);
    case tc::kStructures: return int(RecordKind::Structure);
    default: return -1;
    }
}

QString tableTitle(int code) {
    for (const TreeEntry& e : dataCategories(code == tc::kElements))
        if (e.code == code) return e.caption;
    for (const TreeEntry& e : resultItems())
        if (e.code == code) return e.caption;
    for (const TreeEntry& e : tunnelTemplateParts())
        if (e.code == code) return e.caption;
    for (const TreeEntry& e : tunnelParts())
        if (e.code == code) return e.caption;
    switch (code) {
    case tc::kSlopeTemplateRows: return QStringLiteral("边坡模板");
    case tc::kPiles: return QStringLiteral("桩基");
    default: return {};
    }
}

namespace {
const char* const kIntervalKey = "coordinateIntervals";
}

double storedCoordinateInterval(const QString& projectPath) {
    if (projectPath.isEmpty()) return 100;
    const QVariantMap map = QSettings().value(kIntervalKey).toMap();
    const double stored = map.value(projectPath).toDouble();
    return validCoordinateInterval(stored) ? stored : 100;
}

void storeCoordinateInterval(const QString& projectPath, double metres) {
    if (projectPath.isEmpty() || !validCoordinateInterval(metres)) return;
    QSettings settings;
    QVariantMap map = settings.value(kIntervalKey).toMap();
    map.insert(projectPath, metres);
    settings.setValue(kIntervalKey, map);
}

double parseCoordinateInterval(const QString& text) {
    QString t = text.trimmed();
    for (const QString& unit : {QStringLiteral("米"), QStringLiteral("m"), QStringLiteral("M")})
        if (t.endsWith(unit)) t = t.chopped(unit.size()).trimmed();
    const std::optional<double> v = readTypedNumber(t.toStdString(), NumberText::Whole);
    return v && validCoordinateInterval(*v) ? *v : 0;
}

int effectiveTableCode(const CVornexPcDoc& doc) { return planeTableCode(doc.currentRoad(), doc.currentTable); }

TableView::TableView(DocumentController& controller, QWidget* parent) : QWidget(parent), controller_(controller) {
    setAccessibleName(QStringLiteral("表格"));
    toolbar_ = new QToolBar(this);
    toolbar_->setAccessibleName(QStringLiteral("表格工具栏"));
    title_ = new QLabel(this);
    title_->setAccessibleName(QStringLiteral("表名"));
    side_ = new QComboBox(this);
    side_->addItems({QStringLiteral("左路幅"), QStringLiteral("右路幅")});
    side_->setAccessibleName(QStringLiteral("路幅"));
    sideAction_ = toolbar_->addWidget(side_);
    // 逐桩坐标表's step: the usual setting-out intervals, or a typed one.
    interval_ = new QComboBox(this);
    interval_->setEditable(true);
    interval_->setInsertPolicy(QComboBox::NoInsert);
    interval_->addItems({QStringLiteral("100 m"), QStringLiteral("50 m"), QStringLiteral("20 m"), QStringLiteral("10 m"),
                         QStringLiteral("5 m")});
    interval_->setAccessibleName(QStringLiteral("桩号间隔"));
    interval_->setToolTip(QStringLiteral("逐桩坐标表的桩号间隔（0.1 米至 100 千米），可选择或输入"));
    interval_->lineEdit()->setAccessibleName(QStringLiteral("桩号间隔"));
    auto* intervalBox = new QWidget(this);
    auto* intervalLayout = new QHBoxLayout(intervalBox);
    intervalLayout->setContentsMargins(0, 0, 6, 0);
    auto* intervalLabel = new QLabel(QStringLiteral("桩号间隔:"), intervalBox);
    intervalLabel->setAccessibleName(QStringLiteral("桩号间隔"));
    intervalLabel->setBuddy(interval_);
    intervalLayout->addWidget(intervalLabel);
    intervalLayout->addWidget(interval_);
    intervalAction_ = toolbar_->addWidget(intervalBox);
    intervalAction_->setVisible(false);
    // Control points from a GNSS list of latitudes and longitudes, onto the project's grid.
    geographicImport_ = toolbar_->addAction(QStringLiteral("从经纬度导入..."));
    geographicImport_->setObjectName(QStringLiteral("geographicImport"));
    geographicImport_->setToolTip(QStringLiteral("读取“点名,B,L,H”（度.分秒）的点文件，按项目坐标系换算为控制点坐标"));
    geographicImport_->setVisible(false);
    connect(geographicImport_, &QAction::triggered, this, [this] {
        auto* files = dynamic_cast<AppPrompter*>(&controller_.prompter());
        if (!files || !isEditable()) return;
        const std::string path = files->openFileName("点文件 (*.txt *.csv);;所有文件 (*)");
        if (!path.empty()) importGeographicControlPoints(controller_, QString::fromStdString(path));
    });
    connect(interval_, &QComboBox::activated, this, [this] { takeTypedInterval(); });
    connect(interval_->lineEdit(), &QLineEdit::editingFinished, this, [this] { takeTypedInterval(); });
    toolbar_->addSeparator();
    toolbar_->addWidget(title_);
    connect(side_, &QComboBox::activated, this, [this](int i) {
        controller_.viewState().side = i + 1;
        rebuild();
    });

    table_ = new GridView(this);
    table_->setAccessibleName(QStringLiteral("数据表"));
    table_->setMenuProvider([this](int row, int column, const CellRange& selection, bool clipboardHasText) {
        if (!isEditable()) return std::vector<DataMenuEntry>{};
        return dataMenu(controller_.project(), controller_.tableContext(), grid_, row, column, selection,
                        clipboardHasText);
    });

    connect(table_, &GridView::currentCellChanged, this, [this](int row, int column) {
        if (row < 0 || row >= grid_.rowCount() || column < 0 || column >= grid_.columnCount()) return;
        const std::string& own = grid_.cell(row, column).hint;
        emit hintChanged(QString::fromStdString(own.empty() ? grid_.columns[std::size_t(column)].hint : own));
    });

    connect(table_, &GridView::editRefused, this, &TableView::explainLocked);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(table_, 1);

    connect(&controller_, &DocumentController::documentReplaced, this, &TableView::onDocumentReplaced);
    // Saved under another name (or for the first time): the interval chosen goes with the file.
    connect(&controller_, &DocumentController::saved, this,
            [this](const QString& path) { storeCoordinateInterval(path, coordinateInterval()); });
    connect(&controller_, &DocumentController::changed, this, &TableView::onChanged);
    onDocumentReplaced();
    rebuild();
}

void TableView::onDocumentReplaced() {
    pending_.clear();
    controller_.viewState().coordinateInterval = storedCoordinateInterval(controller_.filePath());
    showInterval();
    emit intervalChanged(coordinateInterval());
}

bool TableView::setCoordinateInterval(double metres) {
    if (!validCoordinateInterval(metres)) return false;
    const bool changed = metres != coordinateInterval();
    controller_.viewState().coordinateInterval = metres;
    storeCoordinateInterval(controller_.filePath(), metres);
    showInterval();
    if (!changed) return true;
    if (effectiveTableCode(controller_.doc()) == tc::kCoordinates) rebuild();
    emit intervalChanged(metres);
    return true;
}

void TableView::takeTypedInterval() {
    const double v = parseCoordinateInterval(interval_->currentText());
    if (v > 0) {
        setCoordinateInterval(v);
        return;
    }
    emit hintChanged(QStringLiteral("桩号间隔应为 0.1 米至 100000 米之间的数。"));
    showInterval();
}

void TableView::showInterval() {
    const QString text = QString::number(coordinateInterval(), 'g', 10) + QStringLiteral(" m");
    if (interval_->currentText() != text) interval_->setEditText(text);
}

bool TableView::isEditable() const {
    const int code = controller_.doc().currentTable;
    return controller_.editable() && isEditableCode(code) && isDataTableCode(grid_.code);
}

EditScope TableView::scopeOfTable() const {
    return grid_.code == tc::kControlPoints ? EditScope::ControlPoints : EditScope::CurrentRoad;
}

void TableView::rebuild() {
    const CVornexPcDoc& doc = controller_.doc();
    const int code = effectiveTableCode(doc);
    ++rebuilds_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    if (doc.currentRoad() == nullptr && code != tc::kControlPoints) {
        grid_ = Grid{};
    } else if (isDataTableCode(code)) {
        grid_ = buildDataTable(doc.project(), code, controller_.tableContext());
    } else if (isRoadResultCode(code)) {
        grid_ = buildRoadTable(doc.project(), doc.project().currentRoad, code, coordinateInterval());
    } else {
        grid_ = Grid{};
        grid_.code = code;
    }
    QApplication::restoreOverrideCursor();
    showPending();
    showGrid();
}

namespace {
bool isChangeTable(int code) { return code == tc::kWidthChanges || code == tc::kCrossfallChanges; }
}  // namespace

void TableView::showPending() {
    if (pending_.empty()) return;
    const int road = controller_.doc().project().currentRoad;
    // Another road (or another project) drops the waiting row; another table keeps it.
    if (road != pendingRoad_ || !controller_.editable()) {
        pending_.clear();
        return;
    }
    if (grid_.code != pendingCode_ || !isEditable() || grid_.rowCount() == 0) return;
    GridRow& empty = grid_.rows.back();
    for (const auto& [column, text] : pending_)
        if (column < int(empty.cells.size())) empty.cells[std::size_t(column)].text = text;
}

bool TableView::keepPending(int row, int column, const QString& text) {
    if (!isChangeTable(grid_.code) || column > 1 || row != grid_.rowCount() - 1 || row <= 0) return false;
    const GridRow& r = grid_.rows[std::size_t(row)];
    for (const GridCell& c : r.cells)
        if (c.recordIndex >= 0) return false;
    if (r.recordIndex >= 0) return false;
    pendingCode_ = grid_.code;
    pendingRoad_ = controller_.doc().project().currentRoad;
    pending_[column] = text.toStdString();
    grid_.rows[std::size_t(row)].cells[std::size_t(column)].text = text.toStdString();
    table_->setRow(row, grid_.rows[std::size_t(row)]);
    emit hintChanged(QStringLiteral("输入一个板块的数值后，这一行连同桩号和变化方式一起保存。"));
    return true;
}

void TableView::explainLocked(int row, int column) {
    const std::string why = lockedCellReason(controller_.tableContext(), grid_, row, column);
    if (!why.empty()) emit hintChanged(QString::fromStdString(why));
}

void TableView::showGrid() {
    // The grid takes edits only where the document and the code allow them.
    if (isEditable()) table_->setEditHandler([this](const GridEdit& e) { return handleEdit(e); });
    else table_->setEditHandler({});
    table_->setGrid(grid_);
    if (followRecord_ >= 0) table_->setCurrentRecord(followRecord_);
    followRecord_ = -1;
    sideAction_->setVisible(grid_.side != 0);
    intervalAction_->setVisible(grid_.code == tc::kCoordinates);
    geographicImport_->setVisible(grid_.code == tc::kControlPoints);
    geographicImport_->setEnabled(isEditable());
    title_->setText(tableTitle(grid_.code));
    if (grid_.side != 0) side_->setCurrentIndex(grid_.side == 2 ? 1 : 0);
}

void TableView::onChanged(int kind, int index) {
    const int code = effectiveTableCode(controller_.doc());
    const bool moved = followRecord_ >= 0 && followRecord_ != index;  // the edited record went elsewhere
    if (!moved && kind >= 0 && index >= 0 && code == grid_.code && kind == recordKindOfTable(code) &&
        isDataTableCode(code)) {
        // One record edited: re-show only the rows whose cells changed, when the
        // rows still show the same records in the same order.
        Grid fresh = buildDataTable(controller_.doc().project(), code, controller_.tableContext());
        bool sameRows = fresh.rowCount() == grid_.rowCount() && fresh.columnCount() == grid_.columnCount();
        for (int r = 0; sameRows && r < fresh.rowCount(); ++r)
            sameRows = fresh.rows[std::size_t(r)].recordIndex == grid_.rows[std::size_t(r)].recordIndex;
        if (sameRows) {
            for (int r = 0; r < fresh.rowCount(); ++r) {
                const auto& a = fresh.rows[std::size_t(r)].cells;
                const auto& b = grid_.rows[std::size_t(r)].cells;
                bool same = true;
                for (std::size_t c = 0; same && c < a.size(); ++c)
                    same = a[c].text == b[c].text && a[c].red == b[c].red && a[c].editable == b[c].editable &&
                           a[c].choices == b[c].choices;
                if (same) continue;
                grid_.rows[std::size_t(r)] = fresh.rows[std::size_t(r)];
                table_->setRow(r, grid_.rows[std::size_t(r)]);
                ++rowUpdates_;
            }
            return;
        }
    }
    rebuild();
}

bool TableView::runEdit(const QString& label, int kind, int record, const std::function<DataEdit(Grid&)>& fn) {
    if (!isEditable()) return false;
    // The current cell stays on its record; a command that moved the edited
    // record (ordering, insert, move) says where it went.
    followRecord_ = table_->currentRecord();
    const bool done = controller_.edit(label, scopeOfTable(), kind, record, [&] {
        Grid g = grid_;
        const DataEdit edit = fn(g);
        if (edit.stored && edit.record >= 0) followRecord_ = edit.record;
    });
    followRecord_ = -1;
    return done;
}

bool TableView::editCell(int row, int column, const QString& text) {
    if (!isEditable() || row < 0 || row >= grid_.rowCount() || column < 0 || column >= grid_.columnCount())
        return false;
    if (!grid_.cell(row, column).editable) return false;
    if (keepPending(row, column, text)) return true;
    const int record = grid_.rows[std::size_t(row)].recordIndex;
    const int kind = record >= 0 ? recordKindOfTable(grid_.code) : change::kTable;
    // The undo step is named after the column typed into ("输入 圆半径").
    QString label = QStringLiteral("输入");
    const QString caption = QString::fromStdString(grid_.columns[std::size_t(column)].caption).trimmed();
    if (!caption.isEmpty()) label += QLatin1Char(' ') + caption;
    // A plate value typed into the empty change row takes the station and
    // transition waiting there (the grid keeps their texts); they wait no more.
    std::map<int, std::string> waiting;
    if (record < 0 && row == grid_.rowCount() - 1) waiting.swap(pending_);
    const bool done = runEdit(label, kind, record, [&](Grid& g) {
        // Only the field the cell shows is stored; the row's other fields keep their values.
        DataTableContext ctx = controller_.tableContext();
        return storeDataCell(controller_.doc().project(), ctx, g, row, column, text.toStdString());
    });
    if (!done) pending_.swap(waiting);
    return done;
}

bool TableView::paste(int row, int column, const QString& text) {
    if (text.isEmpty()) return false;
    return runEdit(QStringLiteral("粘贴"), change::kTable, -1, [&](Grid& g) {
        DataTableContext ctx = controller_.tableContext();
        return pasteCells(controller_.doc().project(), ctx, g, row, column, text.toStdString(), controller_.prompter());
    });
}

bool TableView::handleEdit(const GridEdit& e) {
    DataTableContext ctx = controller_.tableContext();
    RoadProject& project = controller_.doc().project();
    Prompter& prompter = controller_.prompter();
    switch (e.kind) {
    case GridEdit::Kind::Cell: return editCell(e.row, e.column, QString::fromStdString(e.text));
    case GridEdit::Kind::Paste: return paste(e.row, e.column, QString::fromStdString(e.text));
    case GridEdit::Kind::Cut:
        return runEdit(QStringLiteral("剪切"), change::kTable, -1,
                       [&](Grid& g) {
                           cutCells(project, ctx, g, e.range);
                           return DataEdit{};
                       });
    case GridEdit::Kind::Clear:
        return runEdit(QStringLiteral("清除"), change::kTable, -1,
                       [&](Grid& g) { return clearCells(project, ctx, g, e.range); });
    case GridEdit::Kind::Command: break;
    }
    const QString label = QString::fromStdString(dataMenuLabel(e.command)).remove(QRegularExpression("\\(&.\\)"));
    switch (e.command) {
    case DataMenuItem::Clear:
        return runEdit(label, change::kTable, -1, [&](Grid& g) { return clearCells(project, ctx, g, e.range); });
    case DataMenuItem::Cut: return table_->cutToClipboard();
    case DataMenuItem::Copy: table_->copyToClipboard(); return true;
    case DataMenuItem::Paste: return table_->pasteFromClipboard();
    case DataMenuItem::InsertRow:
        return runEdit(label, change::kTable, -1, [&](Grid& g) { return insertRow(project, ctx, g, e.row); });
    case DataMenuItem::DeleteRow: {
        const int top = e.range.empty() ? e.row : e.range.top;
        const int bottom = e.range.empty() ? e.row : e.range.bottom;
        return runEdit(label, change::kTable, -1, [&](Grid& g) {
            deleteRows(project, ctx, g, top, bottom, prompter);
            return DataEdit{};
        });
    }
    case DataMenuItem::MoveUp:
    case DataMenuItem::MoveDown: {
        const bool up = e.command == DataMenuItem::MoveUp;
        // The current cell follows the moved record.
        return runEdit(label, change::kTable, -1, [&](Grid& g) { return moveRow(project, ctx, g, e.row, up); });
    }
    case DataMenuItem::SameAsLeft:
    case DataMenuItem::SameAsRight: {
        const int from = e.command == DataMenuItem::SameAsLeft ? 1 : 2;
        return runEdit(label, change::kTable, -1,
                       [&](Grid& g) {
                           sameAsSide(project, ctx, g.code, from, prompter);
                           return DataEdit{};
                       });
    }
    case DataMenuItem::SameAsPreviousPier:
    case DataMenuItem::SameAsNextPier: {
        const bool previous = e.command == DataMenuItem::SameAsPreviousPier;
        return runEdit(label, change::kTable, -1, [&](Grid&) {
            sameAsPier(project, ctx, previous, prompter);
            return DataEdit{};
        });
    }
    }
    return false;
}

void TableView::copy() { table_->copyToClipboard(); }
void TableView::cut() { table_->cutToClipboard(); }
void TableView::pasteClipboard() { table_->pasteFromClipboard(); }

}  // namespace vornex::app

#include "app/table_view.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QStandardItemModel>
#include <QTableView>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/tree_items.h"
#include "tables/data_tables.h"
#include "tables/road_tables.h"

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
    toolbar_->addSeparator();
    toolbar_->addWidget(title_);
    connect(side_, &QComboBox::activated, this, [this](int i) {
        controller_.viewState().side = i + 1;
        rebuild();
    });

    model_ = new QStandardItemModel(this);
    table_ = new QTableView(this);
    table_->setAccessibleName(QStringLiteral("数据表"));
    table_->setModel(model_);
    table_->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table_->verticalHeader()->setDefaultSectionSize(22);
    connect(model_, &QStandardItemModel::itemChanged, this, [this](QStandardItem* item) {
        if (filling_) return;
        const int row = item->row(), col = item->column();
        const QString text = item->text();
        // Store after the editor has closed: the table may be rebuilt.
        QMetaObject::invokeMethod(this, [this, row, col, text] { editCell(row, col, text); }, Qt::QueuedConnection);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolbar_);
    layout->addWidget(table_, 1);

    connect(&controller_, &DocumentController::changed, this, &TableView::onChanged);
    rebuild();
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
        grid_ = buildRoadTable(doc.project(), doc.project().currentRoad, code);
    } else {
        grid_ = Grid{};
        grid_.code = code;
    }
    QApplication::restoreOverrideCursor();
    showGrid();
}

void TableView::showGrid() {
    filling_ = true;
    const bool editable = isEditable();
    model_->clear();
    model_->setColumnCount(grid_.columnCount());
    model_->setRowCount(grid_.rowCount());
    QStringList headers;
    for (int c = 0; c < grid_.columnCount(); ++c) {
        headers << QString::fromStdString(grid_.columns[static_cast<std::size_t>(c)].caption);
        table_->setColumnWidth(c, grid_.columns[static_cast<std::size_t>(c)].width);
    }
    model_->setHorizontalHeaderLabels(headers);
    for (int r = 0; r < grid_.rowCount(); ++r) {
        for (int c = 0; c < grid_.columnCount(); ++c) {
            const GridCell& cell = grid_.cell(r, c);
            auto* item = new QStandardItem(QString::fromStdString(cell.text));
            item->setEditable(editable && cell.editable);
            if (cell.red) item->setForeground(Qt::red);
            const std::string& hint =
                cell.hint.empty() ? grid_.columns[static_cast<std::size_t>(c)].hint : cell.hint;
            if (!hint.empty()) item->setToolTip(QString::fromStdString(hint));
            model_->setItem(r, c, item);
        }
    }
    table_->clearSpans();
    for (int r = 0; r < grid_.rowCount(); ++r)
        for (int c = 0; c < grid_.columnCount(); ++c) {
            const GridCell& cell = grid_.cell(r, c);
            if (cell.rowSpan > 1 || cell.columnSpan > 1) table_->setSpan(r, c, cell.rowSpan, cell.columnSpan);
        }
    sideAction_->setVisible(grid_.side != 0);
    title_->setText(tableTitle(grid_.code));
    if (grid_.side != 0) side_->setCurrentIndex(grid_.side == 2 ? 1 : 0);
    filling_ = false;
}

void TableView::showRow(int row) {
    filling_ = true;
    const bool editable = isEditable();
    for (int c = 0; c < grid_.columnCount(); ++c) {
        const GridCell& cell = grid_.cell(row, c);
        QStandardItem* item = model_->item(row, c);
        if (!item) continue;
        item->setText(QString::fromStdString(cell.text));
        item->setEditable(editable && cell.editable);
        item->setForeground(cell.red ? QBrush(Qt::red) : QBrush());
    }
    ++rowUpdates_;
    filling_ = false;
}

void TableView::onChanged(int kind, int index) {
    const int code = effectiveTableCode(controller_.doc());
    if (kind >= 0 && index >= 0 && code == grid_.code && kind == recordKindOfTable(code) && isDataTableCode(code)) {
        // One record edited: show again only the rows whose text changed, when
        // the rows still show the same records in the same order.
        Grid fresh = buildDataTable(controller_.doc().project(), code, controller_.tableContext());
        bool sameRows = fresh.rowCount() == grid_.rowCount() && fresh.columnCount() == grid_.columnCount();
        for (int r = 0; sameRows && r < fresh.rowCount(); ++r)
            sameRows = fresh.rows[std::size_t(r)].recordIndex == grid_.rows[std::size_t(r)].recordIndex;
        if (sameRows) {
            std::vector<int> rows;
            for (int r = 0; r < fresh.rowCount(); ++r) {
                for (int c = 0; c < fresh.columnCount(); ++c)
                    if (fresh.cell(r, c).text != grid_.cell(r, c).text || fresh.cell(r, c).red != grid_.cell(r, c).red) {
                        rows.push_back(r);
                        break;
                    }
            }
            grid_ = std::move(fresh);
            for (int r : rows) showRow(r);
            return;
        }
    }
    rebuild();
}

bool TableView::editCell(int row, int column, const QString& text) {
    if (!isEditable() || row < 0 || row >= grid_.rowCount() || column < 0 || column >= grid_.columnCount())
        return false;
    if (!grid_.cell(row, column).editable) return false;
    Grid edited = grid_;
    edited.cell(row, column).text = text.toStdString();
    const int record = edited.rows[std::size_t(row)].recordIndex;
    const int kind = record >= 0 ? recordKindOfTable(grid_.code) : change::kTable;
    const bool stored = controller_.edit(QStringLiteral("输入"), scopeOfTable(), kind, record, [&] {
        DataTableContext ctx = controller_.tableContext();
        storeDataRow(controller_.doc().project(), ctx, edited, row);
    });
    return stored;
}

static CellRange selectedRange(QTableView* table) {
    CellRange range;
    const QModelIndexList sel = table->selectionModel()->selectedIndexes();
    if (sel.isEmpty()) {
        const QModelIndex cur = table->currentIndex();
        if (cur.isValid()) range = {cur.row(), cur.column(), cur.row(), cur.column()};
        return range;
    }
    range = {sel.first().row(), sel.first().column(), sel.first().row(), sel.first().column()};
    for (const QModelIndex& i : sel) {
        range.top = std::min(range.top, i.row());
        range.bottom = std::max(range.bottom, i.row());
        range.left = std::min(range.left, i.column());
        range.right = std::max(range.right, i.column());
    }
    return range;
}

void TableView::copy() {
    const CellRange range = selectedRange(table_);
    if (range.empty()) return;
    QApplication::clipboard()->setText(QString::fromStdString(copyCells(grid_, range)));
}

void TableView::cut() {
    const CellRange range = selectedRange(table_);
    if (range.empty()) return;
    if (!isEditable()) {
        copy();
        return;
    }
    std::string text;
    controller_.edit(QStringLiteral("剪切"), scopeOfTable(), change::kTable, -1, [&] {
        Grid g = grid_;
        DataTableContext ctx = controller_.tableContext();
        text = cutCells(controller_.doc().project(), ctx, g, range);
    });
    if (text.empty()) text = copyCells(grid_, range);
    QApplication::clipboard()->setText(QString::fromStdString(text));
}

bool TableView::paste(int row, int column, const QString& text) {
    if (!isEditable() || text.isEmpty()) return false;
    return controller_.edit(QStringLiteral("粘贴"), scopeOfTable(), change::kTable, -1, [&] {
        Grid g = grid_;
        DataTableContext ctx = controller_.tableContext();
        pasteCells(controller_.doc().project(), ctx, g, row, column, text.toStdString(), controller_.prompter());
    });
}

void TableView::pasteClipboard() {
    const QModelIndex cur = table_->currentIndex();
    if (!cur.isValid()) return;
    paste(cur.row(), cur.column(), QApplication::clipboard()->text());
}

}  // namespace vornex::app

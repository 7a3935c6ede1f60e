#include "grid/grid_view.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QStyleOptionHeader>
#include <QStyledItemDelegate>
#include <algorithm>

#include "grid/grid_model.h"

namespace vornex {

namespace {

// Horizontal header with an optional second level: where columns have header
// groups, the upper half shows one band per run of columns with the same group
// and the lower half their captions; a column without a group shows its caption
// over the full height.
class GroupHeaderView : public QHeaderView {
public:
    explicit GroupHeaderView(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
        setSectionsClickable(true);
        setHighlightSections(true);
    }

    void setTwoLevel(bool twoLevel) { twoLevel_ = twoLevel; }
    bool twoLevel() const { return twoLevel_; }

protected:
    QSize sectionSizeFromContents(int logicalIndex) const override {
        QSize s = QHeaderView::sectionSizeFromContents(logicalIndex);
        if (twoLevel_) s.setHeight(s.height() * 2);
        return s;
    }

    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override {
        const GridModel* m = gridModel();
        if (twoLevel_ && m && m->groupOf(logicalIndex)) {
            QRect lower = rect;
            lower.setTop(rect.top() + rect.height() / 2);
            QHeaderView::paintSection(painter, lower, logicalIndex);
            return;
        }
        QHeaderView::paintSection(painter, rect, logicalIndex);
    }

    void paintEvent(QPaintEvent* e) override {
        QHeaderView::paintEvent(e);
        const GridModel* m = gridModel();
        if (!twoLevel_ || !m) return;
        QPainter painter(viewport());
        for (const GridHeaderGroup& g : m->grid().headerGroups) {
            const int first = std::max(0, g.first);
            const int last = std::min(count() - 1, g.first + g.count - 1);
            if (last < first) continue;
            int width = 0;
            for (int c = first; c <= last; ++c) width += sectionSize(c);
            QStyleOptionHeader opt;
            initStyleOption(&opt);
            opt.rect = QRect(sectionViewportPosition(first), 0, width, height() / 2);
            opt.section = first;
            opt.text = QString::fromStdString(g.caption);
            opt.textAlignment = Qt::AlignCenter;
            opt.position = QStyleOptionHeader::Middle;
            opt.state |= QStyle::State_Enabled | QStyle::State_Raised;
            if (opt.rect.intersects(e->rect())) style()->drawControl(QStyle::CE_Header, &opt, &painter, this);
        }
    }

private:
    const GridModel* gridModel() const { return qobject_cast<const GridModel*>(model()); }

    bool twoLevel_ = false;
};

// In-place editors: a combo box for a cell with choices, a line edit otherwise.
// Each editor is named after its column, for screen readers.
class GridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override {
        const QString caption = index.model()->headerData(index.column(), Qt::Horizontal, Qt::DisplayRole).toString();
        const QStringList choices = index.data(GridModel::ChoicesRole).toStringList();
        if (!choices.isEmpty()) {
            auto* box = new QComboBox(parent);
            box->addItems(choices);
            box->setFrame(false);
            box->setAccessibleName(caption);
            // A choice is stored as soon as it is picked.
            auto* self = const_cast<GridDelegate*>(this);
            connect(box, &QComboBox::activated, self, [self, box] {
                emit self->commitData(box);
                emit self->closeEditor(box);
            });
            return box;
        }
        auto* edit = new QLineEdit(parent);
        edit->setFrame(false);
        edit->setAccessibleName(caption);
        return edit;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const QString text = index.data(Qt::EditRole).toString();
        if (auto* box = qobject_cast<QComboBox*>(editor)) box->setCurrentIndex(box->findText(text));
        else if (auto* edit = qobject_cast<QLineEdit*>(editor)) edit->setText(text);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        if (auto* box = qobject_cast<QComboBox*>(editor)) {
            if (box->currentIndex() >= 0) model->setData(index, box->currentText(), Qt::EditRole);
        } else if (auto* edit = qobject_cast<QLineEdit*>(editor)) {
            model->setData(index, edit->text(), Qt::EditRole);
        }
    }
};

bool sameColumns(const Grid& a, const Grid& b) {
    if (a.code != b.code || a.columns.size() != b.columns.size()) return false;
    for (std::size_t c = 0; c < a.columns.size(); ++c)
        if (a.columns[c].caption != b.columns[c].caption) return false;
    return true;
}

// Menu items that share a separator-free block of the "数据输入" menu.
int menuBlock(DataMenuItem item) {
    switch (item) {
        case DataMenuItem::Clear:
        case DataMenuItem::Cut:
        case DataMenuItem::Copy:
        case DataMenuItem::Paste: return 0;
        case DataMenuItem::InsertRow:
        case DataMenuItem::DeleteRow: return 1;
        case DataMenuItem::MoveUp:
        case DataMenuItem::MoveDown: return 2;
        case DataMenuItem::SameAsPreviousPier:
        case DataMenuItem::SameAsNextPier: return 3;
        case DataMenuItem::SameAsLeft:
        case DataMenuItem::SameAsRight: return 4;
    }
    return 5;
}

// Red marks stay readable on a dark base colour.
QColor markColorFor(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() < 128 ? QColor(255, 110, 110) : QColor(255, 0, 0);
}

QString clipboardText() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    return mime && mime->hasText() ? mime->text() : QString();
}

}  // namespace

GridView::GridView(QWidget* parent) : QTableView(parent), model_(new GridModel(this)) {
    setHorizontalHeader(new GroupHeaderView(this));
    setModel(model_);
    setItemDelegate(new GridDelegate(this));
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setWordWrap(false);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    horizontalHeader()->setDefaultAlignment(Qt::AlignCenter);

    model_->setMarkColor(markColorFor(palette()));
    setAccessibleName(QStringLiteral("数据表"));
    horizontalHeader()->setAccessibleName(QStringLiteral("表头"));
    verticalHeader()->setAccessibleName(QStringLiteral("行号"));
    horizontalScrollBar()->setAccessibleName(QStringLiteral("水平滚动条"));
    verticalScrollBar()->setAccessibleName(QStringLiteral("垂直滚动条"));

    connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current, const QModelIndex&) {
                emit currentCellChanged(current.isValid() ? current.row() : -1,
                                        current.isValid() ? current.column() : -1);
            });
}

const Grid& GridView::grid() const { return pendingGrid_ ? *pendingGrid_ : model_->grid(); }

void GridView::setGrid(const Grid& grid) {
    if (committing_) {
        pendingGrid_ = grid;
        pendingRecord_.reset();
        return;
    }
    showGrid(grid);
}

void GridView::commitData(QWidget* editor) {
    committing_ = true;
    QTableView::commitData(editor);
    committing_ = false;
    // Normally closeEditor follows at once and shows the pending table; this is
    // the fallback for a commit without a close.
    if (pendingGrid_) QMetaObject::invokeMethod(this, [this] { applyPending(); }, Qt::QueuedConnection);
}

void GridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    if (!pendingGrid_) {
        QTableView::closeEditor(editor, hint);
        return;
    }
    // The rows may have moved: the move to the next cell happens in the new table.
    const bool next = hint == QAbstractItemDelegate::EditNextItem;
    const bool previous = hint == QAbstractItemDelegate::EditPreviousItem;
    QTableView::closeEditor(editor, next || previous ? QAbstractItemDelegate::NoHint : hint);
    applyPending();
    const QModelIndex current = currentIndex();
    if ((next || previous) && current.isValid()) setCurrentCell(current.row(), current.column() + (next ? 1 : -1));
}

void GridView::applyPending() {
    if (!pendingGrid_) return;
    const Grid grid = std::move(*pendingGrid_);
    pendingGrid_.reset();
    const auto record = pendingRecord_;
    pendingRecord_.reset();
    showGrid(grid);
    if (record) setCurrentRecord(record->first, record->second);
}

void GridView::showGrid(const Grid& grid) {
    const bool same = sameColumns(model_->grid(), grid);
    const QModelIndex current = currentIndex();
    const int row = current.isValid() ? current.row() : -1;
    const int column = current.isValid() ? current.column() : 0;
    const int record = row >= 0 ? model_->grid().rows[static_cast<std::size_t>(row)].recordIndex : -1;
    std::vector<int> widths;
    if (same)
        for (int c = 0; c < model_->columnCount(); ++c) widths.push_back(horizontalHeader()->sectionSize(c));
    const int hScroll = horizontalScrollBar()->value();
    const int vScroll = verticalScrollBar()->value();

    static_cast<GroupHeaderView*>(horizontalHeader())->setTwoLevel(!grid.headerGroups.empty());
    model_->setGrid(grid);
    clearSpans();
    applySpans(0, model_->rowCount() - 1);

    if (!same) {
        applyColumnWidths();
        scrollToTop();
        if (model_->rowCount() > 0 && model_->columnCount() > 0) setCurrentCell(0, 0);
        return;
    }
    for (int c = 0; c < static_cast<int>(widths.size()); ++c) horizontalHeader()->resizeSection(c, widths[static_cast<std::size_t>(c)]);
    horizontalScrollBar()->setValue(hScroll);
    verticalScrollBar()->setValue(vScroll);
    if (row < 0 || model_->rowCount() == 0) return;
    if (record >= 0 && setCurrentRecord(record, column)) return;
    setCurrentCell(std::min(row, model_->rowCount() - 1), column);
}

bool GridView::setRow(int row, const GridRow& cells) {
    if (pendingGrid_) {
        Grid& g = *pendingGrid_;
        if (row < 0 || row > g.rowCount() || cells.cells.size() != g.columns.size()) return false;
        if (row == g.rowCount()) g.rows.push_back(cells);
        else g.rows[static_cast<std::size_t>(row)] = cells;
        return true;
    }
    // Spans that start in this row and change with it.
    std::vector<GridCell> old;
    if (row >= 0 && row < model_->rowCount()) old = model_->grid().rows[static_cast<std::size_t>(row)].cells;
    if (!model_->setRow(row, cells)) return false;
    for (int c = 0; c < model_->columnCount(); ++c) {
        const GridCell& now = cells.cells[static_cast<std::size_t>(c)];
        const bool hadSpan = !old.empty() && (old[static_cast<std::size_t>(c)].rowSpan > 1 ||
                                              old[static_cast<std::size_t>(c)].columnSpan > 1);
        const bool hasSpan = now.rowSpan > 1 || now.columnSpan > 1;
        if (!hadSpan && !hasSpan) continue;
        if (hadSpan && old[static_cast<std::size_t>(c)].rowSpan == now.rowSpan &&
            old[static_cast<std::size_t>(c)].columnSpan == now.columnSpan)
            continue;
        const int rs = std::clamp(now.rowSpan, 1, model_->rowCount() - row);
        const int cs = std::clamp(now.columnSpan, 1, model_->columnCount() - c);
        if (hadSpan || rs > 1 || cs > 1) setSpan(row, c, rs, cs);
    }
    return true;
}

bool GridView::setCurrentRecord(int record, int column) {
    if (pendingGrid_) {
        pendingRecord_ = std::make_pair(record, column);
        for (const GridRow& r : pendingGrid_->rows)
            if (r.recordIndex == record) return true;
        return false;
    }
    const int row = model_->rowOfRecord(record);
    if (row < 0) return false;
    if (column < 0) column = currentIndex().isValid() ? currentIndex().column() : 0;
    setCurrentCell(row, column);
    return true;
}

int GridView::currentRecord() const {
    const QModelIndex current = currentIndex();
    if (!current.isValid()) return -1;
    return model_->grid().rows[static_cast<std::size_t>(current.row())].recordIndex;
}

void GridView::setCurrentCell(int row, int column) {
    if (model_->rowCount() == 0 || model_->columnCount() == 0) return;
    row = std::clamp(row, 0, model_->rowCount() - 1);
    column = std::clamp(column, 0, model_->columnCount() - 1);
    const QModelIndex index = model_->index(row, column);
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    scrollTo(index);
}

CellRange GridView::selectedRange() const {
    CellRange range;
    const QItemSelection selection = selectionModel()->selection();
    bool first = true;
    for (const QItemSelectionRange& r : selection) {
        if (!r.isValid()) continue;
        if (first) {
            range = {r.top(), r.left(), r.bottom(), r.right()};
            first = false;
            continue;
        }
        range.top = std::min(range.top, r.top());
        range.left = std::min(range.left, r.left());
        range.bottom = std::max(range.bottom, r.bottom());
        range.right = std::max(range.right, r.right());
    }
    return range;
}

CellRange GridView::rangeOrCurrent() const {
    CellRange range = selectedRange();
    if (!range.empty()) return range;
    const QModelIndex current = currentIndex();
    if (current.isValid()) return {current.row(), current.column(), current.row(), current.column()};
    return range;
}

bool GridView::anyEditableCell() const {
    for (const GridRow& row : model_->grid().rows)
        for (const GridCell& cell : row.cells)
            if (cell.editable) return true;
    return false;
}

void GridView::setEditHandler(GridEditHandler handler) {
    editHandler_ = std::move(handler);
    if (!editHandler_) {
        model_->setCellEditHandler({});
        return;
    }
    model_->setCellEditHandler([this](int row, int column, const std::string& text) {
        GridEdit edit;
        edit.kind = GridEdit::Kind::Cell;
        edit.row = row;
        edit.column = column;
        edit.text = text;
        return handEdit(edit);
    });
}

bool GridView::handEdit(const GridEdit& edit) { return editHandler_ ? editHandler_(edit) : false; }

void GridView::copyToClipboard() {
    const CellRange range = rangeOrCurrent();
    if (range.empty()) return;
    QGuiApplication::clipboard()->setText(QString::fromStdString(copyCells(model_->grid(), range)));
}

bool GridView::cutToClipboard() {
    const CellRange range = rangeOrCurrent();
    if (range.empty() || !editHandler_ || !anyEditableCell()) return false;
    copyToClipboard();
    GridEdit edit;
    edit.kind = GridEdit::Kind::Cut;
    edit.range = range;
    return handEdit(edit);
}

bool GridView::pasteFromClipboard() {
    if (!editHandler_ || !anyEditableCell()) return false;
    const QString text = clipboardText();
    if (text.isEmpty()) return false;
    const CellRange range = rangeOrCurrent();
    if (range.empty()) return false;
    GridEdit edit;
    edit.kind = GridEdit::Kind::Paste;
    edit.row = range.top;
    edit.column = range.left;
    edit.text = text.toStdString();
    return handEdit(edit);
}

bool GridView::clearRange() {
    const CellRange range = rangeOrCurrent();
    if (range.empty() || !editHandler_ || !anyEditableCell()) return false;
    GridEdit edit;
    edit.kind = GridEdit::Kind::Clear;
    edit.range = range;
    return handEdit(edit);
}

QMenu* GridView::createContextMenu(int row, int column) {
    if (!menuProvider_ || row < 0 || column < 0 || row >= model_->rowCount() || column >= model_->columnCount())
        return nullptr;
    const std::vector<DataMenuEntry> entries = menuProvider_(row, column, selectedRange(), !clipboardText().isEmpty());
    if (entries.empty()) return nullptr;
    auto* menu = new QMenu(QStringLiteral("数据输入"), this);
    menu->setAccessibleName(QStringLiteral("数据输入"));
    int block = -1;
    for (const DataMenuEntry& entry : entries) {
        if (block >= 0 && menuBlock(entry.item) != block) menu->addSeparator();
        block = menuBlock(entry.item);
        QAction* action = menu->addAction(QString::fromStdString(entry.label));
        action->setEnabled(entry.enabled);
        action->setData(static_cast<int>(entry.item));
        const DataMenuItem item = entry.item;
        connect(action, &QAction::triggered, this, [this, item, row, column] { runMenuItem(item, row, column); });
    }
    return menu;
}

void GridView::runMenuItem(DataMenuItem item, int row, int column) {
    switch (item) {
        case DataMenuItem::Clear: clearRange(); return;
        case DataMenuItem::Cut: cutToClipboard(); return;
        case DataMenuItem::Copy: copyToClipboard(); return;
        case DataMenuItem::Paste: pasteFromClipboard(); return;
        default: break;
    }
    GridEdit edit;
    edit.kind = GridEdit::Kind::Command;
    edit.command = item;
    edit.row = row;
    edit.column = column;
    edit.range = selectedRange();
    handEdit(edit);
}

namespace {

enum class ClipboardKey { None, Copy, Cut, Paste, Clear };

ClipboardKey clipboardKey(const QKeyEvent* e) {
    if (e->matches(QKeySequence::Copy)) return ClipboardKey::Copy;
    if (e->matches(QKeySequence::Cut)) return ClipboardKey::Cut;
    if (e->matches(QKeySequence::Paste)) return ClipboardKey::Paste;
    if (e->key() == Qt::Key_Delete && (e->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier)
        return ClipboardKey::Clear;
    return ClipboardKey::None;
}

}  // namespace

bool GridView::event(QEvent* e) {
    // The grid's clipboard keys win over window shortcuts while the grid has focus.
    if (e->type() == QEvent::ShortcutOverride && clipboardKey(static_cast<QKeyEvent*>(e)) != ClipboardKey::None) {
        e->accept();
        return true;
    }
    return QTableView::event(e);
}

void GridView::changeEvent(QEvent* e) {
    if (e->type() == QEvent::PaletteChange) model_->setMarkColor(markColorFor(palette()));
    QTableView::changeEvent(e);
}

bool GridView::isLocked(const QModelIndex& index) const {
    return index.isValid() && !(model_->flags(index) & Qt::ItemIsEditable);
}

void GridView::keyPressEvent(QKeyEvent* e) {
    // A character or F2 on a cell that takes no input would otherwise go to the
    // keyboard search and move the current cell: it is refused where it is.
    const QString text = e->text();
    const bool typing = (!text.isEmpty() && text.at(0).isPrint() &&
                         !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) ||
                        (e->key() == Qt::Key_F2 && e->modifiers() == Qt::NoModifier);
    if (typing && state() != QAbstractItemView::EditingState && isLocked(currentIndex())) {
        emit editRefused(currentIndex().row(), currentIndex().column());
        e->accept();
        return;
    }
    switch (clipboardKey(e)) {
        case ClipboardKey::Copy: copyToClipboard(); break;
        case ClipboardKey::Cut: cutToClipboard(); break;
        case ClipboardKey::Paste: pasteFromClipboard(); break;
        case ClipboardKey::Clear: clearRange(); break;
        case ClipboardKey::None: QTableView::keyPressEvent(e); return;
    }
    e->accept();
}

void GridView::mouseDoubleClickEvent(QMouseEvent* e) {
    const QModelIndex index = indexAt(e->position().toPoint());
    if (isLocked(index) && e->button() == Qt::LeftButton) emit editRefused(index.row(), index.column());
    QTableView::mouseDoubleClickEvent(e);
}

void GridView::contextMenuEvent(QContextMenuEvent* e) {
    const QModelIndex index = indexAt(e->pos());
    if (!index.isValid()) return;
    QMenu* menu = createContextMenu(index.row(), index.column());
    if (!menu) return;
    menu->exec(e->globalPos());
    delete menu;
}

void GridView::applySpans(int firstRow, int lastRow) {
    const Grid& g = model_->grid();
    for (int r = std::max(0, firstRow); r <= std::min(lastRow, g.rowCount() - 1); ++r)
        for (int c = 0; c < g.columnCount(); ++c) {
            const GridCell& cell = g.cell(r, c);
            if (cell.rowSpan <= 1 && cell.columnSpan <= 1) continue;
            const int rs = std::clamp(cell.rowSpan, 1, g.rowCount() - r);
            const int cs = std::clamp(cell.columnSpan, 1, g.columnCount() - c);
            if (rs > 1 || cs > 1) setSpan(r, c, rs, cs);
        }
}

void GridView::applyColumnWidths() {
    const Grid& g = model_->grid();
    const QFontMetrics header(horizontalHeader()->font());
    const QFontMetrics cells(font());
    // The first rows are measured so that the usual texts are not cut; a long
    // table is not walked whole.
    const int sample = std::min(g.rowCount(), 50);
    for (int c = 0; c < g.columnCount(); ++c) {
        const GridColumn& column = g.columns[static_cast<std::size_t>(c)];
        int width = std::max(column.width, header.horizontalAdvance(QString::fromStdString(column.caption)) + 16);
        for (int r = 0; r < sample; ++r) {
            const GridCell& cell = g.cell(r, c);
            if (cell.columnSpan > 1) continue;
            width = std::max(width, cells.horizontalAdvance(QString::fromStdString(cell.text)) + 12);
        }
        horizontalHeader()->resizeSection(c, width);
    }
}

}  // namespace vornex

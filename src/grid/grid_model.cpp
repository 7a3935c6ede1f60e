#include "grid/grid_model.h"

#include <QBrush>
#include <QColor>
#include <QStringList>

namespace vornex {

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

GridModel::GridModel(QObject* parent) : QAbstractTableModel(parent) {}

void GridModel::setGrid(Grid grid) {
    beginResetModel();
    grid_ = std::move(grid);
    // A row shorter than the header would be read past its end.
    for (GridRow& row : grid_.rows) row.cells.resize(grid_.columns.size());
    endResetModel();
}

bool GridModel::setRow(int row, GridRow cells) {
    if (row < 0 || row > grid_.rowCount() || cells.cells.size() != grid_.columns.size()) return false;
    if (row == grid_.rowCount()) {
        beginInsertRows({}, row, row);
        grid_.rows.push_back(std::move(cells));
        endInsertRows();
        return true;
    }
    const bool wasNewRow = isNewRecordRow(row);
    grid_.rows[static_cast<std::size_t>(row)] = std::move(cells);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    if (wasNewRow != isNewRecordRow(row)) emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

bool GridModel::truncate(int row) {
    if (row < 0 || row > grid_.rowCount()) return false;
    if (row == grid_.rowCount()) return true;
    beginRemoveRows({}, row, grid_.rowCount() - 1);
    grid_.rows.resize(static_cast<std::size_t>(row));
    endRemoveRows();
    return true;
}

void GridModel::setMarkColor(const QColor& color) {
    if (color == markColor_) return;
    markColor_ = color;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::ForegroundRole});
}

int GridModel::rowOfRecord(int recordIndex) const {
    if (recordIndex < 0) return -1;
    for (int r = 0; r < grid_.rowCount(); ++r)
        if (grid_.rows[static_cast<std::size_t>(r)].recordIndex == recordIndex) return r;
    for (int r = 0; r < grid_.rowCount(); ++r)
        for (const GridCell& c : grid_.rows[static_cast<std::size_t>(r)].cells)
            if (c.recordIndex == recordIndex) return r;
    return -1;
}

bool GridModel::hasGroups() const { return !grid_.headerGroups.empty(); }

const GridHeaderGroup* GridModel::groupOf(int column) const {
    for (const GridHeaderGroup& g : grid_.headerGroups)
        if (column >= g.first && column < g.first + g.count) return &g;
    return nullptr;
}

int GridModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.rowCount(); }

int GridModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : grid_.columnCount(); }

const GridCell* GridModel::cellAt(const QModelIndex& index) const {
    if (!index.isValid() || index.row() >= grid_.rowCount() || index.column() >= grid_.columnCount()) return nullptr;
    return &grid_.rows[static_cast<std::size_t>(index.row())].cells[static_cast<std::size_t>(index.column())];
}

bool GridModel::isNewRecordRow(int row) const { return vornex::isNewRecordRow(grid_, row); }

QVariant GridModel::data(const QModelIndex& index, int role) const {
    const GridCell* cell = cellAt(index);
    if (!cell) return {};
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole: return qs(cell->text);
        case Qt::ForegroundRole:
            if (cell->red) return QBrush(markColor_);
            return {};
        case Qt::ToolTipRole: {
            const std::string& hint =
                cell->hint.empty() ? grid_.columns[static_cast<std::size_t>(index.column())].hint : cell->hint;
            if (hint.empty()) return {};
            return qs(hint);
        }
        case ChoicesRole: {
            QStringList list;
            for (const std::string& c : cell->choices) list << qs(c);
            return list;
        }
        case RecordRole:
            return cell->recordIndex >= 0 ? cell->recordIndex
                                          : grid_.rows[static_cast<std::size_t>(index.row())].recordIndex;
        default: return {};
    }
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal) {
        if (section < 0 || section >= grid_.columnCount()) return {};
        const GridColumn& c = grid_.columns[static_cast<std::size_t>(section)];
        switch (role) {
            case Qt::DisplayRole: return qs(c.caption);
            case Qt::ToolTipRole: return c.hint.empty() ? QVariant() : QVariant(qs(c.hint));
            case GroupRole: {
                const GridHeaderGroup* g = groupOf(section);
                return g ? qs(g->caption) : QString();
            }
            default: return {};
        }
    }
    if (section < 0 || section >= grid_.rowCount()) return {};
    if (role == Qt::DisplayRole) return isNewRecordRow(section) ? QStringLiteral("*") : QString::number(section + 1);
    return {};
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    const GridCell* cell = cellAt(index);
    if (!cell) return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    // Without a handler nothing could store the edit, so no editor opens.
    if (cell->editable && handler_) f |= Qt::ItemIsEditable;
    return f;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    const GridCell* cell = cellAt(index);
    if (role != Qt::EditRole || !cell || !cell->editable || !handler_) return false;
    const std::string text = value.toString().toStdString();
    // Leaving a cell unchanged is no edit: nothing is stored, nothing marked modified.
    if (text == cell->text) return false;
    return handler_(index.row(), index.column(), text);
}

}  // namespace vornex

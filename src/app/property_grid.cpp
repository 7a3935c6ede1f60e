#include "app/property_grid.h"

#include <algorithm>

#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QVBoxLayout>

namespace vornex::app {

namespace {

constexpr int kIdRole = Qt::UserRole + 1;
constexpr int kChoicesRole = Qt::UserRole + 2;

// A combo for properties with choices, a line edit for the others.
class ValueDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QStringList choices = index.data(kChoicesRole).toStringList();
        if (choices.isEmpty()) {
            auto* e = new QLineEdit(parent);
            e->setAccessibleName(index.sibling(index.row(), 0).data().toString());
            e->setFrame(false);
            return e;
        }
        (void)option;
        auto* c = new QComboBox(parent);
        c->addItems(choices);
        c->setAccessibleName(index.sibling(index.row(), 0).data().toString());
        // A choice is stored as soon as it is picked, as in the tables.
        auto* self = const_cast<ValueDelegate*>(this);
        connect(c, &QComboBox::activated, self, [self, c] {
            emit self->commitData(c);
            emit self->closeEditor(c);
        });
        return c;
    }
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        const QString v = index.data(Qt::EditRole).toString();
        if (auto* c = qobject_cast<QComboBox*>(editor)) {
            c->setCurrentIndex(std::max(0, c->findText(v)));
            return;
        }
        static_cast<QLineEdit*>(editor)->setText(v);
    }
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override {
        const QString v = qobject_cast<QComboBox*>(editor) ? static_cast<QComboBox*>(editor)->currentText()
                                                           : static_cast<QLineEdit*>(editor)->text();
        model->setData(index, v, Qt::EditRole);
    }
};

}  // namespace

PropertyGrid::PropertyGrid(const QString& accessibleName, QWidget* parent) : QWidget(parent) {
    setAccessibleName(accessibleName);
    model_ = new QStandardItemModel(0, 2, this);
    model_->setHorizontalHeaderLabels({QStringLiteral("属性"), QStringLiteral("值")});
    view_ = new QTreeView(this);
    view_->setAccessibleName(accessibleName);
    view_->setModel(model_);
    view_->setItemDelegateForColumn(1, new ValueDelegate(view_));
    view_->setEditTriggers(QAbstractItemView::AllEditTriggers);
    view_->setSelectionBehavior(QAbstractItemView::SelectRows);
    view_->setAlternatingRowColors(true);
    view_->setRootIsDecorated(true);
    view_->setUniformRowHeights(true);
    view_->header()->setSectionResizeMode(0, QHeaderView::Interactive);
    view_->header()->setStretchLastSection(true);
    view_->setColumnWidth(0, 140);

    description_ = new QLabel(this);
    description_->setAccessibleName(QStringLiteral("说明"));
    description_->setWordWrap(true);
    description_->setFrameShape(QFrame::StyledPanel);
    description_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    description_->setMinimumHeight(56);
    description_->setMargin(4);
    description_->setTextFormat(Qt::RichText);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addWidget(view_, 1);
    layout->addWidget(description_);

    connect(view_->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { showDescription(); });
    connect(model_, &QStandardItemModel::itemChanged, this, [this](QStandardItem* item) {
        if (filling_ || item->column() != 1) return;
        const QString id = item->data(kIdRole).toString();
        if (id.isEmpty()) return;
        markBold(item);
        emit propertyEdited(id, item->text());
    });
}

int PropertyGrid::contentHeight() const {
    int rows = 0;
    for (int g = 0; g < model_->rowCount(); ++g) {
        ++rows;
        if (!view_->isExpanded(model_->index(g, 0))) continue;
        const QModelIndex group = model_->index(g, 0);
        for (int r = 0; r < model_->item(g)->rowCount(); ++r) rows += view_->isRowHidden(r, group) ? 0 : 1;
    }
    const int rowHeight = std::max(view_->sizeHintForRow(0), view_->fontMetrics().height() + 4);
    const int frame = 2 * view_->frameWidth();
    return rows * rowHeight + view_->header()->sizeHint().height() + frame + 2 + description_->minimumHeight();
}

void PropertyGrid::setHidden(const QString& id, bool hidden) {
    if (QStandardItem* v = values_.value(id)) view_->setRowHidden(v->row(), v->index().parent(), hidden);
}

bool PropertyGrid::isHidden(const QString& id) const {
    const QStandardItem* v = values_.value(id);
    return v && view_->isRowHidden(v->row(), v->index().parent());
}

void PropertyGrid::addGroup(const QString& caption) {
    filling_ = true;
    group_ = new QStandardItem(caption);
    QFont f = group_->font();
    f.setBold(true);
    group_->setFont(f);
    group_->setEditable(false);
    group_->setSelectable(false);
    auto* filler = new QStandardItem;
    filler->setEditable(false);
    filler->setSelectable(false);
    model_->appendRow({group_, filler});
    view_->setFirstColumnSpanned(group_->row(), QModelIndex(), true);
    view_->expand(group_->index());
    filling_ = false;
}

void PropertyGrid::addProperty(const Property& property, const QString& value) {
    filling_ = true;
    auto* caption = new QStandardItem(property.caption);
    caption->setEditable(false);
    caption->setData(property.id, kIdRole);
    caption->setToolTip(property.description);
    auto* v = new QStandardItem(value);
    v->setData(property.id, kIdRole);
    v->setData(property.choices, kChoicesRole);
    v->setEditable(property.editable && !readOnly_);
    v->setToolTip(property.description);
    if (group_) {
        group_->appendRow({caption, v});
        view_->expand(group_->index());
    } else {
        model_->appendRow({caption, v});
    }
    values_.insert(property.id, v);
    properties_.insert(property.id, property);
    markBold(v);
    filling_ = false;
}

void PropertyGrid::setValue(const QString& id, const QString& value) {
    QStandardItem* v = values_.value(id);
    if (!v) return;
    filling_ = true;
    if (v->text() != value) v->setText(value);
    markBold(v);
    filling_ = false;
}

QString PropertyGrid::value(const QString& id) const {
    QStandardItem* v = values_.value(id);
    return v ? v->text() : QString();
}

void PropertyGrid::setEditable(const QString& id, bool editable) {
    if (!properties_.contains(id)) return;
    properties_[id].editable = editable;
    filling_ = true;
    values_.value(id)->setEditable(editable && !readOnly_);
    filling_ = false;
}

bool PropertyGrid::isEditable(const QString& id) const {
    QStandardItem* v = values_.value(id);
    return v && v->isEditable();
}

void PropertyGrid::setChoices(const QString& id, const QStringList& choices) {
    if (!properties_.contains(id)) return;
    properties_[id].choices = choices;
    filling_ = true;
    values_.value(id)->setData(choices, kChoicesRole);
    filling_ = false;
}

void PropertyGrid::setReadOnly(bool readOnly) {
    readOnly_ = readOnly;
    filling_ = true;
    for (auto it = values_.begin(); it != values_.end(); ++it)
        it.value()->setEditable(properties_.value(it.key()).editable && !readOnly);
    filling_ = false;
}

bool PropertyGrid::enter(const QString& id, const QString& text) {
    QStandardItem* v = values_.value(id);
    if (!v || !v->isEditable()) return false;
    v->setText(text);  // itemChanged reports it
    return true;
}

QString PropertyGrid::descriptionText() const {
    const QModelIndex current = view_->currentIndex();
    if (!current.isValid()) return {};
    const QString id = current.sibling(current.row(), 0).data(kIdRole).toString();
    return properties_.value(id).description;
}

void PropertyGrid::showDescription() {
    const QModelIndex current = view_->currentIndex();
    const QString id = current.isValid() ? current.sibling(current.row(), 0).data(kIdRole).toString() : QString();
    if (id.isEmpty()) {
        description_->clear();
        return;
    }
    const Property& p = properties_[id];
    description_->setText(QStringLiteral("<b>%1</b><br>%2").arg(p.caption.toHtmlEscaped(), p.description.toHtmlEscaped()));
}

void PropertyGrid::markBold(QStandardItem* valueItem) {
    const Property p = properties_.value(valueItem->data(kIdRole).toString());
    QFont f = valueItem->font();
    const bool bold = !p.defaultValue.isNull() && valueItem->text() != p.defaultValue;
    if (f.bold() == bold) return;
    f.setBold(bold);
    const bool was = filling_;
    filling_ = true;
    valueItem->setFont(f);
    filling_ = was;
}

}  // namespace vornex::app

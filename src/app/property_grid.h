// A two-column property editor ("Property" / "Value") on a QTreeView: groups of
// properties, a description area under the list for the current property,
// values that differ from their default drawn bold, and a combo or a line edit
// as the value's editor. The grid edits nothing itself: a typed value is
// reported with propertyEdited() and the owner decides what is stored, then
// shows the stored values again.
#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <QWidget>

class QLabel;
class QStandardItem;
class QStandardItemModel;
class QTreeView;

namespace vornex::app {

struct Property {
    QString id;           // key for the owner
    QString caption;      // left column
    QString description;  // shown under the list while the property is current
    QStringList choices;  // non-empty: a combo of these texts (no free text)
    bool editable = true;
    QString defaultValue;  // a value different from it is drawn bold
};

class PropertyGrid : public QWidget {
    Q_OBJECT
public:
    explicit PropertyGrid(const QString& accessibleName, QWidget* parent = nullptr);

    void addGroup(const QString& caption);
    void addProperty(const Property& property, const QString& value = {});

    // Shows a stored value (no signal).
    void setValue(const QString& id, const QString& value);
    QString value(const QString& id) const;
    void setEditable(const QString& id, bool editable);
    bool isEditable(const QString& id) const;
    void setChoices(const QString& id, const QStringList& choices);
    // Hides a property's row (details that do not apply now) or shows it again.
    void setHidden(const QString& id, bool hidden);
    bool isHidden(const QString& id) const;
    // The whole grid read-only (a read-only document) or editable as each property says.
    void setReadOnly(bool readOnly);

    // Types `text` into a property as the editor would (for keyboard-free use
    // and tests); false when the property is unknown or not editable.
    bool enter(const QString& id, const QString& text);

    QTreeView* view() const { return view_; }
    // The height that shows every group and property at once, with the header
    // and the description area.
    int contentHeight() const;
    QLabel* descriptionArea() const { return description_; }
    QString descriptionText() const;

signals:
    // The user typed or chose a new value.
    void propertyEdited(const QString& id, const QString& text);

private:
    void showDescription();
    void markBold(QStandardItem* valueItem);

    QStandardItemModel* model_;
    QTreeView* view_;
    QLabel* description_;
    QStandardItem* group_ = nullptr;
    QHash<QString, QStandardItem*> values_;
    QHash<QString, Property> properties_;
    bool readOnly_ = false;
    bool filling_ = false;
};

}  // namespace vornex::app

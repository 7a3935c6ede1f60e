// 工具 → 坐标转换: points typed, pasted or read from a points file, converted
// between latitude and longitude and a Gauss-Krüger grid or from one zone to
// another; the results in a table that copies and exports like every table.
#pragma once

#include <QDialog>
#include <QStringList>

#include "geodesy/point_conversion.h"

class QCheckBox;
class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;
class QPlainTextEdit;

namespace vornex {
struct Prompter;
class GridView;
}

namespace vornex::app {

class CCoordinateConversion : public QDialog {
    Q_OBJECT
public:
    explicit CCoordinateConversion(Prompter& prompter, QWidget* parent = nullptr);

    // Shows `system` as the system of the input (the project's, say); its
    // central scale and false northing, which the dialog does not show, are kept.
    void setSystem(const geodesy::CoordinateSystem& system);

    // The setup as the controls stand; false (with the reason) when it cannot be used.
    bool readSetup(geodesy::ConversionSetup& setup, QString& why) const;
    // Converts the points of the input box into the table. False when the setup
    // is unusable (the user is told why).
    bool convert();
    // Reads a points file into the input box and converts it.
    bool loadFile(const QString& path);
    GridView* table() const { return table_; }
    QStringList problems() const { return problems_; }
    QPlainTextEdit* input() const { return input_; }

private:
    QComboBox* addCombo(const QString& name, const QStringList& items);
    QLineEdit* addEdit(const QString& name, const QString& text);

    Prompter& prompter_;
    geodesy::CoordinateSystem base_;  // what the fields leave out comes from here
    QComboBox* from_ = nullptr;
    QComboBox* ellipsoid_ = nullptr;
    QComboBox* width_ = nullptr;
    QLineEdit* zone_ = nullptr;
    QLineEdit* meridian_ = nullptr;
    QCheckBox* change_ = nullptr;
    QComboBox* toWidth_ = nullptr;
    QLineEdit* toZone_ = nullptr;
    QLineEdit* toMeridian_ = nullptr;
    QLineEdit* height_ = nullptr;
    QLineEdit* falseEasting_ = nullptr;
    QCheckBox* prefix_ = nullptr;
    QPlainTextEdit* input_ = nullptr;
    GridView* table_ = nullptr;
    QLabel* status_ = nullptr;
    QStringList problems_;
    QFormLayout* form_ = nullptr;
};

}  // namespace vornex::app

// "导入观测数据": what a raw instrument file needs besides its words before it
// is converted — the order whose limits its station checks use and, for a
// total station's file, the known points (a raw file rarely carries them).
#pragma once

#include <QDialog>
#include <string>

#include "exchange/gsi_import.h"

class QComboBox;
class QTableWidget;

namespace vornex::app {

class RawImportDialog : public QDialog {
    Q_OBJECT
public:
    RawImportDialog(exchange::RawKind kind, const QString& fileName, QWidget* parent = nullptr);

    QComboBox* orderBox() const { return order_; }
    // Control surveys only (null for leveling): 10 rows of 点名, X, Y, H.
    QTableWidget* knownTable() const { return known_; }

    // The options the table and the choice stand for; false with a message
    // naming the row when a row cannot be a known point.
    bool options(exchange::RawImportOptions& options, std::string& error) const;

public slots:
    void accept() override;

private:
    exchange::RawKind kind_;
    QComboBox* order_ = nullptr;
    QTableWidget* known_ = nullptr;
};

}  // namespace vornex::app

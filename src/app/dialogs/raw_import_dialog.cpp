#include "app/dialogs/raw_import_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace vornex::app {

RawImportDialog::RawImportDialog(exchange::RawKind kind, const QString& fileName, QWidget* parent)
    : QDialog(parent), kind_(kind) {
    setWindowTitle(QStringLiteral("导入观测数据"));
    setAccessibleName(QStringLiteral("导入观测数据"));
    auto* layout = new QVBoxLayout(this);
    const bool level = kind == exchange::RawKind::Leveling;
    auto* what = new QLabel(QStringLiteral("%1：%2").arg(fileName, level ? QStringLiteral("数字水准仪的水准读数")
                                                                          : QStringLiteral("全站仪的角度和距离")));
    what->setWordWrap(true);
    layout->addWidget(what);
    auto* form = new QFormLayout;
    order_ = new QComboBox;
    order_->setAccessibleName(level ? QStringLiteral("观测等级") : QStringLiteral("等级"));
    for (const std::string& n : exchange::rawOrderNames(kind)) order_->addItem(QString::fromStdString(n));
    order_->setCurrentText(level ? QStringLiteral("二等") : QStringLiteral("四等"));
    order_->setToolTip(level ? QStringLiteral("测站检核按此等级的限差标红")
                             : QStringLiteral("2C 互差、指标差较差等按此等级的限差检核；等级不存入数据文件"));
    form->addRow(level ? QStringLiteral("观测等级") : QStringLiteral("等级"), order_);
    layout->addLayout(form);
    if (!level) {
        layout->addWidget(new QLabel(QStringLiteral("已知点（最多 10 个，高程可空）：")));
        known_ = new QTableWidget(10, 4);
        known_->setAccessibleName(QStringLiteral("已知点"));
        known_->setHorizontalHeaderLabels({QStringLiteral("点名"), QStringLiteral("X"), QStringLiteral("Y"), QStringLiteral("H")});
        known_->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        known_->setMinimumHeight(260);
        layout->addWidget(known_);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("导入"));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("导入"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("取消"));
    connect(buttons, &QDialogButtonBox::accepted, this, &RawImportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &RawImportDialog::reject);
    layout->addWidget(buttons);
}

bool RawImportDialog::options(exchange::RawImportOptions& options, std::string& error) const {
    options = {};
    options.order = order_->currentText().toStdString();
    if (known_ == nullptr) return true;
    // The rows as "name,X,Y[,H]" records: the same rules as a known-point file.
    std::string text;
    for (int r = 0; r < known_->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < 4; ++c) {
            const QTableWidgetItem* item = known_->item(r, c);
            cells << (item ? item->text().trimmed() : QString());
        }
        if (cells.join(QString()).isEmpty()) {
            text += "\n";
            continue;
        }
        QString name = cells[0];
        name.replace(QLatin1Char('"'), QStringLiteral("\"\""));
        QString line = QLatin1Char('"') + name + QStringLiteral("\",") + cells[1] + QLatin1Char(',') + cells[2];
        if (!cells[3].isEmpty()) line += QLatin1Char(',') + cells[3];
        text += line.toStdString() + "\n";
    }
    if (!exchange::parseKnownPoints(text, options.knownPoints, error)) {
        // "第 N 行" of the text is row N of the table.
        error = "已知点表" + error;
        return false;
    }
    return true;
}

void RawImportDialog::accept() {
    exchange::RawImportOptions o;
    std::string error;
    if (!options(o, error)) {
        QMessageBox::warning(this, QStringLiteral("导入观测数据"), QString::fromStdString(error));
        return;
    }
    QDialog::accept();
}

}  // namespace vornex::app

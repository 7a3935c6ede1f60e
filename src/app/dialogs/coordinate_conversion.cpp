#include "app/dialogs/coordinate_conversion.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "document/edits.h"
#include "geodesy/dms_text.h"
#include "grid/grid_printer.h"
#include "grid/grid_view.h"
#include "io/file_problem_text.h"
#include "io/read.h"
#include "model/prompter.h"
#include "tables/coordinate_tables.h"
#include "tables/grid_text.h"
#include "text/utf8.h"

namespace vornex::app {
namespace {

const QStringList kWidths = {QStringLiteral("3°带"), QStringLiteral("6°带"), QStringLiteral("任意中央子午线")};

// The meridian of one side from its width choice, zone and meridian text.
bool readMeridian(const QComboBox* width, const QLineEdit* zone, const QLineEdit* meridian, geodesy::CoordinateSystem& s,
                  QString& why) {
    if (width->currentIndex() == 2) {
        s.zone = 0;
        if (!geodesy::parseDmsText(meridian->text().trimmed().toStdString(), s.centralMeridian)) {
            why = QStringLiteral("中央子午线“%1”不是度.分秒").arg(meridian->text().trimmed());
            return false;
        }
        return true;
    }
    bool ok = false;
    const int z = zone->text().trimmed().toInt(&ok);
    if (!ok || !geodesy::setZone(s, z, width->currentIndex() == 1 ? 6 : 3)) {
        why = QStringLiteral("没有第 %1 带").arg(zone->text().trimmed());
        return false;
    }
    return true;
}

}  // namespace

CCoordinateConversion::CCoordinateConversion(Prompter& prompter, QWidget* parent) : QDialog(parent), prompter_(prompter) {
    setWindowTitle(QStringLiteral("坐标转换"));
    setAccessibleName(QStringLiteral("坐标转换"));
    auto* layout = new QVBoxLayout(this);
    form_ = new QFormLayout;
    layout->addLayout(form_);
    from_ = addCombo(QStringLiteral("输入"), {QStringLiteral("经纬度 B, L"), QStringLiteral("高斯坐标 X, Y")});
    QStringList names;
    for (int i = 0; i < geodesy::kEllipsoidCount; ++i) names << QString::fromUtf8(geodesy::ellipsoidAt(i).name);
    ellipsoid_ = addCombo(QStringLiteral("椭球"), names);
    width_ = addCombo(QStringLiteral("投影带"), kWidths);
    zone_ = addEdit(QStringLiteral("带号"), QStringLiteral("39"));
    meridian_ = addEdit(QStringLiteral("中央子午线"), QStringLiteral("117"));
    change_ = new QCheckBox(QStringLiteral("换带"), this);
    change_->setAccessibleName(QStringLiteral("换带"));
    form_->addRow(QString(), change_);
    toWidth_ = addCombo(QStringLiteral("目标投影带"), kWidths);
    toZone_ = addEdit(QStringLiteral("目标带号"), QStringLiteral("40"));
    toMeridian_ = addEdit(QStringLiteral("目标中央子午线"), QStringLiteral("120"));
    height_ = addEdit(QStringLiteral("投影面高程(m)"), QStringLiteral("0"));
    falseEasting_ = addEdit(QStringLiteral("假东(m)"), QStringLiteral("500000"));
    prefix_ = new QCheckBox(QStringLiteral("Y 坐标加带号"), this);
    prefix_->setAccessibleName(QStringLiteral("Y 坐标加带号"));
    form_->addRow(QString(), prefix_);
    auto* note = new QLabel(QStringLiteral("选择椭球不是基准转换：不同坐标系之间不做转换。"), this);
    note->setWordWrap(true);
    layout->addWidget(note);

    input_ = new QPlainTextEdit(this);
    input_->setAccessibleName(QStringLiteral("输入点"));
    input_->setPlaceholderText(QStringLiteral("每行一点：点名,B,L[,H]（度.分秒）或 点名,X,Y[,H]"));
    layout->addWidget(input_);
    auto* buttons = new QHBoxLayout;
    auto* compute = new QPushButton(QStringLiteral("计算"), this);
    auto* open = new QPushButton(QStringLiteral("读取文件..."), this);
    auto* copy = new QPushButton(QStringLiteral("复制结果"), this);
    auto* exportButton = new QPushButton(QStringLiteral("导出..."), this);
    for (QPushButton* b : {compute, open, copy, exportButton}) {
        b->setAccessibleName(b->text().remove(QStringLiteral("...")));
        buttons->addWidget(b);
    }
    layout->addLayout(buttons);
    table_ = new GridView(this);
    table_->setAccessibleName(QStringLiteral("转换结果"));
    layout->addWidget(table_, 1);
    status_ = new QLabel(this);
    status_->setWordWrap(true);
    status_->setAccessibleName(QStringLiteral("转换信息"));
    layout->addWidget(status_);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(close);
    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(compute, &QPushButton::clicked, this, &CCoordinateConversion::convert);
    connect(open, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("读取点文件"), QString(),
                                                          QStringLiteral("点文件 (*.txt *.csv);;所有文件 (*)"));
        if (!path.isEmpty()) loadFile(path);
    });
    connect(copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(QString::fromStdString(gridToTsv(table_->grid()))); });
    connect(exportButton, &QPushButton::clicked, this, [this] {
        const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出转换结果"), QString(),
                                                          QStringLiteral("CSV 文件 (*.csv)"));
        if (path.isEmpty()) return;
        QString error;
        if (!exportCsv(path, table_->grid(), &error)) prompter_.message(("导出失败：" + error).toStdString());
    });
    // The fields of a choice that does not apply are greyed.
    auto enable = [this] {
        const bool change = change_->isChecked();
        zone_->setEnabled(width_->currentIndex() != 2);
        meridian_->setEnabled(width_->currentIndex() == 2);
        toWidth_->setEnabled(change);
        toZone_->setEnabled(change && toWidth_->currentIndex() != 2);
        toMeridian_->setEnabled(change && toWidth_->currentIndex() == 2);
    };
    connect(width_, &QComboBox::currentIndexChanged, this, enable);
    connect(toWidth_, &QComboBox::currentIndexChanged, this, enable);
    connect(change_, &QCheckBox::toggled, this, enable);
    enable();
    table_->setGrid(coordinateConversionTable({}, false));
    resize(720, 640);
}

QComboBox* CCoordinateConversion::addCombo(const QString& name, const QStringList& items) {
    auto* c = new QComboBox(this);
    c->addItems(items);
    c->setAccessibleName(name);
    form_->addRow(name, c);
    return c;
}

QLineEdit* CCoordinateConversion::addEdit(const QString& name, const QString& text) {
    auto* e = new QLineEdit(text, this);
    e->setAccessibleName(name);
    form_->addRow(name, e);
    return e;
}

void CCoordinateConversion::setSystem(const geodesy::CoordinateSystem& s) {
    base_ = s;
    for (int i = 0; i < geodesy::kEllipsoidCount; ++i)
        if (geodesy::ellipsoidAt(i).id == s.ellipsoid) ellipsoid_->setCurrentIndex(i);
    width_->setCurrentIndex(s.zone == 0 ? 2 : s.zoneWidth == 6 ? 1 : 0);
    if (s.zone != 0) zone_->setText(QString::number(s.zone));
    meridian_->setText(QString::fromStdString(geodesy::formatDmsText(s.centralMeridian, 2)));
    height_->setText(QString::number(s.projectionHeight, 'g', 12));
    falseEasting_->setText(QString::number(s.falseEasting, 'g', 12));
    prefix_->setChecked(s.zonePrefix);
}

bool CCoordinateConversion::readSetup(geodesy::ConversionSetup& setup, QString& why) const {
    setup = {};
    setup.fromGeographic = from_->currentIndex() == 0;
    geodesy::CoordinateSystem& s = setup.from;
    s.centralScale = base_.centralScale;
    s.falseNorthing = base_.falseNorthing;
    s.ellipsoid = geodesy::ellipsoidAt(ellipsoid_->currentIndex()).id;
    const std::optional<double> height = readTypedNumber(height_->text().toStdString(), NumberText::Whole);
    if (!height) {
        why = QStringLiteral("投影面高程不是数");
        return false;
    }
    s.projectionHeight = *height;
    const std::optional<double> falseEasting = readTypedNumber(falseEasting_->text().toStdString(), NumberText::Whole);
    if (!falseEasting) {
        why = QStringLiteral("假东不是数");
        return false;
    }
    s.falseEasting = *falseEasting;
    if (!readMeridian(width_, zone_, meridian_, s, why)) return false;
    setup.zoneChange = change_->isChecked() && !setup.fromGeographic;
    if (change_->isChecked() && setup.fromGeographic) {
        why = QStringLiteral("换带需要输入高斯坐标");
        return false;
    }
    if (setup.zoneChange) {
        setup.to = s;
        if (!readMeridian(toWidth_, toZone_, toMeridian_, setup.to, why)) return false;
    }
    if (prefix_->isChecked()) (setup.zoneChange ? setup.to : s).zonePrefix = true;
    if (const std::string w = geodesy::checkSetup(setup); !w.empty()) {
        why = QString::fromStdString(w);
        return false;
    }
    return true;
}

bool CCoordinateConversion::convert() {
    geodesy::ConversionSetup setup;
    QString why;
    if (!readSetup(setup, why)) {
        prompter_.message((why + QStringLiteral("。")).toStdString());
        return false;
    }
    const geodesy::ConversionOutcome outcome = geodesy::convertPointText(input_->toPlainText().toStdString(), setup);
    table_->setGrid(coordinateConversionTable(outcome, geodesy::resultIsGeographic(setup)));
    problems_.clear();
    for (const std::string& p : outcome.problems) problems_ << QString::fromStdString(p);
    // The status line names the first lines skipped and counts the rest: a wrong
    // file must not make a label of a hundred thousand lines.
    constexpr int kShown = 10;
    QStringList shown = problems_.mid(0, kShown);
    if (problems_.size() > kShown) shown << QStringLiteral("…… 以及另外 %1 行被跳过").arg(problems_.size() - kShown);
    status_->setText(QStringLiteral("换算 %1 点。").arg(outcome.points.size()) + shown.join(QLatin1Char('\n')));
    return true;
}

bool CCoordinateConversion::loadFile(const QString& path) {
    std::string bytes;
    io::FileError error;
    if (!io::readFile(std::filesystem::path(path.toStdU16String()), bytes, error, {.maxBytes = 64ull << 20})) {
        prompter_.message("不能读取点文件“" + QFileInfo(path).fileName().toStdString() + "”：" + fileProblemText(error) + "。");
        return false;
    }
    input_->setPlainText(QString::fromStdString(text::utf8OrGbkToUtf8(bytes)));
    return convert();
}

}  // namespace vornex::app

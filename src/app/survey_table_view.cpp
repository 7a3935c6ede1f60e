#include "app/survey_table_view.h"

#include <QApplication>
#include <QLabel>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/survey_controller.h"
#include "tables/survey_tables.h"

namespace vornex::app {

namespace {

bool isClosureTable(int code) {
    return code == survey_table::kLevelingClosures || code == survey_table::kControlClosures ||
           code == survey_table::kPlaneClosures;
}

}  // namespace

SurveyTableView::SurveyTableView(SurveyController& survey, QWidget* parent) : QWidget(parent), survey_(survey) {
    setAccessibleName(QStringLiteral("成果表格"));
    auto* bar = new QToolBar(this);
    bar->setAccessibleName(QStringLiteral("表格工具栏"));
    title_ = new QLabel(this);
    title_->setAccessibleName(QStringLiteral("表名"));
    bar->addWidget(title_);
    table_ = new GridView(this);
    table_->setAccessibleName(QStringLiteral("成果表"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(table_, 1);

    // Every edit of a module re-adjusts it: its table is built again at once.
    connect(&survey_, &SurveyController::changed, this, [this](int m) {
        if (m == module_) rebuild();
    });
    connect(&survey_, &SurveyController::selectionChanged, this, [this](int m) {
        if (m == module_) rebuild();
    });
    connect(table_, &GridView::currentCellChanged, this, [this] { reportRow(false); });
}

void SurveyTableView::setModule(int module) {
    if (module == module_) return;
    module_ = module;
    reportedRow_ = -2;
    rebuild();
}

void SurveyTableView::rebuild() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    grid_ = module_ == 0 ? Grid{} : survey_.table(module_);
    QApplication::restoreOverrideCursor();
    table_->setGrid(grid_);
    title_->setText(module_ == 0 ? QString() : survey_.titleOf(module_));
    // A rebuilt table is reported again: its loops may have changed with the adjustment.
    reportRow(true);
}

QString SurveyTableView::title() const { return title_->text(); }

void SurveyTableView::copy() { table_->copyToClipboard(); }

void SurveyTableView::reportRow(bool always) {
    if (module_ == 0) return;
    int row = -1;
    if (isClosureTable(grid_.code) && grid_.rowCount() > 0) {
        const QModelIndex current = table_->currentIndex();
        row = current.isValid() && current.row() < grid_.rowCount() ? current.row() : -1;
    }
    if (!always && row == reportedRow_) return;
    reportedRow_ = row;
    survey_.reportClosureRow(module_, row);
}

}  // namespace vornex::app

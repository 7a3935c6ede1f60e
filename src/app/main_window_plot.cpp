// The drawing row of the survey modules: the network plot of the active
// module's file, following its changes and the closure row chosen in its
// closure table. The road drawing is hidden there; the 图形窗口 command shows or
// hides this row as it does the road drawing.
#include <QAction>
#include <QSplitter>
#include <QStackedWidget>

#include <algorithm>

#include "app/main_window.h"
#include "app/survey_controller.h"
#include "app/views/network_view.h"
#include "tables/survey_tables.h"

namespace vornex::app {

namespace {

// The closure table a reported row belongs to: the one the module shows.
NetworkView::Closures closuresOf(const SurveySelection& shown) {
    return shown.tableCode == survey_table::kPlaneClosures ? NetworkView::Closures::Plane
                                                           : NetworkView::Closures::Height;
}

}  // namespace

void MainWindow::connectNetworkPlot() {
    networkView_ = new NetworkView(results_);
    results_->addWidget(networkView_);
    networkView_->hide();
    connect(survey_, &SurveyController::changed, this, [this](int module) {
        if (module == currentModule()) updateNetworkPlot();
    });
    connect(survey_, &SurveyController::closureRowSelected, this, [this](int module, int row) {
        if (module == currentModule()) networkView_->setHighlightedClosure(row, closuresOf(survey_->selection(module)));
    });
    connect(this, &MainWindow::moduleChanged, this, [this] { updateNetworkPlot(); });
    connect(action("drawing"), &QAction::toggled, this, [this] { updateNetworkPlot(); });
}

void MainWindow::updateNetworkPlot() {
    const int m = currentModule();
    const bool loaded = (m == kLevelingModule || m == kControlModule) && survey_->isLoaded(m);
    if (loaded) {
        if (m == kLevelingModule) {
            networkView_->setLeveling(&survey_->leveling());
        } else {
            networkView_->setControl(&survey_->control());
        }
        networkView_->setHighlightedClosure(survey_->closureRow(m), closuresOf(survey_->selection(m)));
    } else {
        networkView_->clear();
    }
    const bool shown = loaded && action("drawing")->isChecked();
    if (shown == networkView_->isVisibleTo(this)) return;
    networkView_->setVisible(shown);
    // The drawing row now shown (this plot, or the road drawing again) takes
    // what the table leaves, so the table keeps the height the user gave it.
    QList<int> sizes = results_->sizes();
    const int table = results_->indexOf(tableStack_);
    int total = 0;
    for (int s : sizes) total += s;
    if (table < 0 || total <= 0) return;
    int kept = sizes[table];
    if (kept <= 0 || kept >= total) kept = total * 3 / 5;
    for (int i = 0; i < sizes.size(); ++i) {
        QWidget* w = results_->widget(i);
        sizes[i] = i == table ? kept : w->isVisibleTo(this) ? total - kept : 0;
    }
    results_->setSizes(sizes);
}

}  // namespace vornex::app

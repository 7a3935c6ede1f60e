#include "app/views/drawing_pane.h"

#include <QAction>
#include <QActionGroup>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include "app/views/graph_view.h"
#include "app/views/profile_view.h"
#include "app/views/section_view.h"
#include "geometry/section_drawing.h"

namespace vornex::app {

DrawingPane::DrawingPane(QWidget* parent) : QWidget(parent) {
    setAccessibleName(QStringLiteral("图形窗口"));
    plan_ = new CGraphView(this);
    profile_ = new ProfileView(this);
    section_ = new SectionView(this);

    auto* bar = new QToolBar(this);
    bar->setAccessibleName(QStringLiteral("图形工具栏"));
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    auto add = [&](const QString& text, const QString& tip) {
        QAction* a = bar->addAction(text);
        a->setToolTip(tip);
        a->setStatusTip(tip);
        return a;
    };
    QAction* all = add(QStringLiteral("全部"), QStringLiteral("显示全部图形"));
    windowZoom_ = add(QStringLiteral("窗口"), QStringLiteral("按住鼠标左键拖动一个窗口显示图形"));
    pan_ = add(QStringLiteral("平移"), QStringLiteral("平移图形"));
    QAction* zoomIn = add(QStringLiteral("放大"), QStringLiteral("放大图形"));
    zoomOut_ = add(QStringLiteral("缩小"), QStringLiteral("缩小图形"));
    windowZoom_->setCheckable(true);
    pan_->setCheckable(true);
    zoomOut_->setEnabled(plan_->zoom() > 0.5);  // greyed at the smallest zoom

    connect(all, &QAction::triggered, this, [this] {
        windowZoom_->setChecked(false);
        pan_->setChecked(false);
        plan_->showAll();
    });
    connect(windowZoom_, &QAction::toggled, this, [this](bool on) {
        if (on) pan_->setChecked(false);
        plan_->setWindowZoom(on);
    });
    connect(pan_, &QAction::toggled, this, [this](bool on) {
        if (on) windowZoom_->setChecked(false);
        plan_->setPan(on);
    });
    connect(zoomIn, &QAction::triggered, plan_, &CGraphView::zoomIn);
    connect(zoomOut_, &QAction::triggered, plan_, &CGraphView::zoomOut);
    connect(plan_, &CGraphView::zoomChanged, this, [this](double z) { zoomOut_->setEnabled(z > 0.5); });
    connect(plan_, &CGraphView::mouseAt, this, &DrawingPane::mouseAt);
    connect(plan_, &CGraphView::elementClicked, this, &DrawingPane::elementClicked);
    connect(plan_, &CGraphView::intersectionPointClicked, this, &DrawingPane::intersectionPointClicked);

    tabs_ = new QTabWidget(this);
    tabs_->setAccessibleName(QStringLiteral("图形"));
    tabs_->setTabPosition(QTabWidget::South);
    tabs_->addTab(plan_, QStringLiteral("平面"));
    tabs_->addTab(profile_, QStringLiteral("纵断面"));
    tabs_->addTab(section_, QStringLiteral("横断面"));
    connect(tabs_, &QTabWidget::currentChanged, this, [bar](int page) { bar->setEnabled(page == Plan); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(bar);
    layout->addWidget(tabs_, 1);
}

void DrawingPane::setRoad(const Road* road, double precision) {
    plan_->setRoad(road, precision);
    profile_->setRoad(road);
    const double keep = section_->station();
    section_->setRoad(road);
    if (road) section_->setStation(keep);
}

void DrawingPane::setHint(const QString& text) { plan_->setHint(text); }

void DrawingPane::setTunnelTemplate(const TunnelTemplate* t) {
    std::vector<TunnelOutline> outlines;
    if (t) {
        const struct {
            RecordKind kind;
            double crown;
            const std::vector<ContourElement>* elements;
        } parts[] = {{RecordKind::ExcavationContour, t->excavationCrown, &t->excavation},
                     {RecordKind::PrimaryContour, t->primaryCrown, &t->primary},
                     {RecordKind::SecondaryContour, t->secondaryCrown, &t->secondary}};
        for (const auto& part : parts) {
            if (part.elements->empty()) continue;
            TunnelOutline o = tunnelOutline(TunnelSection{t->designOffset, part.crown, *part.elements});
            o.contour = part.kind;
            outlines.push_back(std::move(o));
        }
    }
    plan_->setTunnelOutlines(std::move(outlines));
}

void DrawingPane::setInterval(double metres) { section_->setInterval(metres); }

void DrawingPane::showPoint(double chainage, double offset, std::optional<double> elevation) {
    section_->setStation(chainage);
    section_->setQueryPoint(elevation ? std::optional<QPointF>(QPointF(offset, *elevation)) : std::nullopt);
}

void DrawingPane::setPage(Page page) { tabs_->setCurrentIndex(page); }

DrawingPane::Page DrawingPane::page() const { return static_cast<Page>(tabs_->currentIndex()); }

}  // namespace vornex::app

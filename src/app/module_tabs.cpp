#include "app/module_tabs.h"

#include <QAbstractButton>
#include <QMouseEvent>
#include <QPainter>

namespace vornex::app {

namespace {

// An invisible button over one painted tab: it gives the tab its own accessible
// node (a button named after the module that screen readers and outside tools
// can press) and takes real clicks inside the tab's hit area.
class TabButton : public QAbstractButton {
public:
    using QAbstractButton::QAbstractButton;

protected:
    void paintEvent(QPaintEvent*) override {}  // the strip paints the tabs
};

}  // namespace

const QStringList& moduleNames() {
    static const QStringList names{QStringLiteral("道路测设"), QStringLiteral("水准记录"), QStringLiteral("控制测量")};
    return names;
}

int moduleTabAt(int x, int y, int tabCount) {
    if (x < 3 || x > 21) return -1;
    for (int i = 0; i < tabCount; ++i) {
        if (y > 38 + 80 * i && y < 114 + 80 * i) return i;
    }
    return -1;
}

QRect moduleTabOutline(int i) { return QRect(QPoint(2, 38 + 80 * i), QPoint(22, 114 + 80 * i)); }

ModuleTabs::ModuleTabs(int selected, QWidget* parent) : QWidget(parent), selected_(selected) {
    setAccessibleName(QStringLiteral("模块"));
    setAccessibleDescription(moduleNames().join(QStringLiteral(" / ")));
    setFixedWidth(kModuleStripWidth);
    setToolTip(moduleNames().join(QStringLiteral(" / ")));
    for (int i = 0; i < moduleNames().size(); ++i) {
        auto* tab = new TabButton(this);
        tab->setText(moduleNames()[i]);
        tab->setAccessibleName(moduleNames()[i]);
        tab->setFocusPolicy(Qt::NoFocus);
        // The hit area of tab i: 3 <= x <= 21, 38 + 80i < y < 114 + 80i.
        tab->setGeometry(3, 39 + 80 * i, 19, 75);
        connect(tab, &QAbstractButton::clicked, this, [this, i] {
            if (i != selected_) emit moduleChosen(i);
        });
    }
}

QSize ModuleTabs::sizeHint() const { return {kModuleStripWidth, 40 + 80 * int(moduleNames().size())}; }
QSize ModuleTabs::minimumSizeHint() const { return sizeHint(); }

void ModuleTabs::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(palette().color(QPalette::WindowText));
    // Outline of the selected tab (the rectangle's right and bottom edges are
    // at x = 22 and y = 114 + 80·i: a QRect drawn with a one-pixel pen covers
    // its right and bottom coordinates).
    const QRect outline = moduleTabOutline(selected_);
    p.drawRect(outline.adjusted(0, 0, -1, -1));
    QFont f = font();
    f.setPixelSize(14);
    p.setFont(f);
    for (int t = 0; t < moduleNames().size(); ++t) {
        const QString& name = moduleNames()[t];
        for (int k = 0; k < name.size(); ++k) {
            const QRect cell(4, 40 + 80 * t + 18 * k, 17, 18);
            p.drawText(cell, Qt::AlignHCenter | Qt::AlignTop, name.mid(k, 1));
        }
    }
}

void ModuleTabs::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        const QPoint pos = event->position().toPoint();
        const int i = moduleTabAt(pos.x(), pos.y(), int(moduleNames().size()));
        if (i >= 0 && i != selected_) emit moduleChosen(i);
    }
    QWidget::mousePressEvent(event);
}

}  // namespace vornex::app

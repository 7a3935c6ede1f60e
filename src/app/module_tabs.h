// The vertical module tabs on the left edge of every module view: "道路测设",
// "水准记录", "控制测量", one character per line. Painting and hit testing use
// fixed pixel geometry: tab i is outlined from (2, 38 + 80·i) to (22, 114 + 80·i)
// and hit strictly inside 3 ≤ x ≤ 21, 38 + 80·i < y < 114 + 80·i.
#pragma once

#include <QRect>
#include <QStringList>
#include <QWidget>

namespace vornex::app {

// The module names, in tab order.
const QStringList& moduleNames();

// Width of the tab strip (the trees start right of it).
inline constexpr int kModuleStripWidth = 25;

// The tab hit at (x, y), or -1 for none.
int moduleTabAt(int x, int y, int tabCount = 3);

// The outline of tab i: from (2, 38 + 80·i) to (22, 114 + 80·i).
QRect moduleTabOutline(int i);

class ModuleTabs : public QWidget {
    Q_OBJECT
public:
    explicit ModuleTabs(int selected, QWidget* parent = nullptr);
    int selected() const { return selected_; }
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // Another tab than the selected one was clicked.
    void moduleChosen(int index);

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    int selected_;
};

}  // namespace vornex::app

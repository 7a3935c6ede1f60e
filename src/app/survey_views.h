// The leveling and control-survey module views. Their property panes and
// trees come with the survey modules; until then each shows its module tabs,
// so the user can switch between the modules.
#pragma once

#include <QWidget>

namespace vornex::app {

class ModuleTabs;

class SurveyModuleView : public QWidget {
    Q_OBJECT
public:
    SurveyModuleView(int module, QWidget* parent = nullptr);
    ModuleTabs* tabs() const { return tabs_; }

signals:
    void moduleChosen(int index);

private:
    ModuleTabs* tabs_;
};

// 水准记录
class CLevelView : public SurveyModuleView {
    Q_OBJECT
public:
    explicit CLevelView(QWidget* parent = nullptr) : SurveyModuleView(1, parent) {}
};

// 控制测量
class CPlaneView : public SurveyModuleView {
    Q_OBJECT
public:
    explicit CPlaneView(QWidget* parent = nullptr) : SurveyModuleView(2, parent) {}
};

}  // namespace vornex::app

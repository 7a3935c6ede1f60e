#include "app/survey_views.h"

#include <QHBoxLayout>
#include <QLabel>

#include "app/module_tabs.h"

namespace vornex::app {

SurveyModuleView::SurveyModuleView(int module, QWidget* parent) : QWidget(parent) {
    setAccessibleName(moduleNames().value(module));
    tabs_ = new ModuleTabs(module, this);
    connect(tabs_, &ModuleTabs::moduleChosen, this, &SurveyModuleView::moduleChosen);
    auto* label = new QLabel(moduleNames().value(module), this);
    label->setAccessibleName(moduleNames().value(module));
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    label->setEnabled(false);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tabs_);
    layout->addWidget(label, 1);
}

}  // namespace vornex::app

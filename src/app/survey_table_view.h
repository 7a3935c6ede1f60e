// The result column's table while a survey module is active: the table of the
// module's tree selection, built by the tables layer and shown read-only on the
// grid (red marks, merged cells, two-level headers). The current row of a
// closure table is reported to the survey controller, which tells the plot.
#pragma once

#include <QWidget>

#include "grid/grid_view.h"
#include "tables/grid.h"

class QLabel;

namespace vornex::app {

class SurveyController;

class SurveyTableView : public QWidget {
    Q_OBJECT
public:
    explicit SurveyTableView(SurveyController& survey, QWidget* parent = nullptr);

    // The module whose table shows (1 leveling, 2 control; 0 none).
    void setModule(int module);
    int module() const { return module_; }
    // Builds the table of the module's selection again.
    void rebuild();

    const Grid& grid() const { return grid_; }
    GridView* table() const { return table_; }
    QString title() const;
    void copy();

private:
    // Tells the controller the current closure row; `always` also when it is unchanged.
    void reportRow(bool always);

    SurveyController& survey_;
    int module_ = 0;
    Grid grid_;
    QLabel* title_;
    GridView* table_;
    int reportedRow_ = -2;
};

}  // namespace vornex::app

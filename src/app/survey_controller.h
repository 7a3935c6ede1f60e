// The two survey modules of the workbench: one leveling file and one control-
// survey file, each with its adjustments and the tree selection of its pane.
// Open, close, refresh, selection and every parameter edit go through here, so
// the panes, the result column and the network plot all follow one state.
//
// Survey edits are written into the data file at once (its parameter header)
// and are not on the undo stack of the project.
#pragma once

#include <QObject>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

#include "adjust/survey_modules.h"
#include "tables/grid.h"
#include "tables/survey_tree.h"

namespace vornex::app {

struct AppPrompter;

// Module numbers as the module tabs count them.
inline constexpr int kLevelingModule = 1;
inline constexpr int kControlModule = 2;

// Settings key of the refraction coefficient of trigonometric heights.
inline constexpr const char* kRefractionKey = "Survey/Refraction";
// Settings group of the control files' 边长归算, one key per file path.
inline constexpr const char* kReductionGroup = "Survey/Reduction";
// Settings key of 球气差改正 (true: 改正). Settings written before it existed
// stored a coefficient of 0 to mean no correction: that is read once as 不改正.
inline constexpr const char* kCurvatureKey = "Survey/CurvatureCorrection";

class SurveyController : public QObject {
    Q_OBJECT
public:
    explicit SurveyController(AppPrompter& prompter, QObject* parent = nullptr);
    ~SurveyController() override;

    AppPrompter& prompter() const { return prompter_; }
    const LevelingModule& leveling() const { return *leveling_; }
    const ControlModule& control() const { return *control_; }

    // A file is loaded in module 1 or 2.
    bool isLoaded(int module) const;
    QString filePath(int module) const;
    SurveySelection selection(int module) const;
    // The tree of the module's pane as it stands.
    std::vector<SurveyTreeItem> tree(int module) const;
    // The table of the module's selection (empty with no file or no selection).
    Grid table(int module) const;
    // The caption of the module's selected table ("" when none).
    QString titleOf(int module) const;

    // Reads the file, builds and solves; the selection is cleared. On failure
    // the user is told and the module keeps what it had.
    bool open(int module, const QString& path);
    void close(int module);
    // Re-applies the current selection and refreshes the views.
    void refresh(int module);
    // A tree item chosen in the pane (a folder selects its code 0: no table).
    void select(int module, const SurveySelection& selection);

    // The property edits of the panes; each writes the file's header, solves
    // again and emits changed() and edited(). False when nothing was stored
    // (a failed rewrite has told the user why).
    bool setLevelingWeighting(int weighting);
    bool setLevelingCoefficient(const QString& text);
    bool setControlParameter(ControlParameter which, const QString& text);
    // Refraction coefficient (|k| <= 1): kept in the settings, not in the file.
    bool setRefraction(double k);
    double refraction() const { return control_->refraction; }
    // 边长归算 of the loaded control file: kept in the settings under its path
    // (the file has no room for it), applied and solved again. False with no
    // file or a coordinate system that cannot be used (the user is told why).
    bool setReduction(const ProjectionReduction& choice);
    const ProjectionReduction& reduction() const { return control_->reduction; }
    // The choice stored for a control file's path (不归算 when none).
    static ProjectionReduction storedReduction(const QString& path);
    // The system a control file's 边长归算 starts from when the file has no
    // choice stored yet (the open project's system; none: the default system).
    void setDefaultSystem(const std::optional<geodesy::CoordinateSystem>& system);
    // 球气差改正 (true: 改正), kept in the settings.
    void setCurvatureCorrection(bool correct);
    bool curvatureCorrection() const { return control_->correctCurvature; }

    // The result column reports the current row of a closure table here
    // (-1 when another table shows); the plot listens to closureRowSelected.
    void reportClosureRow(int module, int row);
    int closureRow(int module) const;

signals:
    // After open, close, an edit and refresh of module 1 or 2.
    void changed(int module);
    // The tree selection of the module changed (its table is another one).
    void selectionChanged(int module);
    // A property edit was stored in the file (it cannot be undone).
    void edited(int module, const QString& note);
    // The current row of the closure table (-10050, -10043), -1 for another table.
    void closureRowSelected(int module, int row);

private:
    // Refreshes the panes (after a refused edit they show the stored value
    // again) and, when the file header was rewritten, reports the edit.
    bool afterFileEdit(int module, bool written);

    std::unique_ptr<LevelingModule> leveling_;
    std::unique_ptr<ControlModule> control_;
    AppPrompter& prompter_;
    int closureRows_[3] = {-1, -1, -1};
    std::optional<geodesy::CoordinateSystem> defaultSystem_;
};

}  // namespace vornex::app

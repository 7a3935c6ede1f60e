#include "app/survey_controller.h"

#include <QFileInfo>
#include <QSettings>

#include <cmath>

#include "app/app_prompter.h"
#include "app/project_system.h"
#include "document/edits.h"
#include "io/file_problem_text.h"
#include "io/read.h"
#include "tables/survey_tables.h"

namespace vornex::app {

namespace st = survey_table;

namespace {

// Passes the core's messages on and counts them, so a failed open that the
// reader has already explained is not explained twice.
struct CountingPrompter : Prompter {
    explicit CountingPrompter(Prompter& to) : to(to) {}
    void message(std::string_view t, PromptIcon kind = PromptIcon::Warning) override {
        ++shown;
        to.message(t, kind);
    }
    bool askYesNo(std::string_view t, bool d, PromptIcon i) override {
        ++shown;
        return to.askYesNo(t, d, i);
    }
    PasswordAnswer askPassword(PasswordDialogMode m, std::string_view c) override { return to.askPassword(m, c); }
    int askChoice(std::string_view t, const std::vector<std::string>& choices) override {
        ++shown;
        return to.askChoice(t, choices);
    }
    Prompter& to;
    int shown = 0;
};

bool validModule(int module) { return module == kLevelingModule || module == kControlModule; }

std::filesystem::path toPath(const QString& path) { return std::filesystem::path(path.toStdU16String()); }

}  // namespace

SurveyController::SurveyController(AppPrompter& prompter, QObject* parent)
    : QObject(parent),
      leveling_(std::make_unique<LevelingModule>()),
      control_(std::make_unique<ControlModule>()),
      prompter_(prompter) {
    // The coefficient has no field in the control file: the program keeps it.
    QSettings settings;
    bool ok = false;
    const double k = settings.value(QString::fromLatin1(kRefractionKey), kDefaultRefraction).toDouble(&ok);
    control_->refraction = ok && std::isfinite(k) && std::fabs(k) <= 1 ? k : kDefaultRefraction;
    const QString curvatureKey = QString::fromLatin1(kCurvatureKey);
    if (settings.contains(curvatureKey)) {
        control_->correctCurvature = settings.value(curvatureKey, true).toBool();
    } else {
        // Before the choice existed a coefficient of 0 meant no correction: keep
        // that meaning once as 不改正 with the default coefficient, and store both.
        const bool stored = settings.contains(QString::fromLatin1(kRefractionKey));
        control_->correctCurvature = !(stored && ok && k == 0);
        if (!control_->correctCurvature) {
            control_->refraction = kDefaultRefraction;
            settings.setValue(QString::fromLatin1(kRefractionKey), kDefaultRefraction);
        }
        settings.setValue(curvatureKey, control_->correctCurvature);
    }
}

SurveyController::~SurveyController() = default;

bool SurveyController::isLoaded(int module) const {
    if (module == kLevelingModule) return leveling_->network.loadedKind() == SurveyFileKind::Leveling;
    if (module == kControlModule) return control_->network.loadedKind() == SurveyFileKind::Control;
    return false;
}

QString SurveyController::filePath(int module) const {
    if (!isLoaded(module)) return {};
    const SurveyNetwork& net = module == kLevelingModule ? leveling_->network : control_->network;
    return QString::fromStdU16String(net.filePath.u16string());
}

SurveySelection SurveyController::selection(int module) const {
    if (module == kLevelingModule) return leveling_->selection;
    if (module == kControlModule) return control_->selection;
    return {};
}

std::vector<SurveyTreeItem> SurveyController::tree(int module) const {
    if (module == kLevelingModule) return levelingTree(*leveling_);
    if (module == kControlModule) return controlTree(*control_);
    return {};
}

Grid SurveyController::table(int module) const {
    const SurveySelection s = selection(module);
    if (!isLoaded(module) || s.tableCode >= 0) {
        Grid empty;
        empty.code = s.tableCode;
        return empty;
    }
    return module == kLevelingModule ? buildLevelingTable(*leveling_, s.tableCode, s.index)
                                     : buildControlTable(*control_, s.tableCode, s.index);
}

QString SurveyController::titleOf(int module) const {
    const SurveySelection s = selection(module);
    if (!isLoaded(module) || s.tableCode >= 0) return {};
    const std::vector<SurveyTreeItem> items = tree(module);
    const SurveyTreeItem* item = findSurveyItem(items, s);
    if (!item) return {};
    const QString text = QString::fromStdString(item->text);
    // A section or station: say what it is a child of.
    if (s.tableCode == st::kReadings || s.tableCode == st::kObservations)
        return QStringLiteral("观测数据 %1").arg(text);
    return text;
}

namespace {
QString reductionKey(const QString& path) { return filePathSettingsKey(kReductionGroup, path); }
}  // namespace

bool SurveyController::open(int module, const QString& path) {
    if (!validModule(module)) return false;
    CountingPrompter counting(prompter_);
    // The full path: the pane's 数据文件 names the file wherever it was typed from.
    const std::filesystem::path file = toPath(QFileInfo(path).absoluteFilePath());
    // A file that cannot be read at all (a folder, a device, no permission, too
    // large) is told here in one box, in the window's words.
    if (io::InputFile probe; !probe.open(file, io::kSurveyFileLimit)) {
        prompter_.message(cannotOpenText(QFileInfo(path).fileName().toStdString(), probe.error()));
        return false;
    }
    // A control file is adjusted with the reduction chosen for it before.
    const ProjectionReduction before = control_->reduction;
    if (module == kControlModule) {
        control_->reduction = storedReduction(path);
        // A file not yet given a choice starts from the project's system.
        if (defaultSystem_ && !QSettings().contains(reductionKey(path))) control_->reduction.system = *defaultSystem_;
    }
    const bool ok = module == kLevelingModule ? openLevelingModule(*leveling_, file, counting)
                                              : openControlModule(*control_, file, counting);
    if (!ok) {
        control_->reduction = before;
        if (counting.shown == 0) {
            const QString kind = module == kLevelingModule ? QStringLiteral("水准数据文件") : QStringLiteral("控制测量数据文件");
            prompter_.message(QStringLiteral("“%1”不是%2，或已损坏。").arg(QFileInfo(path).fileName(), kind).toStdString());
        }
        return false;
    }
    closureRows_[module] = -1;
    emit changed(module);
    emit selectionChanged(module);
    return true;
}

void SurveyController::close(int module) {
    if (module == kLevelingModule) closeLevelingModule(*leveling_);
    else if (module == kControlModule) {
        closeControlModule(*control_);
        control_->reduction = {};
        control_->reduced = {};
    } else {
        return;
    }
    closureRows_[module] = -1;
    emit changed(module);
    emit selectionChanged(module);
}

void SurveyController::refresh(int module) {
    if (!validModule(module)) return;
    emit changed(module);
}

void SurveyController::select(int module, const SurveySelection& selection) {
    if (!validModule(module)) return;
    SurveySelection& s = module == kLevelingModule ? leveling_->selection : control_->selection;
    if (s == selection) return;
    s = selection;
    emit selectionChanged(module);
}

bool SurveyController::afterFileEdit(int module, bool written) {
    emit changed(module);
    if (written) emit edited(module, QStringLiteral("修改已写入数据文件，不能撤销。"));
    return written;
}

bool SurveyController::setLevelingWeighting(int weighting) {
    if (!isLoaded(kLevelingModule)) return false;
    return afterFileEdit(kLevelingModule, vornex::setLevelingWeighting(*leveling_, weighting, prompter_));
}

bool SurveyController::setLevelingCoefficient(const QString& text) {
    if (!isLoaded(kLevelingModule) || !levelingCoefficientEditable(leveling_->network)) return false;
    const std::optional<double> v = readTypedNumber(text.toStdString(), NumberText::Whole);
    if (!v) {
        prompter_.message(QStringLiteral("“%1”不是数。闭合差系数仍为原值。").arg(text.trimmed()).toStdString());
        return afterFileEdit(kLevelingModule, false);
    }
    return afterFileEdit(kLevelingModule, setLevelingClosureCoefficient(*leveling_, *v, prompter_));
}

bool SurveyController::setControlParameter(ControlParameter which, const QString& text) {
    if (!isLoaded(kControlModule)) return false;
    return afterFileEdit(kControlModule, vornex::setControlParameter(*control_, which, text.toStdString(), prompter_));
}

bool SurveyController::setRefraction(double k) {
    if (!std::isfinite(k) || std::fabs(k) > 1) {
        prompter_.message("大气折光系数应在 -1 和 1 之间。");
        emit changed(kControlModule);
        return false;
    }
    QSettings settings;
    settings.setValue(QString::fromLatin1(kRefractionKey), k);
    if (isLoaded(kControlModule)) setControlRefraction(*control_, k, prompter_);
    else control_->refraction = k;
    emit changed(kControlModule);
    emit edited(kControlModule, QStringLiteral("大气折光系数已保存在程序设置中。"));
    return true;
}

ProjectionReduction SurveyController::storedReduction(const QString& path) {
    ProjectionReduction r;
    const QString text = QSettings().value(reductionKey(path)).toString();
    if (!text.isEmpty()) reductionFromText(text.toStdString(), r);
    return r;
}

bool SurveyController::setReduction(const ProjectionReduction& choice) {
    if (!isLoaded(kControlModule)) return false;
    if (const std::string why = geodesy::checkSystem(choice.system); choice.enabled && !why.empty()) {
        prompter_.message("坐标系不能使用：" + why + "。边长归算仍为原设置。");
        emit changed(kControlModule);
        return false;
    }
    QSettings().setValue(reductionKey(filePath(kControlModule)), QString::fromStdString(reductionToText(choice)));
    control_->reduction = choice;
    solveControlModule(*control_, prompter_);
    emit changed(kControlModule);
    emit edited(kControlModule, QStringLiteral("边长归算的选择已保存在程序设置中。"));
    return true;
}

void SurveyController::setDefaultSystem(const std::optional<geodesy::CoordinateSystem>& system) {
    defaultSystem_ = system;
    // A loaded file that was never given a choice follows at once (it is not
    // reduced, so nothing is solved again).
    if (!isLoaded(kControlModule) || control_->reduction.enabled ||
        QSettings().contains(reductionKey(filePath(kControlModule))))
        return;
    control_->reduction.system = system.value_or(geodesy::CoordinateSystem{});
    emit changed(kControlModule);
}

void SurveyController::setCurvatureCorrection(bool correct) {
    QSettings settings;
    settings.setValue(QString::fromLatin1(kCurvatureKey), correct);
    if (isLoaded(kControlModule)) setControlCurvatureCorrection(*control_, correct, prompter_);
    else control_->correctCurvature = correct;
    emit changed(kControlModule);
    emit edited(kControlModule, QStringLiteral("球气差改正已保存在程序设置中。"));
}

void SurveyController::reportClosureRow(int module, int row) {
    if (!validModule(module)) return;
    closureRows_[module] = row;
    emit closureRowSelected(module, row);
}

int SurveyController::closureRow(int module) const { return validModule(module) ? closureRows_[module] : -1; }

}  // namespace vornex::app

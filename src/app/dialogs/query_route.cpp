#include "app/dialogs/query_route.h"

#include <QApplication>
#include <QClipboard>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <QEventLoop>

#include <atomic>
#include <mutex>
#include <utility>
#include <vector>
#include <cmath>
#include <thread>

#include "document/edits.h"
#include "geometry/angles.h"
#include "text/text.h"

namespace vornex::app {

namespace {

QString qs(const std::string& utf8) { return QString::fromStdString(utf8); }

// The batch worker's questions, asked on the window's thread: each call waits
// there for the answer, as a direct call would. Its messages need no answer:
// they wait until the batch has ended and its progress box has closed, so that
// no box covers them ("计算完成。").
class WindowThreadPrompter : public Prompter {
public:
    WindowThreadPrompter(Prompter& target, QObject* windowObject) : target_(target), window_(windowObject) {}
    void message(std::string_view utf8Text, PromptIcon kind = PromptIcon::Warning) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        messages_.emplace_back(std::string(utf8Text), kind);
    }
    // Shows the messages kept so far (on the window's thread, once the worker has ended).
    void showMessages() {
        std::vector<std::pair<std::string, PromptIcon>> kept;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            kept.swap(messages_);
        }
        for (const auto& [text, kind] : kept) target_.message(text, kind);
    }
    bool askYesNo(std::string_view utf8Text, bool defaultYes, PromptIcon icon) override {
        const std::string text(utf8Text);
        bool answer = defaultYes;
        call([&] { answer = target_.askYesNo(text, defaultYes, icon); });
        return answer;
    }
    PasswordAnswer askPassword(PasswordDialogMode mode, std::string_view compareText) override {
        const std::string text(compareText);
        PasswordAnswer answer;
        call([&] { answer = target_.askPassword(mode, text); });
        return answer;
    }
    int askChoice(std::string_view utf8Text, const std::vector<std::string>& choices) override {
        const std::string text(utf8Text);
        int answer = -1;
        call([&] { answer = target_.askChoice(text, choices); });
        return answer;
    }

private:
    void call(const std::function<void()>& f) { QMetaObject::invokeMethod(window_, f, Qt::BlockingQueuedConnection); }

    Prompter& target_;
    QObject* window_;
    std::mutex mutex_;
    std::vector<std::pair<std::string, PromptIcon>> messages_;
};

// A typed number; nullopt for anything else (blank, text, not finite).
std::optional<double> number(const QLineEdit* edit) {
    return readTypedNumber(edit->text().toStdString(), NumberText::Whole);
}

QLineEdit* namedEdit(const QString& name, QWidget* parent) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setAccessibleName(name);
    e->setAlignment(Qt::AlignRight);
    return e;
}

// The result fields besides the six input fields, in the command line's order.
const char* const kResultFields[] = {"方位角", "设计高", "路基高", "左边桩X", "左边桩Y", "左边桩设计高", "右边桩X",
                                     "右边桩Y", "右边桩设计高", "向上", "向下", "向左", "向右", "向外(欠)", "向内(超)"};

}  // namespace

CQueryRoute::CQueryRoute(const RoadProject& project, int road, RouteQueryMemory& memory, Prompter& prompter,
                         QWidget* parent)
    : QDialog(parent), project_(project), road_(road), memory_(memory), prompter_(prompter) {
    setWindowTitle(QStringLiteral("查询线路"));
    setAccessibleName(QStringLiteral("查询线路"));

    auto* mode = new QGroupBox(QStringLiteral("查询方式"), this);
    byStation_ = new QRadioButton(QStringLiteral("桩号"), mode);
    byCoordinates_ = new QRadioButton(QStringLiteral("坐标"), mode);
    byStation_->setAccessibleName(QStringLiteral("按桩号"));
    byCoordinates_->setAccessibleName(QStringLiteral("按坐标"));
    auto* modeRow = new QHBoxLayout(mode);
    modeRow->addWidget(byStation_);
    modeRow->addWidget(byCoordinates_);
    modeRow->addStretch();

    auto* input = new QGroupBox(QStringLiteral("输入"), this);
    auto* form = new QGridLayout(input);
    station_ = namedEdit(QStringLiteral("桩号"), input);
    station_->setAlignment(Qt::AlignLeft);
    station_->setToolTip(QStringLiteral("实数或桩号文字，如 12345.678 或 K12+345.678；长链中前面加“+”"));
    offset_ = namedEdit(QStringLiteral("偏距"), input);
    left_ = new QRadioButton(QStringLiteral("左边"), input);
    right_ = new QRadioButton(QStringLiteral("右边"), input);
    left_->setAccessibleName(QStringLiteral("左边"));
    right_->setAccessibleName(QStringLiteral("右边"));
    angle_ = namedEdit(QStringLiteral("角度"), input);
    angle_->setToolTip(QStringLiteral("与线路前进方向的夹角，度.分秒；右边为90，左边为270"));
    x_ = namedEdit(QStringLiteral("坐标X"), input);
    y_ = namedEdit(QStringLiteral("坐标Y"), input);
    z_ = namedEdit(QStringLiteral("坐标Z"), input);
    z_->setToolTip(QStringLiteral("实测高程，可不填；填写后计算隧道超欠挖"));
    auto label = [&](const QString& text, QWidget* buddy) {
        auto* l = new QLabel(text, input);
        l->setBuddy(buddy);
        return l;
    };
    form->addWidget(label(QStringLiteral("桩号"), station_), 0, 0);
    form->addWidget(station_, 0, 1, 1, 3);
    form->addWidget(label(QStringLiteral("偏距"), offset_), 1, 0);
    form->addWidget(offset_, 1, 1);
    form->addWidget(left_, 1, 2);
    form->addWidget(right_, 1, 3);
    form->addWidget(label(QStringLiteral("角度"), angle_), 2, 0);
    form->addWidget(angle_, 2, 1);
    form->addWidget(label(QStringLiteral("坐标X"), x_), 3, 0);
    form->addWidget(x_, 3, 1);
    form->addWidget(label(QStringLiteral("坐标Y"), y_), 3, 2);
    form->addWidget(y_, 3, 3);
    form->addWidget(label(QStringLiteral("坐标Z"), z_), 4, 0);
    form->addWidget(z_, 4, 1);

    auto* result = new QGroupBox(QStringLiteral("计算结果"), this);
    auto* grid = new QGridLayout(result);
    int i = 0;
    auto place = [&](const QString& name) {
        QLineEdit* e = addResultField(name);
        auto* l = new QLabel(name, result);
        l->setBuddy(e);
        grid->addWidget(l, i / 3, (i % 3) * 2);
        grid->addWidget(e, i / 3, (i % 3) * 2 + 1);
        ++i;
    };
    place(QStringLiteral("里程桩号"));
    for (const char* f : kResultFields) place(QString::fromUtf8(f));

    report_ = new QPlainTextEdit(this);
    report_->setReadOnly(true);
    report_->setAccessibleName(QStringLiteral("隧道参数"));
    report_->setPlaceholderText(QStringLiteral("查询点位于隧道中时，这里显示隧道断面参数。"));
    report_->setMinimumHeight(170);
    QFont mono(QStringLiteral("Noto Sans Mono CJK SC"));
    mono.setStyleHint(QFont::TypeWriter);
    report_->setFont(mono);

    computeButton_ = new QPushButton(QStringLiteral("计算"), this);
    auto* batch = new QPushButton(QStringLiteral("批量计算"), this);
    auto* copy = new QPushButton(QStringLiteral("复制结果"), this);
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    for (QPushButton* b : {computeButton_, batch, copy, close}) b->setAccessibleName(b->text());
    computeButton_->setDefault(true);
    computeButton_->setAutoDefault(true);
    for (QPushButton* b : {batch, copy, close}) b->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(computeButton_);
    buttons->addWidget(batch);
    buttons->addWidget(copy);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* top = new QVBoxLayout(this);
    top->addWidget(mode);
    top->addWidget(input);
    top->addWidget(result);
    top->addWidget(report_);
    top->addLayout(buttons);

    connect(computeButton_, &QPushButton::clicked, this, &CQueryRoute::compute);
    connect(batch, &QPushButton::clicked, this, [this] { runBatch(); });
    connect(copy, &QPushButton::clicked, this, &CQueryRoute::copyResults);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    connect(byCoordinates_, &QRadioButton::toggled, this, &CQueryRoute::setMode);
    connect(left_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) angle_->setText(QStringLiteral("270"));
    });
    connect(right_, &QRadioButton::toggled, this, [this](bool on) {
        if (on) angle_->setText(QStringLiteral("90"));
    });

    // Natural tab order: mode, the inputs top to bottom, then the buttons.
    QWidget* order[] = {byStation_, byCoordinates_, station_, offset_, left_, right_, angle_, x_, y_, z_,
                        computeButton_, batch, copy, close};
    for (std::size_t k = 1; k < std::size(order); ++k) setTabOrder(order[k - 1], order[k]);

    loadState();
}

QLineEdit* CQueryRoute::addResultField(const QString& name) {
    QLineEdit* e = namedEdit(name, this);
    e->setReadOnly(true);
    e->setFocusPolicy(Qt::ClickFocus);
    e->setMinimumWidth(110);
    results_.insert(name, e);
    return e;
}

void CQueryRoute::loadState() {
    const Road* road = road_ >= 0 && road_ < static_cast<int>(project_.roads.size()) ? &project_.roads[road_] : nullptr;
    RouteQueryState s = road ? memory_.forRoad(*road) : RouteQueryState{};
    station_->setText(qs(s.station));
    offset_->setText(qs(text::format("%.3f", s.offset)));
    angle_->setText(qs(text::format("%.5f", s.angle)));
    (s.angle == 270 ? left_ : right_)->setChecked(true);
    x_->setText(qs(text::format("%.4f", s.x)));
    y_->setText(qs(text::format("%.4f", s.y)));
    z_->setText(s.z != 0 ? qs(text::format("%.3f", s.z)) : QString());
    (s.byCoordinates ? byCoordinates_ : byStation_)->setChecked(true);
    setMode(s.byCoordinates);
    computeButton_->setEnabled(road != nullptr);
}

void CQueryRoute::setMode(bool byCoordinates) {
    for (QLineEdit* e : {station_, offset_, angle_}) e->setReadOnly(byCoordinates);
    left_->setEnabled(!byCoordinates);
    right_->setEnabled(!byCoordinates);
    x_->setReadOnly(!byCoordinates);
    y_->setReadOnly(!byCoordinates);
}

void CQueryRoute::compute() {
    if (road_ < 0 || road_ >= static_cast<int>(project_.roads.size())) return;
    const Road& road = project_.roads[static_cast<std::size_t>(road_)];
    RouteQueryState& state = memory_.forRoad(road);
    const bool byXy = byCoordinates_->isChecked();
    std::optional<double> z = number(z_);
    if (!z_->text().trimmed().isEmpty() && !z) {
        prompter_.message("坐标Z不是一个数。");
        return;
    }
    RouteQueryResult r;
    if (byXy) {
        auto x = number(x_), y = number(y_);
        if (!x || !y) {
            prompter_.message("请输入查询点的坐标X和坐标Y。");
            return;
        }
        r = queryByCoordinates(project_, road_, {*x, *y, z});
    } else {
        StationQuery q;
        q.station = station_->text().trimmed().toStdString();
        auto offset = number(offset_), angle = number(angle_);
        if (q.station.empty() || !offset || !angle) {
            prompter_.message("请输入查询点的桩号、偏距和角度。");
            return;
        }
        q.offset = *offset;
        q.angle = *angle;
        q.z = z;
        r = queryByStation(project_, road_, q);
    }
    state.byCoordinates = byXy;
    if (!byXy) {
        state.station = station_->text().trimmed().toStdString();
        if (auto a = number(angle_)) state.angle = *a;
    }
    rememberQuery(state, road, r);
    last_ = r;
    lastWithZ_ = z.has_value();

    for (const auto& [name, value] : routeQueryFields(road, r, lastWithZ_)) {
        const QString n = qs(name), v = qs(value);
        if (n == QStringLiteral("桩号")) results_[QStringLiteral("里程桩号")]->setText(v.trimmed());
        else if (auto it = results_.find(n); it != results_.end()) it.value()->setText(v);
    }
    report_->setPlainText(qs(r.tunnelReport));
    if (!r.found) {
        prompter_.message(byXy ? "该点不在线路上。" : "该桩号不在线路上。");
        return;
    }
    // The results go back into the input fields, as typed values for the next query.
    x_->setText(qs(text::format("%8.4f", r.x)).trimmed());
    y_->setText(qs(text::format("%8.4f", r.y)).trimmed());
    offset_->setText(qs(text::format("%8.3f", r.offset)).trimmed());
    angle_->setText(qs(text::format("%8.5f", degreesToDms(r.angle))).trimmed());
    if (byXy) {
        station_->setText(qs(state.station));
        (r.angle > 180 ? left_ : right_)->setChecked(true);
        angle_->setText(qs(text::format("%8.5f", degreesToDms(r.angle))).trimmed());
    }
    std::optional<double> elevation = r.z;
    if (!elevation && r.inProfile) elevation = r.designElevation;
    emit pointComputed(r.chainage, r.angle > 180 ? -r.offset : r.offset, elevation);
}

QString CQueryRoute::fieldText(const QString& name) const {
    if (road_ < 0 || road_ >= static_cast<int>(project_.roads.size())) return {};
    for (const auto& [n, v] : routeQueryFields(project_.roads[static_cast<std::size_t>(road_)], last_, lastWithZ_))
        if (qs(n) == name) {
            if (name == QStringLiteral("桩号")) return results_.value(QStringLiteral("里程桩号"))->text();
            if (auto it = results_.find(name); it != results_.end()) return it.value()->text();
            return qs(v);  // an input field: its value as the command line formats it
        }
    return {};
}

QString CQueryRoute::resultsText() const {
    if (road_ < 0 || road_ >= static_cast<int>(project_.roads.size())) return {};
    QString out;
    for (const auto& [n, v] : routeQueryFields(project_.roads[static_cast<std::size_t>(road_)], last_, lastWithZ_))
        out += qs(n) + QLatin1Char('\t') + qs(v) + QLatin1Char('\n');
    if (!last_.tunnelReport.empty()) out += QLatin1Char('\n') + qs(last_.tunnelReport);
    return out;
}

QString CQueryRoute::tunnelReport() const { return report_->toPlainText(); }

void CQueryRoute::copyResults() { QApplication::clipboard()->setText(resultsText()); }

int CQueryRoute::runBatch(const QString& inputPath) {
    QString path = inputPath;
    if (path.isEmpty())
        path = QFileDialog::getOpenFileName(this, QStringLiteral("批量计算"), QString(),
                                            QStringLiteral("文本文件 (*.txt)"));
    if (path.isEmpty()) return 0;
    // The batch runs on a worker thread; the window stays responsive, shows its
    // progress and asks it to stop when the cancel button is pressed (no output is
    // left then). The dialog is modal, so the project cannot change meanwhile.
    QProgressDialog dialog(QStringLiteral("正在批量计算……"), QStringLiteral("取消"), 0, 1000, this);
    dialog.setWindowTitle(QStringLiteral("批量计算"));
    dialog.setAccessibleName(QStringLiteral("批量计算"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(300);
    dialog.setAutoReset(false);
    dialog.setAutoClose(false);
    std::atomic<bool> cancelled{false};
    connect(&dialog, &QProgressDialog::canceled, &dialog, [&cancelled] { cancelled = true; });
    BatchProgress progress;
    progress.report = [&dialog, &cancelled](std::uint64_t done, std::uint64_t total) {
        const int value = total ? static_cast<int>(done * 1000 / total) : 1000;
        QMetaObject::invokeMethod(
            &dialog,
            [&dialog, &cancelled, value] {
                // cancel() called on the dialog (not its button) emits nothing.
                if (dialog.wasCanceled()) cancelled = true;
                else dialog.setValue(value);
            },
            Qt::QueuedConnection);
        return !cancelled.load();
    };
    WindowThreadPrompter relay(prompter_, &dialog);
    QEventLoop loop;
    int result = 0;
    const std::string input = path.toStdString();
    std::thread worker([&] {
        result = batchQuery(project_, road_, input, relay, progress);
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    dialog.reset();
    dialog.hide();
    relay.showMessages();
    return result;
}

}  // namespace vornex::app

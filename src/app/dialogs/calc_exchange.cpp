#include "app/dialogs/calc_exchange.h"

#include <QCloseEvent>
#include <QEventLoop>
#include <QMetaObject>
#include <QProgressDialog>

#include <mutex>
#include <thread>

#include "link/storage.h"

namespace vornex::app {

// What the workers share with their owner; each worker holds it until it has ended.
struct CalcExchanges::State {
    State(link::CalculatorLink& l, QObject* o) : link(l), owner(o) {}
    link::CalculatorLink& link;
    std::mutex mutex;
    QObject* owner;   // null once the owner has gone
    int pending = 0;  // workers started and not yet past their last touch of the link
    bool ownerAlive() {
        std::lock_guard lock(mutex);
        return owner != nullptr;
    }
};

CalcExchanges::CalcExchanges(link::CalculatorLink& link, QObject* owner)
    : link_(link), state_(std::make_shared<State>(link, owner)) {}

CalcExchanges::~CalcExchanges() {
    bool idle;
    {
        std::lock_guard lock(state_->mutex);
        state_->owner = nullptr;
        idle = state_->pending == 0;
    }
    // A worker still running closes the link itself; a link some other worker
    // uses (a cancelled transfer finishing) is that worker's to close.
    if (idle && link_.claimForTransfer(0)) {
        link_.CloseLink();
        link_.endTransfer();
    }
}

void CalcExchanges::start(std::function<void(const Wanted&)> work, std::function<void(bool ran)> done) {
    ++running_;
    {
        std::lock_guard lock(state_->mutex);
        ++state_->pending;
    }
    std::thread([state = state_, self = this, work = std::move(work), done = std::move(done)]() mutable {
        const Wanted wanted = [&state] { return state->ownerAlive(); };
        link::CalculatorLink& link = state->link;
        // The link has one owner at a time: a transfer's worker, or this one.
        const bool claimed = wanted() && link.claimForTransfer(link::kLinkBusyWaitMs);
        bool ran = false;
        if (claimed && wanted()) {
            work(wanted);
            ran = true;
        }
        // The owner's fate and the end of this worker's claim are settled
        // together, so exactly one of the two closes the link when it has gone.
        std::lock_guard lock(state->mutex);
        --state->pending;
        if (state->owner) {
            QMetaObject::invokeMethod(
                state->owner,
                [state, self, done = std::move(done), ran] {
                    if (!state->ownerAlive()) return;  // the owner's exchanges went before the owner
                    --self->running_;
                    done(ran);
                },
                Qt::QueuedConnection);
        } else if (claimed) {
            link.CloseLink();
        }
        if (claimed) link.endTransfer();  // the last touch of the link
    }).detach();
}

namespace {

// The busy indicator: an indeterminate bar that stays until the exchange ends.
class BusyDialog : public QProgressDialog {
public:
    explicit BusyDialog(QWidget* parent) : QProgressDialog(parent) {}
    void reject() override {}

protected:
    void closeEvent(QCloseEvent* event) override { event->ignore(); }
};

}  // namespace

bool runWithBusyIndicator(link::CalculatorLink& link, QWidget* parent, const QString& title,
                          std::function<void()> work, bool* linkBusy) {
    BusyDialog progress(parent);
    progress.setWindowTitle(title);
    progress.setLabelText(title);
    progress.setAccessibleName(title);
    progress.setCancelButton(nullptr);
    progress.setRange(0, 0);
    progress.setMinimumDuration(0);
    progress.setWindowModality(Qt::ApplicationModal);

    QEventLoop loop;
    bool finished = false;
    bool ran = false;
    CalcExchanges exchanges(link, &loop);
    exchanges.start([work = std::move(work)](const CalcExchanges::Wanted&) { work(); },
                    [&](bool r) {
                        finished = true;
                        ran = r;
                        loop.quit();
                    });
    progress.show();
    loop.exec();  // also left when the application quits; the worker then ends on its own
    if (linkBusy) *linkBusy = finished && !ran;
    return finished && ran;
}

bool optimizeCalculatorStorage(link::CalculatorLink& link, Prompter& prompter, QWidget* parent) {
    auto sent = std::make_shared<bool>(false);
    bool busy = false;
    const bool ran = runWithBusyIndicator(
        link, parent, QStringLiteral("优化计算器存储内存"),
        [&link, sent] { *sent = link::OptimizeStorageExchange(link); }, &busy);
    if (busy) prompter.message(link::TransferDialogModel::kBusyText);
    if (!ran) return false;
    prompter.message(*sent ? link::kOptimizeStartedText : link::kOptimizeFailedText);
    return *sent;
}

}  // namespace vornex::app

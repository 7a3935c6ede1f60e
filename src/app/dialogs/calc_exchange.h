// Exchanges with the calculator run off the window's thread, so the window
// never waits on the link. Each exchange runs on a worker thread of its own,
// which first waits (up to kLinkBusyWaitMs) until no other worker uses the link
// and then owns it alone until it ends, as a transfer's worker does; its
// outcome is handed back to the window's thread.
#pragma once

#include <QString>

#include <functional>
#include <memory>

#include "link/calculator_link.h"
#include "model/prompter.h"

class QObject;
class QWidget;

namespace vornex::app {

class CalcExchanges {
public:
    // `owner` lives on the window's thread and receives the outcomes.
    CalcExchanges(link::CalculatorLink& link, QObject* owner);
    // Never waits. Exchanges still running end on their own and hand nothing
    // back. Like a status block going, it closes the link once no worker uses
    // it: here when none runs, else the last of this owner's workers does.
    ~CalcExchanges();
    CalcExchanges(const CalcExchanges&) = delete;
    CalcExchanges& operator=(const CalcExchanges&) = delete;

    // Asked by an exchange between its steps: false once the owner has gone.
    using Wanted = std::function<bool()>;

    // Starts `work` on a worker and returns at once. `done` runs on the owner's
    // thread after the worker has ended: with true when the work ran, false
    // when the link stayed busy and the work did not run. Neither runs once the
    // owner has gone. `work` touches nothing of the window: it fills a result
    // that `done` then applies.
    void start(std::function<void(const Wanted&)> work, std::function<void(bool ran)> done);
    // Exchanges started whose `done` has not yet run.
    int running() const { return running_; }

private:
    struct State;
    struct Job;
    link::CalculatorLink& link_;
    std::shared_ptr<State> state_;
    int running_ = 0;
};

// Runs one exchange while a modal busy indicator named `title` shows, and
// handles the window's events until it has ended. True when the work ran;
// false when the link stayed busy (then *linkBusy is set) or the application
// quit meanwhile. `work` may outlive this call: it shares its result by value.
bool runWithBusyIndicator(link::CalculatorLink& link, QWidget* parent, const QString& title,
                          std::function<void()> work, bool* linkBusy = nullptr);

// "优化计算器存储内存": the optimize exchange behind a busy indicator, then its
// success or failure text (or that the calculator is busy). True when the
// optimize command was sent.
bool optimizeCalculatorStorage(link::CalculatorLink& link, Prompter& prompter, QWidget* parent);

}  // namespace vornex::app

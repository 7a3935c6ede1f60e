// The transfer dialog "计算器传输": the instructions for the calculator, a
// progress bar with the bytes moved and the time left, and the buttons "开始"
// and "取消". It paints a TransferDialogModel: the worker's notices wake the
// window's thread through a queued call while the worker waits for them. The
// worker does the whole transfer, the set-up exchange after "开始" included, and
// asks its questions the same way, so the window never waits on the link.
// "取消" ends the dialog at once; the model lives on until its worker has ended.
#pragma once

#include <QDialog>
#include <QElapsedTimer>

#include <cstdint>
#include <memory>

#include "link/storage.h"
#include "model/prompter.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vornex::app {

class CCasioComDialog : public QDialog {
    Q_OBJECT
public:
    // The link and the prompter must outlive every cancelled transfer (see waitForPendingCancels).
    CCasioComDialog(link::CalculatorLink& link, Prompter& prompter, QWidget* parent = nullptr);
    ~CCasioComDialog() override;

    // The caller fills kind, source, target, folder and caption before running the dialog.
    link::TransferDialogModel& model() { return *model_; }
    // Bytes of the whole transfer when known (a download's listed size); an
    // upload takes its source file's size at start.
    void setTotalBytes(std::uint64_t bytes) { totalBytes_ = bytes; }

    link::TransferDialogModel::Result transferResult() const;
    bool running() const;

    QPushButton* startButton() const { return start_; }
    QPushButton* cancelButton() const { return cancel_; }
    QProgressBar* progressBar() const { return bar_; }
    QLabel* percentLabel() const { return percent_; }
    QLabel* timeLabel() const { return timeLeft_; }

    // Waits until every cancelled transfer has let go of its link (tests, and the
    // program's exit, which bounds the wait); false when timeoutMs (>= 0) ran out.
    static bool waitForPendingCancels(int timeoutMs = -1);

public slots:
    void startTransfer();
    void cancelTransfer();
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    struct WakeTarget;
    void pump();
    void paintState();
    // The progress bar, percentage and time left as the model has them.
    void paintProgress();

    std::shared_ptr<WakeTarget> wake_;
    std::shared_ptr<link::TransferDialogModel> model_;
    bool cancelled_ = false;
    std::uint64_t totalBytes_ = 0;
    QElapsedTimer clock_;
    QPushButton* start_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QProgressBar* bar_ = nullptr;
    QLabel* percent_ = nullptr;
    QLabel* timeLeft_ = nullptr;
};

// The calculator's screens shown beside the instructions: 0 the main menu with
// LINK highlighted, 1 the communication screen, 2 the receiving screen.
QPixmap calculatorScreen(int which);

}  // namespace vornex::app

#include "app/dialogs/casio_com_dialog.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMetaObject>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QShowEvent>
#include <QThreadPool>
#include <QVBoxLayout>

#include <mutex>

namespace vornex::app {

using link::TransferDialogModel;

// The worker wakes the dialog through this block; the dialog clears it when it
// goes, so a model that outlives its dialog wakes no one.
struct CCasioComDialog::WakeTarget {
    std::mutex mutex;
    CCasioComDialog* dialog = nullptr;

    void wake() {
        std::lock_guard lock(mutex);
        if (dialog) QMetaObject::invokeMethod(dialog, [d = dialog] { d->pump(); }, Qt::QueuedConnection);
    }
};

namespace {

// Cancelled transfers finish here, off the window's thread.
QThreadPool& cancelPool() {
    static QThreadPool* pool = [] {
        auto* p = new QThreadPool;
        p->setMaxThreadCount(2);
        return p;
    }();
    return *pool;
}

QString sizeText(std::uint64_t bytes) { return QString::number(bytes); }

}  // namespace

QPixmap calculatorScreen(int which) {
    // A 132 x 68 monochrome screen as the calculator draws it.
    QPixmap pm(132, 68);
    pm.fill(QColor(0xC8, 0xD8, 0xB0));
    QPainter p(&pm);
    QFont f(QStringLiteral("Monospace"));
    f.setStyleHint(QFont::TypeWriter);
    f.setPixelSize(9);
    p.setFont(f);
    p.setPen(Qt::black);
    auto keys = [&](const QStringList& labels) {
        QFont small = f;
        small.setPixelSize(7);
        p.setFont(small);
        for (int i = 0; i < labels.size(); ++i) {
            QRect r(1 + i * 22, 58, 21, 9);
            p.fillRect(r, Qt::black);
            p.setPen(QColor(0xC8, 0xD8, 0xB0));
            p.drawText(r, Qt::AlignCenter, labels[i]);
            p.setPen(Qt::black);
        }
    };
    if (which == 0) {
        p.drawText(4, 10, QStringLiteral("MAIN MENU"));
        const QStringList icons{QStringLiteral("RUN"), QStringLiteral("STAT"), QStringLiteral("eACT"), QStringLiteral("S.SHT"),
                                QStringLiteral("GRPH"), QStringLiteral("DYNA"), QStringLiteral("TABL"), QStringLiteral("RECR"),
                                QStringLiteral("CONC"), QStringLiteral("EQUA"), QStringLiteral("PRGM"), QStringLiteral("LINK")};
        for (int i = 0; i < icons.size(); ++i) {
            QRect r(4 + (i % 4) * 32, 14 + (i / 4) * 17, 30, 15);
            if (i == 11) {
                p.fillRect(r, Qt::black);
                p.setPen(QColor(0xC8, 0xD8, 0xB0));
            }
            p.drawRect(r.adjusted(0, 0, -1, -1));
            p.drawText(r, Qt::AlignCenter, icons[i]);
            p.setPen(Qt::black);
        }
    } else if (which == 1) {
        p.drawText(4, 10, QStringLiteral("Communication"));
        p.drawText(4, 22, QStringLiteral("Cable Type  :USB"));
        p.drawText(4, 32, QStringLiteral("Wakeup      :On"));
        p.drawText(4, 42, QStringLiteral("Capture     :Memory"));
        keys({QStringLiteral("TRAN"), QStringLiteral("RECV"), QStringLiteral("CABL"), QStringLiteral("WAKE"),
              QStringLiteral("CAPT")});
    } else {
        p.drawRect(10, 14, 112, 36);
        p.drawText(QRect(10, 16, 112, 16), Qt::AlignCenter, QStringLiteral("Receiving..."));
        p.drawText(QRect(10, 32, 112, 16), Qt::AlignCenter, QStringLiteral("AC :Cancel"));
    }
    return pm;
}

CCasioComDialog::CCasioComDialog(link::CalculatorLink& link, Prompter& prompter, QWidget* parent)
    : QDialog(parent), wake_(std::make_shared<WakeTarget>()) {
    wake_->dialog = this;
    model_ = std::make_shared<TransferDialogModel>(link, prompter, [w = wake_] { w->wake(); });
    model_->beforeClosingMessage = [this] { paintProgress(); };
    setWindowTitle(QStringLiteral("计算器传输"));
    setAccessibleName(QStringLiteral("计算器传输"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto addText = [&](const QString& t) {
        auto* l = new QLabel(t, this);
        l->setAccessibleName(t);
        layout->addWidget(l);
    };
    addText(QStringLiteral("请在计算器上设置为接收模式："));
    addText(QStringLiteral("1.[MENU]->LINK->[F2]"));
    addText(QStringLiteral("2.计算器屏幕显示：Receiving..."));

    auto* screens = new QHBoxLayout;
    const QString screenNames[] = {QStringLiteral("计算器主菜单"), QStringLiteral("计算器通讯画面"),
                                   QStringLiteral("计算器接收画面")};
    for (int i = 0; i < 3; ++i) {
        auto* l = new QLabel(this);
        l->setPixmap(calculatorScreen(i));
        l->setFrameShape(QFrame::Box);
        l->setAccessibleName(screenNames[i]);
        screens->addWidget(l);
    }
    layout->addLayout(screens);

    auto* progressRow = new QHBoxLayout;
    bar_ = new QProgressBar(this);
    bar_->setRange(0, 100);
    bar_->setValue(0);
    bar_->setTextVisible(true);
    bar_->setFormat(QString());
    bar_->setAccessibleName(QStringLiteral("传输进度"));
    percent_ = new QLabel(QStringLiteral("0%"), this);
    percent_->setAccessibleName(QStringLiteral("百分比"));
    percent_->setMinimumWidth(40);
    progressRow->addWidget(bar_, 1);
    progressRow->addWidget(percent_);
    layout->addLayout(progressRow);
    timeLeft_ = new QLabel(this);
    timeLeft_->setAccessibleName(QStringLiteral("剩余时间"));
    layout->addWidget(timeLeft_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    start_ = new QPushButton(QStringLiteral("开始"), this);
    start_->setAccessibleName(QStringLiteral("开始"));
    start_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("取消"), this);
    cancel_->setAccessibleName(QStringLiteral("取消"));
    buttons->addWidget(start_);
    buttons->addWidget(cancel_);
    layout->addLayout(buttons);

    connect(start_, &QPushButton::clicked, this, &CCasioComDialog::startTransfer);
    connect(cancel_, &QPushButton::clicked, this, &CCasioComDialog::cancelTransfer);
}

CCasioComDialog::~CCasioComDialog() {
    model_->beforeClosingMessage = nullptr;
    {
        std::lock_guard lock(wake_->mutex);
        wake_->dialog = nullptr;
    }
    if (!cancelled_ && model_->result() == TransferDialogModel::Result::Ok) {
        // The file arrived; the worker only closes the file and says goodbye.
        // It ends here, so the next command finds the link free.
        model_->runWorkerToEnd();
    }
    // Destroying the model does not wait: a running worker is cancelled and then
    // aborts and closes the link on its own thread; an idle model closes it here.
}

bool CCasioComDialog::waitForPendingCancels(int timeoutMs) { return cancelPool().waitForDone(timeoutMs); }

TransferDialogModel::Result CCasioComDialog::transferResult() const {
    return cancelled_ ? TransferDialogModel::Result::Cancel : model_->result();
}

bool CCasioComDialog::running() const { return !cancelled_ && model_->workerRunning(); }

void CCasioComDialog::showEvent(QShowEvent* event) {
    if (!model_->caption.empty()) setWindowTitle(QString::fromStdString(model_->caption));
    QDialog::showEvent(event);
}

void CCasioComDialog::startTransfer() {
    if (cancelled_ || !model_->startEnabled()) return;
    if (model_->kind == link::TransferKind::Send) {
        const QFileInfo info(QString::fromStdString(model_->source));
        totalBytes_ = info.isFile() ? static_cast<std::uint64_t>(info.size()) : 0;
    }
    start_->setEnabled(false);
    clock_.start();
    // The set-up exchange runs on the worker as well: a transfer that did not
    // start tells why through the notices and ends the dialog from pump().
    model_->startOnWorker();
    paintState();
}

void CCasioComDialog::cancelTransfer() {
    if (cancelled_) return;
    cancelled_ = true;
    model_->beforeClosingMessage = nullptr;
    {
        std::lock_guard lock(wake_->mutex);
        wake_->dialog = nullptr;
    }
    // cancel() waits for the worker's current packet: that wait belongs to a
    // pool thread, which also keeps the model alive until the worker has ended.
    cancelPool().start([m = model_] { m->cancel(); });
    done(QDialog::Rejected);
}

void CCasioComDialog::reject() { cancelTransfer(); }

void CCasioComDialog::pump() {
    if (cancelled_) return;
    model_->pumpNotices();
    if (!cancelled_) paintState();
}

void CCasioComDialog::paintState() {
    const bool open = model_->open();
    start_->setEnabled(model_->startEnabled() && open);
    paintProgress();
    if (open) return;
    if (model_->result() == TransferDialogModel::Result::Ok)
        accept();
    else
        done(QDialog::Rejected);  // the start failed before the worker ran
}

void CCasioComDialog::paintProgress() {
    const int percent = model_->progress();
    bar_->setValue(percent);
    percent_->setText(QString::fromStdString(model_->percentText()));
    if (totalBytes_ > 0) {
        const std::uint64_t moved = std::min<std::uint64_t>(totalBytes_, totalBytes_ * percent / 100);
        bar_->setFormat(QStringLiteral("%1 / %2 字节").arg(sizeText(moved), sizeText(totalBytes_)));
    } else {
        bar_->setFormat(QString());
    }
    // Time left once the transfer has run 2 s: the rate so far carried to the end.
    QString left;
    if (model_->workerRunning() && clock_.isValid() && percent > 0 && percent < 100 && clock_.elapsed() > 2000) {
        const qint64 seconds = clock_.elapsed() * (100 - percent) / percent / 1000;
        left = QStringLiteral("剩余时间：约%1秒").arg(seconds);
    }
    timeLeft_->setText(left);
}

}  // namespace vornex::app

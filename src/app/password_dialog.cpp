#include "app/password_dialog.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/qt_prompter.h"
#include "document/document.h"
#include "text/text.h"

namespace vornex::app {

namespace {

// Upper case and at most 10 characters as the user types, cursor kept.
void keepEntryForm(QLineEdit* edit) {
    QObject::connect(edit, &QLineEdit::textEdited, edit, [edit](const QString& typed) {
        const QString shaped = QString::fromStdString(passwordEntry(typed.toStdString()));
        if (shaped == typed) return;
        const int cursor = edit->cursorPosition();
        edit->setText(shaped);
        edit->setCursorPosition(std::min(cursor, static_cast<int>(shaped.size())));
    });
}

}  // namespace

CPassword::CPassword(PasswordDialogMode mode, const std::string& compareUtf8, QWidget* parent)
    : QDialog(parent), mode_(mode), compareGbk_(text::utf8ToGbk(compareUtf8)) {
    setWindowTitle(QStringLiteral("项目文件密码"));
    setAccessibleName(QStringLiteral("项目文件密码"));

    auto* grid = new QGridLayout;
    auto* passwordLabel = new QLabel(QStringLiteral("   密  码："), this);
    password_ = new QLineEdit(this);
    password_->setAccessibleName(QStringLiteral("密码"));
    passwordLabel->setBuddy(password_);
    repetitionLabel_ = new QLabel(QStringLiteral("重复新密码："), this);
    repetition_ = new QLineEdit(this);
    repetition_->setAccessibleName(QStringLiteral("重复新密码"));
    repetitionLabel_->setBuddy(repetition_);
    for (QLineEdit* e : {password_, repetition_}) {
        e->setMaxLength(static_cast<int>(kPasswordLength));
        e->setMinimumWidth(160);
        // Masked as typed: a password is not shown to whoever looks at the screen.
        e->setEchoMode(QLineEdit::Password);
        keepEntryForm(e);
    }
    grid->addWidget(passwordLabel, 0, 0);
    grid->addWidget(password_, 0, 1);
    grid->addWidget(repetitionLabel_, 1, 0);
    grid->addWidget(repetition_, 1, 1);

    auto* buttons = new QDialogButtonBox(this);
    ok_ = buttons->addButton(QStringLiteral("确定"), QDialogButtonBox::AcceptRole);
    const QString cancelText = mode == PasswordDialogMode::Ask ? QStringLiteral("只读") : QStringLiteral("取消");
    cancel_ = buttons->addButton(cancelText, QDialogButtonBox::RejectRole);
    ok_->setAccessibleName(QStringLiteral("确定"));
    cancel_->setAccessibleName(cancelText);
    ok_->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &CPassword::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &CPassword::reject);

    if (mode == PasswordDialogMode::Ask) {
        repetitionLabel_->hide();
        repetition_->hide();
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    password_->setFocus();
}

QString CPassword::password() const { return password_->text(); }

void CPassword::accept() {
    const PasswordCheck check = checkPasswordEntry(mode_, password_->text().toStdString(),
                                                   repetition_->text().toStdString(), compareGbk_);
    if (check.accepted) {
        QDialog::accept();
        return;
    }
    const QString message = QString::fromStdString(check.message);
    emit refused(message);
    QMessageBox box(QMessageBox::Warning, QtPrompter::title(), message, QMessageBox::Ok, this);
    box.setAccessibleName(QStringLiteral("消息"));
    box.exec();
    password_->setFocus();
    password_->selectAll();
}

}  // namespace vornex::app

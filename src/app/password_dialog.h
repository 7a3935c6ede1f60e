// "项目文件密码": choose a password (typed twice) or give the password of a
// protected project. Letters turn upper case as they are typed; at most 10
// characters. In ask mode the repetition row is hidden and the cancel button
// reads "只读" (open the project read-only). A wrong entry shows the document's
// message and keeps the dialog open with the text selected.
#pragma once

#include <QDialog>
#include <QString>

#include <string>

#include "model/prompter.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vornex::app {

class CPassword : public QDialog {
    Q_OBJECT
public:
    // `compareUtf8`: the expected password in ask mode (without the parentheses); unused in set mode.
    CPassword(PasswordDialogMode mode, const std::string& compareUtf8, QWidget* parent = nullptr);

    QString password() const;
    QLineEdit* passwordEdit() const { return password_; }
    QLineEdit* repetitionEdit() const { return repetition_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }

    void accept() override;

signals:
    // A refused entry: the message shown (tests read it without a message box).
    void refused(const QString& message);

private:
    PasswordDialogMode mode_;
    std::string compareGbk_;
    QLabel* repetitionLabel_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* repetition_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
};

}  // namespace vornex::app

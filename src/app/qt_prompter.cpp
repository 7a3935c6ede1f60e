#include "app/qt_prompter.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/password_dialog.h"
#include "text/text.h"

namespace vornex::app {

std::string saveQuestionText(std::string_view utf8Name) {
    return "是否保存对“" + std::string(utf8Name) + "”的更改？";
}

QString QtPrompter::title() { return QStringLiteral("沃尼克斯"); }

QWidget* QtPrompter::parent() const {
    if (QWidget* w = QApplication::activeModalWidget()) return w;
    if (QWidget* w = QApplication::activeWindow()) return w;
    return fallback_.data();
}

namespace {
QMessageBox::Icon iconOf(PromptIcon icon) {
    switch (icon) {
    case PromptIcon::Information: return QMessageBox::Information;
    case PromptIcon::Question: return QMessageBox::Question;
    case PromptIcon::Warning: return QMessageBox::Warning;
    case PromptIcon::Error: return QMessageBox::Critical;
    }
    return QMessageBox::Warning;
}
}  // namespace

void QtPrompter::message(std::string_view utf8Text, PromptIcon kind) {
    QMessageBox box(iconOf(kind), title(), QString::fromUtf8(utf8Text.data(), qsizetype(utf8Text.size())),
                    QMessageBox::Ok, parent());
    box.setAccessibleName(QStringLiteral("消息"));
    box.exec();
}

bool QtPrompter::askYesNo(std::string_view utf8Text, bool defaultYes, PromptIcon icon) {
    QMessageBox box(iconOf(icon), title(), QString::fromUtf8(utf8Text.data(), qsizetype(utf8Text.size())),
                    QMessageBox::Yes | QMessageBox::No, parent());
    box.setAccessibleName(QStringLiteral("问题"));
    box.setDefaultButton(defaultYes ? QMessageBox::Yes : QMessageBox::No);
    box.setEscapeButton(QMessageBox::No);
    return box.exec() == QMessageBox::Yes;
}

PasswordAnswer QtPrompter::askPassword(PasswordDialogMode mode, std::string_view compareText) {
    CPassword dialog(mode, std::string(compareText), parent());
    PasswordAnswer answer;
    answer.accepted = dialog.exec() == QDialog::Accepted;
    if (answer.accepted) answer.text = dialog.password().toStdString();
    return answer;
}

int QtPrompter::askChoice(std::string_view utf8Text, const std::vector<std::string>& choices) {
    if (choices.empty()) return -1;
    QDialog dialog(parent());
    dialog.setWindowTitle(title());
    dialog.setAccessibleName(QStringLiteral("选择"));
    auto* label = new QLabel(QString::fromUtf8(utf8Text.data(), qsizetype(utf8Text.size())), &dialog);
    label->setWordWrap(true);
    auto* list = new QListWidget(&dialog);
    list->setAccessibleName(QStringLiteral("选项"));
    label->setBuddy(list);
    for (const std::string& c : choices) list->addItem(QString::fromStdString(c));
    list->setCurrentRow(0);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("取消"));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Cancel)->setAccessibleName(QStringLiteral("取消"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    QObject::connect(list, &QListWidget::itemDoubleClicked, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(list);
    layout->addWidget(buttons);
    if (dialog.exec() != QDialog::Accepted) return -1;
    return list->currentRow();
}

void QtPrompter::showList(std::string_view utf8Text, const std::vector<std::string>& lines) {
    QDialog dialog(parent());
    dialog.setWindowTitle(title());
    dialog.setAccessibleName(QStringLiteral("提示"));
    auto* label = new QLabel(QString::fromUtf8(utf8Text.data(), qsizetype(utf8Text.size())), &dialog);
    label->setWordWrap(true);
    auto* list = new QListWidget(&dialog);
    list->setAccessibleName(QStringLiteral("提示列表"));
    list->setWordWrap(true);
    label->setBuddy(list);
    for (const std::string& l : lines) list->addItem(QString::fromStdString(l));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("确定"));
    buttons->button(QDialogButtonBox::Ok)->setAccessibleName(QStringLiteral("确定"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(label);
    layout->addWidget(list);
    layout->addWidget(buttons);
    dialog.resize(640, 360);
    dialog.exec();
}

SaveAnswer QtPrompter::askSaveChanges(std::string_view utf8Name) {
    QMessageBox box(QMessageBox::Warning, title(), QString::fromStdString(saveQuestionText(utf8Name)),
                    QMessageBox::NoButton, parent());
    box.setAccessibleName(QStringLiteral("保存更改"));
    QPushButton* save = box.addButton(QStringLiteral("保存"), QMessageBox::AcceptRole);
    QPushButton* discard = box.addButton(QStringLiteral("不保存"), QMessageBox::DestructiveRole);
    QPushButton* cancel = box.addButton(QStringLiteral("取消"), QMessageBox::RejectRole);
    save->setAccessibleName(QStringLiteral("保存"));
    discard->setAccessibleName(QStringLiteral("不保存"));
    cancel->setAccessibleName(QStringLiteral("取消"));
    box.setDefaultButton(save);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == save) return SaveAnswer::Save;
    if (box.clickedButton() == discard) return SaveAnswer::Discard;
    return SaveAnswer::Cancel;
}

std::string QtPrompter::openFileName(std::string_view filter) {
    return QFileDialog::getOpenFileName(parent(), QStringLiteral("打开"), QString(),
                                        QString::fromUtf8(filter.data(), qsizetype(filter.size())))
        .toStdString();
}

std::string QtPrompter::saveFileName(std::string_view suggested, std::string_view filter) {
    return QFileDialog::getSaveFileName(parent(), QStringLiteral("另存为"),
                                        QString::fromUtf8(suggested.data(), qsizetype(suggested.size())),
                                        QString::fromUtf8(filter.data(), qsizetype(filter.size())))
        .toStdString();
}

}  // namespace vornex::app

#include "controls/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace quillmere::controls {

namespace {
MessageBoxPresenter* g_presenter = nullptr;
} // namespace

int msgBox(const QString& text, int style, const QString& title) {
    if (g_presenter)
        return g_presenter->show(text, style, title);
    QtMessageBoxPresenter qt;
    return qt.show(text, style, title);
}

void setMessageBoxPresenter(MessageBoxPresenter* presenter) {
    g_presenter = presenter;
}

int QtMessageBoxPresenter::show(const QString& text, int style, const QString& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setWindowModality(Qt::ApplicationModal);

    const int icon = style & 0xF0;
    if (icon == mb::Critical)
        box.setIcon(QMessageBox::Critical);
    else if (icon == mb::Information)
        box.setIcon(QMessageBox::Information);
    else if (icon == 32)
        box.setIcon(QMessageBox::Question);
    else if (icon == 48)
        box.setIcon(QMessageBox::Warning);

    if ((style & 0x0F) == mb::YesNo) {
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        box.addButton(QMessageBox::No);
        box.setDefaultButton(yes);
        box.setEscapeButton(QMessageBox::No);
        box.exec();
        return box.clickedButton() == yes ? mb::AnswerYes : mb::AnswerNo;
    }
    box.addButton(QMessageBox::Ok);
    box.exec();
    return mb::AnswerOk;
}

} // namespace quillmere::controls

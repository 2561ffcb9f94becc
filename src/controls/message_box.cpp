#include "controls/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace quillmere::controls {

namespace {

MessageBoxPresenter* g_presenter = nullptr;

QMessageBox::Icon iconOf(MsgStyle style) {
    switch (style) {
    case MsgStyle::Critical:
        return QMessageBox::Critical;
    case MsgStyle::Information:
        return QMessageBox::Information;
    case MsgStyle::WarningDefaultNo:
        return QMessageBox::Warning;
    case MsgStyle::Ok:
    case MsgStyle::YesNo:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

MsgAnswer msgBox(const QString& text, MsgStyle style, const QString& title) {
    if (g_presenter)
        return g_presenter->show(text, style, title);
    QtMessageBoxPresenter qt;
    return qt.show(text, style, title);
}

void setMessageBoxPresenter(MessageBoxPresenter* presenter) {
    g_presenter = presenter;
}

MsgAnswer QtMessageBoxPresenter::show(const QString& text, MsgStyle style, const QString& title) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(title);
    box.setText(text);
    box.setWindowModality(Qt::ApplicationModal);
    box.setIcon(iconOf(style));

    if (style == MsgStyle::YesNo || style == MsgStyle::WarningDefaultNo) {
        QPushButton* yes = box.addButton(QMessageBox::Yes);
        QPushButton* no = box.addButton(QMessageBox::No);
        box.setDefaultButton(style == MsgStyle::YesNo ? yes : no);
        box.setEscapeButton(QMessageBox::No);
        box.exec();
        return box.clickedButton() == yes ? MsgAnswer::Yes : MsgAnswer::No;
    }
    box.addButton(QMessageBox::Ok);
    box.exec();
    return MsgAnswer::Ok;
}

} // namespace quillmere::controls

#include "controls/message_box.h"
#include "modal_answer.h"
#include "recording_message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

#include <gtest/gtest.h>

using namespace quillmere::controls;

namespace {

// What the real box showed, read while it is open, and the answer it gave for the button pressed.
struct Seen {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QMessageBox::StandardButton> buttons;
    QMessageBox::StandardButton defaultButton = QMessageBox::NoButton;
    QString text;
    QString title;
    MsgAnswer answer = MsgAnswer::Ok;
};

Seen showAndPress(MsgStyle style, QMessageBox::StandardButton press) {
    Seen seen;
    quillmere::test::ModalAnswer answer([&](QWidget* window) {
        auto* box = qobject_cast<QMessageBox*>(window);
        ASSERT_NE(box, nullptr);
        seen.icon = box->icon();
        for (QAbstractButton* button : box->buttons())
            seen.buttons << box->standardButton(button);
        std::sort(seen.buttons.begin(), seen.buttons.end());
        seen.defaultButton = box->defaultButton() ? box->standardButton(box->defaultButton()) : QMessageBox::NoButton;
        seen.text = box->text();
        seen.title = box->windowTitle();
        box->button(press)->click();
    });
    QtMessageBoxPresenter presenter;
    seen.answer = presenter.show(QStringLiteral("Some text"), style, QStringLiteral("Some title"));
    EXPECT_TRUE(answer.answered()) << "no box came up";
    return seen;
}

} // namespace

TEST(QtMessageBox, EachStyleShowsItsIconAndButtons) {
    const Seen stop = showAndPress(MsgStyle::Critical, QMessageBox::Ok);
    EXPECT_EQ(stop.icon, QMessageBox::Critical);
    EXPECT_EQ(stop.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
    EXPECT_EQ(stop.answer, MsgAnswer::Ok);
    EXPECT_EQ(stop.text, QStringLiteral("Some text"));
    EXPECT_EQ(stop.title, QStringLiteral("Some title"));

    const Seen information = showAndPress(MsgStyle::Information, QMessageBox::Ok);
    EXPECT_EQ(information.icon, QMessageBox::Information);
    EXPECT_EQ(information.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});

    const Seen plain = showAndPress(MsgStyle::Ok, QMessageBox::Ok);
    EXPECT_EQ(plain.icon, QMessageBox::NoIcon);
    EXPECT_EQ(plain.buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
}

TEST(QtMessageBox, YesNoHasNoIconYesAsDefaultAndAnswersWhatWasPressed) {
    const Seen yes = showAndPress(MsgStyle::YesNo, QMessageBox::Yes);
    EXPECT_EQ(yes.icon, QMessageBox::NoIcon);
    EXPECT_EQ(yes.buttons, (QList<QMessageBox::StandardButton>{QMessageBox::Yes, QMessageBox::No}));
    EXPECT_EQ(yes.defaultButton, QMessageBox::Yes);
    EXPECT_EQ(yes.answer, MsgAnswer::Yes);
    EXPECT_EQ(showAndPress(MsgStyle::YesNo, QMessageBox::No).answer, MsgAnswer::No);
}

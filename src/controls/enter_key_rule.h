#pragma once

#include <QList>
#include <QObject>

class QAbstractButton;
class QPushButton;

namespace quillmere::controls {

// Enter as the classic windows hand it out: a command button that has the focus takes it; anywhere
// else, lists included, the window's default button does. Outside a dialog the default button's
// mark also moves to the command button that has the focus, as a dialog moves it by itself.
class EnterKeyRule final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(EnterKeyRule)
public:
    // Watches the window's command buttons (the default one among them) and the lists that give
    // Enter to the default button. Owned by the default button.
    EnterKeyRule(QPushButton* defaultButton, const QList<QAbstractButton*>& commandButtons,
                 const QList<QWidget*>& lists);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAbstractButton* commandButton(QObject* watched) const;
    void moveDefaultMark(const QAbstractButton* focused);

    QPushButton* m_defaultButton;
    QList<QAbstractButton*> m_commandButtons;
    bool m_movesMark;
};

} // namespace quillmere::controls

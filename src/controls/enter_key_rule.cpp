#include "controls/enter_key_rule.h"

#include <QDialog>
#include <QKeyEvent>
#include <QPushButton>

namespace quillmere::controls {

namespace {

bool isPlainEnter(const QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<const QKeyEvent*>(event);
    return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
           (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

} // namespace

EnterKeyRule::EnterKeyRule(QPushButton* defaultButton, const QList<QAbstractButton*>& commandButtons,
                           const QList<QWidget*>& lists)
    : QObject(defaultButton)
    , m_defaultButton(defaultButton)
    , m_commandButtons(commandButtons)
    // A dialog's push buttons carry the mark to and from the focus themselves.
    , m_movesMark(qobject_cast<QDialog*>(defaultButton->window()) == nullptr) {
    for (QAbstractButton* button : commandButtons)
        button->installEventFilter(this);
    for (QWidget* list : lists)
        list->installEventFilter(this);
}

bool EnterKeyRule::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && m_movesMark) {
        moveDefaultMark(commandButton(watched));
    } else if (isPlainEnter(event)) {
        QAbstractButton* focused = commandButton(watched);
        (focused ? focused : m_defaultButton)->click();
        return true;
    }
    return QObject::eventFilter(watched, event);
}

QAbstractButton* EnterKeyRule::commandButton(QObject* watched) const {
    for (QAbstractButton* button : m_commandButtons) {
        if (button == watched)
            return button;
    }
    return nullptr;
}

void EnterKeyRule::moveDefaultMark(const QAbstractButton* focused) {
    for (QAbstractButton* button : m_commandButtons) {
        if (auto* push = qobject_cast<QPushButton*>(button))
            push->setDefault(focused ? push == focused : push == m_defaultButton);
    }
}

} // namespace quillmere::controls

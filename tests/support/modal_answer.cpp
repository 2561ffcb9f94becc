#include "modal_answer.h"

#include <QApplication>

namespace quillmere::test {

namespace {

QWidget* windowHoldingTheInput() {
    if (QWidget* popup = QApplication::activePopupWidget())
        return popup;
    return QApplication::activeModalWidget();
}

} // namespace

ModalAnswer::ModalAnswer(Answer answer)
    : m_answer(std::move(answer))
    , m_alreadyOpen(windowHoldingTheInput()) {
    // Looked for again and again: the call under test may run the event loop before its window is up.
    QObject::connect(&m_timer, &QTimer::timeout, [this] { look(); });
    m_timer.start(5);
}

ModalAnswer::~ModalAnswer() {
    m_timer.stop();
}

void ModalAnswer::look() {
    QPointer<QWidget> window = windowHoldingTheInput();
    if (!window || window == m_alreadyOpen)
        return;
    m_timer.stop();
    m_answered = true;
    if (m_answer)
        m_answer(window);
    if (window && window->isVisible())
        window->close();
    if (window && window->isVisible())
        window->hide(); // a box without a button for Escape refuses to close
}

} // namespace quillmere::test

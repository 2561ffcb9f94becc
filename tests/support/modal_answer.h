#pragma once

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace quillmere::test {

// Answers the next window that holds the input for itself, a modal window or a popup menu, from a
// timer, as a user would once it is up: `answer` reads the window and presses what it wants, and a
// window it leaves open is closed, so that no test waits on a person. Only the first such window
// opened while this lives is answered; a call that opens none leaves nothing behind to fire into a
// later step.
class ModalAnswer final {
public:
    using Answer = std::function<void(QWidget* window)>;

    explicit ModalAnswer(Answer answer = {});
    ~ModalAnswer();
    ModalAnswer(const ModalAnswer&) = delete;
    ModalAnswer& operator=(const ModalAnswer&) = delete;

    // Whether a window came up and was answered.
    bool answered() const { return m_answered; }

private:
    void look();

    Answer m_answer;
    QPointer<QWidget> m_alreadyOpen; // up before this was made: someone else's to answer
    QTimer m_timer;
    bool m_answered = false;
};

} // namespace quillmere::test

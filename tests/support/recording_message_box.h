#pragma once

#include "controls/message_box.h"

#include <QList>
#include <QString>

#include <deque>

namespace quillmere::test {

// Records every message box with the mouse pointer at that moment, and answers from a script.
// Installed for its lifetime. Unscripted OK boxes answer OK; an unscripted Yes/No box fails the
// test and answers No.
class RecordingMessageBox final : public controls::MessageBoxPresenter {
public:
    struct Box {
        QString text;
        int style = 0;
        QString title;
        int pointer = 0;
    };

    RecordingMessageBox();
    ~RecordingMessageBox() override;
    RecordingMessageBox(const RecordingMessageBox&) = delete;
    RecordingMessageBox& operator=(const RecordingMessageBox&) = delete;

    void answerNext(int answer) { m_answers.push_back(answer); }
    const QList<Box>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

    int show(const QString& text, int style, const QString& title) override;

private:
    QList<Box> m_boxes;
    std::deque<int> m_answers;
};

} // namespace quillmere::test

#pragma once

#include "controls/message_box.h"
#include "controls/mouse_pointer.h"

#include <QList>
#include <QString>

#include <deque>
#include <ostream>

namespace quillmere::controls {
// Readable failure messages for the typed styles, answers and pointers.
void PrintTo(MsgStyle style, std::ostream* out);
void PrintTo(MsgAnswer answer, std::ostream* out);
void PrintTo(MousePointer pointer, std::ostream* out);
} // namespace quillmere::controls

namespace quillmere::test {

// Records every message box with the mouse pointer at that moment, and answers from a script.
// Installed for its lifetime. Unscripted OK boxes answer OK, unscripted warnings their default No;
// an unscripted Yes/No box fails the test and answers No.
class RecordingMessageBox final : public controls::MessageBoxPresenter {
public:
    struct Box {
        QString text;
        controls::MsgStyle style = controls::MsgStyle::Ok;
        QString title;
        controls::MousePointer pointer = controls::MousePointer::Default;
    };

    RecordingMessageBox();
    ~RecordingMessageBox() override;
    RecordingMessageBox(const RecordingMessageBox&) = delete;
    RecordingMessageBox& operator=(const RecordingMessageBox&) = delete;

    void answerNext(controls::MsgAnswer answer) { m_answers.push_back(answer); }
    const QList<Box>& boxes() const { return m_boxes; }
    void clear() { m_boxes.clear(); }

    controls::MsgAnswer show(const QString& text, controls::MsgStyle style, const QString& title) override;

private:
    QList<Box> m_boxes;
    std::deque<controls::MsgAnswer> m_answers;
};

} // namespace quillmere::test

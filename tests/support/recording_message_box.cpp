#include "recording_message_box.h"

#include "controls/mouse_pointer.h"

#include <gtest/gtest.h>

namespace quillmere::test {

RecordingMessageBox::RecordingMessageBox() {
    controls::setMessageBoxPresenter(this);
}

RecordingMessageBox::~RecordingMessageBox() {
    controls::setMessageBoxPresenter(nullptr);
}

int RecordingMessageBox::show(const QString& text, int style, const QString& title) {
    m_boxes.append({text, style, title, controls::screenPointer()});
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if ((style & 0x0F) == controls::mb::YesNo) {
        ADD_FAILURE() << "unscripted Yes/No box: " << qPrintable(text);
        return controls::mb::AnswerNo;
    }
    return controls::mb::AnswerOk;
}

} // namespace quillmere::test

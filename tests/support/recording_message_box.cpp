#include "recording_message_box.h"

#include "platform/mouse_pointer.h"

#include <gtest/gtest.h>

namespace quillmere::test {

RecordingMessageBox::RecordingMessageBox() {
    platform::setMessageBoxPresenter(this);
}

RecordingMessageBox::~RecordingMessageBox() {
    platform::setMessageBoxPresenter(nullptr);
}

int RecordingMessageBox::show(const QString& text, int style, const QString& title) {
    m_boxes.append({text, style, title, platform::screenPointer()});
    if (!m_answers.empty()) {
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if ((style & 0x0F) == platform::mb::YesNo) {
        ADD_FAILURE() << "unscripted Yes/No box: " << qPrintable(text);
        return platform::mb::AnswerNo;
    }
    return platform::mb::AnswerOk;
}

} // namespace quillmere::test

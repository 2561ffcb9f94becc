#include "recording_message_box.h"

#include <gtest/gtest.h>

namespace quillmere::controls {

void PrintTo(MsgStyle style, std::ostream* out) {
    const char* names[] = {"Ok", "YesNo", "Critical", "Information", "WarningDefaultNo"};
    *out << "MsgStyle::" << names[static_cast<int>(style)];
}

void PrintTo(MsgAnswer answer, std::ostream* out) {
    const char* names[] = {"Ok", "Yes", "No"};
    *out << "MsgAnswer::" << names[static_cast<int>(answer)];
}

void PrintTo(MousePointer pointer, std::ostream* out) {
    *out << (pointer == MousePointer::Hourglass ? "MousePointer::Hourglass" : "MousePointer::Default");
}

} // namespace quillmere::controls

namespace quillmere::test {

RecordingMessageBox::RecordingMessageBox() {
    controls::setMessageBoxPresenter(this);
}

RecordingMessageBox::~RecordingMessageBox() {
    controls::setMessageBoxPresenter(nullptr);
}

controls::MsgAnswer RecordingMessageBox::show(const QString& text, controls::MsgStyle style, const QString& title) {
    m_boxes.append({text, style, title, controls::screenPointer()});
    if (!m_answers.empty()) {
        const controls::MsgAnswer answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    if (style == controls::MsgStyle::YesNo) {
        ADD_FAILURE() << "unscripted Yes/No box: " << qPrintable(text);
        return controls::MsgAnswer::No;
    }
    // A warning's default is No: the answer of a user who presses Enter.
    return style == controls::MsgStyle::WarningDefaultNo ? controls::MsgAnswer::No : controls::MsgAnswer::Ok;
}

} // namespace quillmere::test

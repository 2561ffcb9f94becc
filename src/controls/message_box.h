#pragma once

#include <QString>

class QWidget;

namespace quillmere::controls {

// Classic message-box styles and answers.
namespace mb {
inline constexpr int OkOnly = 0;
inline constexpr int YesNo = 4;
inline constexpr int Critical = 16;
inline constexpr int Information = 64;

inline constexpr int AnswerOk = 1;
inline constexpr int AnswerYes = 6;
inline constexpr int AnswerNo = 7;
} // namespace mb

// Where every message box of the program goes. The Qt implementation shows a modal box over the
// program's windows; tests install a double that records the boxes and answers from a script.
class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    virtual int show(const QString& text, int style, const QString& title) = 0;
};

// Shows a box through the installed presenter (the Qt one when none is installed).
int msgBox(const QString& text, int style, const QString& title);

// Installs a presenter for the rest of the run, or puts the Qt one back with nullptr. The caller
// keeps ownership.
void setMessageBoxPresenter(MessageBoxPresenter* presenter);

// The Qt presenter: a QMessageBox with the style's buttons and icon, modal over the active window.
class QtMessageBoxPresenter final : public MessageBoxPresenter {
public:
    int show(const QString& text, int style, const QString& title) override;
};

} // namespace quillmere::controls

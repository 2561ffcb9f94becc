#pragma once

#include <QString>

namespace quillmere::controls {

// The classic message-box styles the program uses: an OK box plain, with the stop icon or with the
// information icon, the Yes/No question without an icon, and the Yes/No warning (exclamation icon)
// whose default is No, for questions where the safe answer leaves every file as it is.
enum class MsgStyle { Ok, YesNo, Critical, Information, WarningDefaultNo };

// The button the user answered with.
enum class MsgAnswer { Ok, Yes, No };

// Where every message box of the program goes. The Qt implementation shows a modal box over the
// program's windows; tests install a double that records the boxes and answers from a script.
class MessageBoxPresenter {
public:
    virtual ~MessageBoxPresenter() = default;
    virtual MsgAnswer show(const QString& text, MsgStyle style, const QString& title) = 0;
};

// Shows a box through the installed presenter (the Qt one when none is installed).
MsgAnswer msgBox(const QString& text, MsgStyle style, const QString& title);

// Installs a presenter for the rest of the run, or puts the Qt one back with nullptr. The caller
// keeps ownership.
void setMessageBoxPresenter(MessageBoxPresenter* presenter);

// The Qt presenter: a QMessageBox with the style's buttons and icon, modal over the active window.
// Yes is the default button of a Yes/No box, No that of a warning; Esc answers No.
class QtMessageBoxPresenter final : public MessageBoxPresenter {
public:
    MsgAnswer show(const QString& text, MsgStyle style, const QString& title) override;
};

} // namespace quillmere::controls

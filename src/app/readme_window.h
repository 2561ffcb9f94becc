#pragma once

#include "controls/fixed_dialog.h"

#include <functional>

class QPlainTextEdit;
class QPushButton;

namespace quillmere::app {

// How the viewer reads the readme: the file's whole text, empty when it cannot be read.
using ReadmeReader = std::function<QString(const QString& windowsPath)>;

// frmReadme: readme.txt from the program's folder, read afresh each time the window opens.
class ReadmeWindow final : public controls::FixedDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReadmeWindow)
public:
    // Reads the file with `read`, the program's text-file reader unless told otherwise.
    explicit ReadmeWindow(QWidget* owner, const ReadmeReader& read = {});

    static QString readmePath();

private:
    QPlainTextEdit* m_text1 = nullptr;
    QPushButton* m_cmdDone = nullptr;
};

// The Readme command: the viewer, modal over the owner, or the "Missing file...." box when the file
// is not there (a hidden one counts as missing). The viewer reads the file with `read`.
void showReadme(QWidget* owner, const ReadmeReader& read = {});

} // namespace quillmere::app

#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace quillmere::app {

// frmReadme: readme.txt from the program's folder, read afresh each time the window opens.
class ReadmeWindow final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ReadmeWindow)
public:
    explicit ReadmeWindow(QWidget* owner);
    ~ReadmeWindow() override;

    static QString readmePath();

private:
    QPlainTextEdit* m_text1 = nullptr;
    QPushButton* m_cmdDone = nullptr;
};

// The Readme command: the viewer, modal over the owner, or the "Missing file...." box.
void showReadme(QWidget* owner);

} // namespace quillmere::app

#pragma once

#include <QDialog>

#include <functional>

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
    // Runs between the existence test and the load; lets tests take the file away in between.
    static void setBeforeLoadHookForTest(std::function<void()> hook);

private:
    QPlainTextEdit* m_text1 = nullptr;
    QPushButton* m_cmdDone = nullptr;
};

// The Readme command: the viewer, modal over the owner, or the "Missing file...." box.
void showReadme(QWidget* owner);

} // namespace quillmere::app

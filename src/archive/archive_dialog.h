#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace quillmere::controls {
class DirListBox;
class DriveListBox;
} // namespace quillmere::controls

namespace quillmere::archive {

// What the backup and restore dialogs share: the fixed tool-window frame, the drive rule, the red
// note, OK and Cancel with Cancel as the default and cancel button: Enter in a list cancels, Enter on
// a button presses that button.
class ArchiveDialog : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArchiveDialog)
public:
    ~ArchiveDialog() override;

protected:
    ArchiveDialog(const char* objectName, const QString& caption, QSize clientTwips);

    // The two lists of the frame; the caller places them.
    void createLists(QWidget* frame, QRect driveTwips, QRect dirTwips);
    QPushButton* addButton(const char* objectName, const QString& caption, QRect twips);
    QLabel* addRedNote(const QString& text, QRect twips);
    // Enter in one of the lists presses the default button, Cancel.
    void sendEnterToCancel(QWidget* list);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    // Drive1 changed: show that drive's current folder, or go back to the drive the folder list shows.
    void driveRule();
    // Tells the user how the copy went; a success closes the dialog, a failure leaves it open.
    void reportCopy(bool copied, const QString& successText, const QString& failureText);

    controls::DriveListBox* m_drive1 = nullptr;
    controls::DirListBox* m_dir1 = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;
};

} // namespace quillmere::archive

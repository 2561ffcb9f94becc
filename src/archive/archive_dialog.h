#pragma once

#include "controls/fixed_dialog.h"

class QGroupBox;
class QLabel;
class QPushButton;

namespace quillmere::controls {
class DirListBox;
class DriveListBox;
} // namespace quillmere::controls

namespace quillmere::archive {

// What the backup and restore dialogs share: the tool window, Frame1 with its drive and folder
// lists under the drive rule, the red note, and OK and Cancel with Cancel as the default button.
class ArchiveDialog : public controls::FixedDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ArchiveDialog)
protected:
    // What a dialog shows where, in twips; Label1 and the lists relative to Frame1.
    struct Layout {
        QSize client;
        QString frameCaption;
        QRect frame;
        QString instruction; // Label1
        QRect label1;
        bool instructionWraps = false; // over several lines, from the label's top
        QRect drive1;
        QRect dir1;
        QRect cmdOK;
        QRect cmdCancel;
        QString note; // the red Label2 below the frame
        QRect label2;
    };

    ArchiveDialog(const char* objectName, const QString& caption, const Layout& layout);

    // Enter goes to OK or Cancel while one has the focus, and to Cancel from anywhere else, these
    // lists included.
    void applyEnterRule(const QList<QWidget*>& lists);
    void showEvent(QShowEvent* event) override;

    // Tells the user how the copy went; a success closes the dialog, a failure leaves it open.
    void reportCopy(bool copied, const QString& successText, const QString& failureText);

    QGroupBox* m_frame1 = nullptr;
    controls::DriveListBox* m_drive1 = nullptr;
    controls::DirListBox* m_dir1 = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdCancel = nullptr;

private:
    void addInstruction(const Layout& layout);
    void addRedNote(const QString& text, const QRect& twipsGeometry);
};

} // namespace quillmere::archive

#pragma once

#include <QChar>
#include <QComboBox>

namespace quillmere::controls {

// The standard drive list: the prefix's drives as "c:" entries. The user may pick any drive, also
// one that is not ready (the window's drive rule then puts the list back); the program can only
// move it to a ready drive.
class DriveListBox : public QComboBox {
    Q_OBJECT
public:
    explicit DriveListBox(QWidget* parent = nullptr);

    // "c:": the lower-case letter and a colon.
    QString drive() const;
    // Takes the first two characters ("C:", "c:\anything"). Fails and keeps the selection when the
    // text names no drive, or the drive is not mapped or not ready.
    bool setDrive(const QString& text);

    // Re-reads the prefix's drives, keeping the selected one.
    void refreshDrives();

    void showPopup() override;

signals:
    // The drive changed, by the user or by the program.
    void changed();

private:
    void onIndexChanged(int index);
    void selectLetter(QChar letter);

    QChar m_letter;
};

} // namespace quillmere::controls

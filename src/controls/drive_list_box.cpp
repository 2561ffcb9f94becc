#include "controls/drive_list_box.h"

#include "host/drive_map.h"
#include "winpath/windows_path.h"

#include <QFileInfo>
#include <QSignalBlocker>

namespace quillmere::controls {

namespace {

QString driveLabel(const host::DriveInfo& drive) {
    QString text = QString(drive.letter) + QLatin1Char(':');
    if (drive.hostRoot.isEmpty())
        return text;
    const QString name = QFileInfo(drive.hostRoot).fileName();
    return text + QLatin1String(" [") + (name.isEmpty() ? drive.hostRoot : name) + QLatin1Char(']');
}

} // namespace

DriveListBox::DriveListBox(QWidget* parent)
    : QComboBox(parent) {
    refreshDrives();
    QChar start = winpath::driveLetterOf(host::currentDrive());
    if (findData(start) < 0)
        start = count() > 0 ? itemData(0).toChar() : QChar();
    m_letter = start;
    {
        const QSignalBlocker blocker(this);
        setCurrentIndex(findData(m_letter));
    }
    connect(this, &QComboBox::currentIndexChanged, this, &DriveListBox::onIndexChanged);
}

QString DriveListBox::drive() const {
    return m_letter.isNull() ? QString() : QString(m_letter) + QLatin1Char(':');
}

bool DriveListBox::setDrive(const QString& text) {
    const QChar letter = winpath::driveLetterOf(text);
    if (letter.isNull())
        return false;
    if (letter == m_letter)
        return true;
    if (!host::isDriveReady(letter))
        return false;
    if (findData(letter) < 0)
        refreshDrives();
    if (findData(letter) < 0)
        return false;
    selectLetter(letter);
    return true;
}

void DriveListBox::refreshDrives() {
    const QSignalBlocker blocker(this);
    clear();
    for (const host::DriveInfo& drive : host::drives())
        addItem(driveLabel(drive), drive.letter);
    // A selected drive that has gone from the prefix stays listed until the user leaves it.
    if (!m_letter.isNull() && findData(m_letter) < 0)
        addItem(QString(m_letter) + QLatin1Char(':'), m_letter);
    setCurrentIndex(findData(m_letter));
}

void DriveListBox::showPopup() {
    refreshDrives();
    QComboBox::showPopup();
}

void DriveListBox::selectLetter(QChar letter) {
    const int index = findData(letter);
    if (index < 0)
        return;
    // The index signal does the rest, so user and program changes take one road.
    setCurrentIndex(index);
}

void DriveListBox::onIndexChanged(int index) {
    const QChar letter = index < 0 ? QChar() : itemData(index).toChar();
    if (letter.isNull() || letter == m_letter)
        return;
    m_letter = letter;
    emit changed();
}

} // namespace quillmere::controls

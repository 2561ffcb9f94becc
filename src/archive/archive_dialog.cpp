#include "archive/archive_dialog.h"

#include "controls/classic_fonts.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/message_box.h"
#include "controls/twips.h"
#include "controls/window_list.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>

namespace quillmere::archive {

using controls::twipsRect;

ArchiveDialog::ArchiveDialog(const char* objectName, const QString& caption, QSize clientTwips)
    : QDialog(nullptr) {
    setObjectName(QLatin1String(objectName));
    setWindowTitle(caption);
    // Small caption with a close box only; no taskbar entry, no icon.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon());
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(controls::twipsSize(clientTwips.width(), clientTwips.height()));
    controls::registerLoadedWindow(this);
}

ArchiveDialog::~ArchiveDialog() {
    controls::unregisterLoadedWindow(this);
}

void ArchiveDialog::createLists(QWidget* frame, QRect driveTwips, QRect dirTwips) {
    m_drive1 = new controls::DriveListBox(frame);
    m_drive1->setObjectName(QStringLiteral("Drive1"));
    m_drive1->setGeometry(twipsRect(driveTwips.x(), driveTwips.y(), driveTwips.width(), driveTwips.height()));
    m_drive1->setAccessibleName(tr("Drive"));
    m_dir1 = new controls::DirListBox(frame);
    m_dir1->setObjectName(QStringLiteral("Dir1"));
    m_dir1->setGeometry(twipsRect(dirTwips.x(), dirTwips.y(), dirTwips.width(), dirTwips.height()));
    m_dir1->setAccessibleName(tr("Folder"));
    sendEnterToCancel(m_drive1);
    sendEnterToCancel(m_dir1);
    connect(m_drive1, &controls::DriveListBox::changed, this, &ArchiveDialog::driveRule);
}

QPushButton* ArchiveDialog::addButton(const char* objectName, const QString& caption, QRect twips) {
    auto* button = new QPushButton(caption, this);
    button->setObjectName(QLatin1String(objectName));
    button->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    button->raise(); // the buttons lie over the frame's rectangle
    return button;
}

QLabel* ArchiveDialog::addRedNote(const QString& text, QRect twips) {
    auto* note = new QLabel(text, this);
    note->setObjectName(QStringLiteral("Label2"));
    note->setGeometry(twipsRect(twips.x(), twips.y(), twips.width(), twips.height()));
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setFont(controls::classicFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    note->setPalette(palette);
    return note;
}

void ArchiveDialog::sendEnterToCancel(QWidget* list) {
    list->installEventFilter(this);
}

bool ArchiveDialog::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && m_cmdCancel) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && key->modifiers() == Qt::NoModifier &&
            watched->isWidgetType() && !qobject_cast<QPushButton*>(watched)) {
            m_cmdCancel->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ArchiveDialog::showEvent(QShowEvent* event) {
    // No owner is given, yet the dialog opens centred over the main window: the first window loaded.
    for (QWidget* window : controls::loadedWindows()) {
        if (window != this && window->isVisible()) {
            move(window->frameGeometry().center() - rect().center());
            break;
        }
    }
    QDialog::showEvent(event);
}

void ArchiveDialog::driveRule() {
    m_dir1->setPath(m_drive1->drive());
    m_drive1->setDrive(m_dir1->path());
}

void ArchiveDialog::reportCopy(bool copied, const QString& successText, const QString& failureText) {
    if (!copied) {
        controls::msgBox(failureText, controls::mb::Critical, tr("Failure!"));
        return;
    }
    controls::msgBox(successText, controls::mb::Information, tr("Success!"));
    accept();
}

} // namespace quillmere::archive

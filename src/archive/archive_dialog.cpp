#include "archive/archive_dialog.h"

#include "controls/classic_fonts.h"
#include "controls/classic_frame.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/enter_key_rule.h"
#include "controls/folder_lists.h"
#include "controls/message_box.h"
#include "controls/placement.h"
#include "controls/window_list.h"

#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace quillmere::archive {

using controls::place;

ArchiveDialog::ArchiveDialog(const char* objectName, const QString& caption, const Layout& layout)
    : FixedDialog(nullptr, objectName, caption, layout.client) {
    m_frame1 = place(new QGroupBox(layout.frameCaption, this), "Frame1", layout.frame);
    controls::useClassicFrame(m_frame1);
    addInstruction(layout);
    m_drive1 = controls::makeDriveList(m_frame1, layout.drive1);
    m_dir1 = controls::makeDirList(m_frame1, layout.dir1);
    controls::followDriveRule(m_drive1, m_dir1);

    m_cmdOK = place(new QPushButton(tr("&OK"), this), "cmdOK", layout.cmdOK);
    m_cmdCancel = place(new QPushButton(tr("&Cancel"), this), "cmdCancel", layout.cmdCancel);
    m_cmdCancel->setDefault(true);
    // The buttons lie over the frame's rectangle.
    m_cmdOK->raise();
    m_cmdCancel->raise();
    connect(m_cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    addRedNote(layout.note, layout.label2);
}

void ArchiveDialog::addInstruction(const Layout& layout) {
    auto* label1 = place(new QLabel(layout.instruction, m_frame1), "Label1", layout.label1);
    if (layout.instructionWraps) {
        label1->setWordWrap(true);
        label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    }
}

void ArchiveDialog::addRedNote(const QString& text, const QRect& twipsGeometry) {
    auto* note = place(new QLabel(text, this), "Label2", twipsGeometry);
    note->setWordWrap(true);
    note->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    note->setFont(controls::classicFont(QStringLiteral("MS Sans Serif"), 8.25, true));
    QPalette palette = note->palette();
    palette.setColor(QPalette::WindowText, QColor(255, 0, 0));
    note->setPalette(palette);
}

void ArchiveDialog::applyEnterRule(const QList<QWidget*>& lists) {
    new controls::EnterKeyRule(m_cmdCancel, {m_cmdOK, m_cmdCancel}, lists);
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

void ArchiveDialog::reportCopy(bool copied, const QString& successText, const QString& failureText) {
    if (!copied) {
        controls::msgBox(failureText, controls::MsgStyle::Critical, tr("Failure!"));
        return;
    }
    controls::msgBox(successText, controls::MsgStyle::Information, tr("Success!"));
    accept();
}

} // namespace quillmere::archive

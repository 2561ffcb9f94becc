#include "app/readme_window.h"

#include "controls/classic_fonts.h"
#include "controls/message_box.h"
#include "controls/placement.h"
#include "game/d2s_engine.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>

namespace quillmere::app {

using controls::place;

ReadmeWindow::ReadmeWindow(QWidget* owner, const ReadmeReader& read)
    : FixedDialog(owner, "frmReadme", tr("Readme.txt"), {6975, 3690}) {
    m_text1 = place(new QPlainTextEdit(this), "Text1", {120, 120, 6735, 2895});
    m_text1->setReadOnly(true);
    m_text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setFont(controls::classicFont(QStringLiteral("Arial"), 8.25));
    m_text1->setAccessibleName(tr("Readme text"));

    m_cmdDone = place(new QPushButton(tr("&Done"), this), "cmdDone", {2760, 3120, 1215, 495});
    m_cmdDone->setDefault(true);
    m_cmdDone->setAutoDefault(true);
    connect(m_cmdDone, &QPushButton::clicked, this, &QDialog::accept);

    setTabOrder(m_cmdDone, m_text1);
    m_cmdDone->setFocus();

    // Load: the file as it is now; an unreadable file gives an empty box.
    const QString path = readmePath();
    m_text1->setPlainText(read ? read(path) : d2sEngine::readTextFile(path));
}

QString ReadmeWindow::readmePath() {
    return d2sEngine::programFolder() + QStringLiteral("readme.txt");
}

void showReadme(QWidget* owner, const ReadmeReader& read) {
    if (!d2sEngine::fileExists(ReadmeWindow::readmePath())) {
        controls::msgBox(ReadmeWindow::tr("The readme file has either been deleted from your hard drive, or moved to "
                                          "another directory.\r\nPlease move the readme file back to it's original "
                                          "directory, or re-install the program to look at it!"),
                         controls::MsgStyle::Critical, ReadmeWindow::tr("Missing file...."));
        return;
    }
    ReadmeWindow viewer(owner, read);
    viewer.exec();
}

} // namespace quillmere::app

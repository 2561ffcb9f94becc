#include "app/readme_window.h"

#include "controls/classic_fonts.h"
#include "controls/message_box.h"
#include "controls/twips.h"
#include "controls/window_list.h"
#include "game/d2s_engine.h"

#include <QFont>
#include <QPlainTextEdit>
#include <QPushButton>

namespace quillmere::app {

using controls::twipsRect;

namespace {
std::function<void()>& beforeLoadHook() {
    static std::function<void()> hook;
    return hook;
}
} // namespace

void ReadmeWindow::setBeforeLoadHookForTest(std::function<void()> hook) {
    beforeLoadHook() = std::move(hook);
}

ReadmeWindow::ReadmeWindow(QWidget* owner)
    : QDialog(owner) {
    setObjectName(QStringLiteral("frmReadme"));
    setWindowTitle(tr("Readme.txt"));
    // Tool window: small caption, close button only, no taskbar entry, no icon.
    setWindowFlags(Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    setWindowIcon(QIcon());
    setFixedSize(controls::twipsSize(6975, 3690));
    setModal(true);
    controls::registerLoadedWindow(this);

    m_text1 = new QPlainTextEdit(this);
    m_text1->setObjectName(QStringLiteral("Text1"));
    m_text1->setGeometry(twipsRect(120, 120, 6735, 2895));
    m_text1->setReadOnly(true);
    m_text1->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_text1->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    m_text1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_text1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_text1->setFont(controls::classicFont(QStringLiteral("Arial"), 8.25));
    m_text1->setAccessibleName(tr("Readme text"));

    m_cmdDone = new QPushButton(tr("&Done"), this);
    m_cmdDone->setObjectName(QStringLiteral("cmdDone"));
    m_cmdDone->setGeometry(twipsRect(2760, 3120, 1215, 495));
    m_cmdDone->setDefault(true);
    m_cmdDone->setAutoDefault(true);
    connect(m_cmdDone, &QPushButton::clicked, this, &QDialog::accept);

    setTabOrder(m_cmdDone, m_text1);
    m_cmdDone->setFocus();

    // Load: the file as it is now; an unreadable file gives an empty box.
    if (beforeLoadHook())
        beforeLoadHook()();
    m_text1->setPlainText(d2sEngine::readTextFile(readmePath()));
}

ReadmeWindow::~ReadmeWindow() {
    controls::unregisterLoadedWindow(this);
}

QString ReadmeWindow::readmePath() {
    return d2sEngine::programFolder() + QStringLiteral("readme.txt");
}

void showReadme(QWidget* owner) {
    if (!d2sEngine::fileExists(ReadmeWindow::readmePath())) {
        controls::msgBox(ReadmeWindow::tr("The readme file has either been deleted from your hard drive, or moved to "
                                          "another directory.\r\nPlease move the readme file back to it's original "
                                          "directory, or re-install the program to look at it!"),
                         controls::mb::Critical, ReadmeWindow::tr("Missing file...."));
        return;
    }
    ReadmeWindow viewer(owner);
    viewer.exec();
}

} // namespace quillmere::app

#include "app/main_window.h"

#include "app/about.h"
#include "app/game_choice.h"
#include "app/launcher.h"
#include "app/readme_window.h"
#include "archive/backup_dialog.h"
#include "archive/restore_dialog.h"
#include "character/preview_panel.h"
#include "controls/classic_frame.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/file_list_box.h"
#include "controls/message_box.h"
#include "controls/mouse_pointer.h"
#include "controls/status_bar.h"
#include "controls/twips.h"
#include "controls/window_list.h"
#include "game/regedit.h"
#include "titlebar/gradient_title_bar.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QStyle>
#include <QToolButton>

namespace quillmere::app {

using controls::twipsRect;
using controls::twipsSize;

namespace {

QFrame* makeSeparatorBar(QWidget* parent, const char* name, QRect geometry) {
    auto* bar = new QFrame(parent);
    bar->setObjectName(QLatin1String(name));
    bar->setFrameShape(QFrame::HLine);
    bar->setFrameShadow(QFrame::Sunken);
    bar->setGeometry(geometry);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setAutoFillBackground(true); // covers what lies beneath it, as a classic frame does
    return bar;
}

QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QLatin1String(name));
    button->setGeometry(geometry);
    return button;
}

} // namespace

MainWindow::MainWindow(Launcher& launcher, archive::ShellFileCopy& fileCopy, QWidget* parent)
    : QMainWindow(parent)
    , m_launcher(launcher)
    , m_fileCopy(fileCopy) {
    setObjectName(QStringLiteral("frmMain"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowIcon(QIcon(QStringLiteral(":/images/quillmere.png")));
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    controls::registerLoadedWindow(this);

    buildControls();
    buildMenus();
    // Fixed dialog border: the client area keeps its designed size below the menu bar. The title
    // bar painter adds its frame and caption around this size.
    const QSize client = twipsSize(9840, 5415);
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height());
    startUp();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    connect(qApp, &QGuiApplication::commitDataRequest, this, &MainWindow::commitData);
}

MainWindow::~MainWindow() = default;

QString MainWindow::productCaption() {
    return QStringLiteral("Quillmere - Beta v%1.%2").arg(QUILLMERE_VERSION_MAJOR).arg(QUILLMERE_VERSION_MINOR);
}

void MainWindow::buildControls() {
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    setCentralWidget(client);

    m_separator1 = makeSeparatorBar(client, "frameSeperatorBar1", twipsRect(0, 0, 10575, 135));

    m_picture1 = new QLabel(client);
    m_picture1->setObjectName(QStringLiteral("Picture1"));
    m_picture1->setGeometry(twipsRect(0, 120, 2535, 5055));
    m_picture1->setPixmap(QPixmap(QStringLiteral(":/images/side.png")));
    m_picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture1->setAccessibleName(tr("Quillmere"));

    m_frame1 = new QGroupBox(tr("Character Selection: Backup"), client);
    m_frame1->setObjectName(QStringLiteral("Frame1"));
    m_frame1->setGeometry(twipsRect(2640, 240, 4455, 4815));
    controls::useClassicFrame(m_frame1);

    m_label1 = new QLabel(tr("Please select an existing character that you would like to backup:"), m_frame1);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label1->setGeometry(twipsRect(120, 360, 2655, 615));
    m_label1->setWordWrap(true);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The drive and folder lists only show where the save folder is; the user works in the file list.
    const QColor menuColour = QApplication::palette("QMenu").color(QPalette::Window);
    m_drive1 = new controls::DriveListBox(m_frame1);
    m_drive1->setObjectName(QStringLiteral("Drive1"));
    m_drive1->setGeometry(twipsRect(120, 960, 2415, 315));
    m_drive1->setAccessibleName(tr("Drive"));

    m_dir1 = new controls::DirListBox(m_frame1);
    m_dir1->setObjectName(QStringLiteral("Dir1"));
    m_dir1->setGeometry(twipsRect(120, 1320, 2415, 2115));
    m_dir1->setAccessibleName(tr("Folder"));

    for (QWidget* list : {static_cast<QWidget*>(m_drive1), static_cast<QWidget*>(m_dir1)}) {
        list->setEnabled(false);
        QPalette palette = list->palette();
        for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
            palette.setColor(group, QPalette::Base, menuColour);
            palette.setColor(group, QPalette::Button, menuColour);
        }
        list->setPalette(palette);
        list->setAutoFillBackground(true);
    }

    m_file1 = new controls::FileListBox(QStringLiteral("*.d2s"), m_frame1);
    m_file1->setObjectName(QStringLiteral("File1"));
    m_file1->setGeometry(twipsRect(120, 3480, 2415, 1260));
    m_file1->setAccessibleName(tr("Character files"));

    m_cmdBackup = makeButton(m_frame1, "cmdBackup", tr("&Backup"), twipsRect(2640, 1320, 1695, 615));
    m_cmdBackup->setDefault(true);
    m_cmdRestore = makeButton(m_frame1, "cmdRestore", tr("&Restore"), twipsRect(2640, 2040, 1695, 615));
    m_cmdRefresh = makeButton(m_frame1, "cmdRefresh", tr("R&efresh"), twipsRect(2640, 4080, 1695, 615));

    m_cmdRunD2 = new QToolButton(client);
    m_cmdRunD2->setObjectName(QStringLiteral("cmdRunD2"));
    m_cmdRunD2->setText(tr("&Start Diablo II"));
    QIcon runIcon;
    runIcon.addFile(QStringLiteral(":/images/rund2_32.png"), QSize(32, 32));
    runIcon.addFile(QStringLiteral(":/images/rund2_16.png"), QSize(16, 16));
    m_cmdRunD2->setIcon(runIcon);
    m_cmdRunD2->setIconSize(QSize(32, 32));
    m_cmdRunD2->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_cmdRunD2->setGeometry(twipsRect(7200, 360, 2535, 975));
    m_cmdRunD2->setFocusPolicy(Qt::StrongFocus);

    m_preview = new character::PreviewPanel(character::PreviewPanel::Variant::MainWindow, client);
    m_preview->move(twipsRect(7560, 2400, 1815, 1575).topLeft());

    m_separator2 = makeSeparatorBar(client, "framSeperatorBar2", twipsRect(0, 5040, 10695, 135));

    m_statusBar = new controls::StatusBar(client);
    m_statusBar->setObjectName(QStringLiteral("StatusBar"));
    m_statusBar->setGeometry(twipsRect(0, 5160, 9840, 255));
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setAccessibleName(tr("Status bar"));

    // Keyboard order of the layout; the disabled lists are skipped, so focus starts in the file list.
    setTabOrder(m_drive1, m_dir1);
    setTabOrder(m_dir1, m_file1);
    setTabOrder(m_file1, m_cmdRunD2);
    setTabOrder(m_cmdRunD2, m_cmdRestore);
    setTabOrder(m_cmdRestore, m_cmdBackup);
    setTabOrder(m_cmdBackup, m_cmdRefresh);
    m_file1->setFocus();

    connect(m_drive1, &controls::DriveListBox::changed, this, &MainWindow::driveRule);
    connect(m_dir1, &controls::DirListBox::changed, this, &MainWindow::folderRule);
    connect(m_file1, &controls::FileListBox::selectionEvent, this,
            [this] { m_preview->PreviewSelection(m_file1->fileName()); });
    connect(m_cmdBackup, &QPushButton::clicked, this, &MainWindow::cmdBackup_Click);
    connect(m_cmdRestore, &QPushButton::clicked, this, &MainWindow::cmdRestore_Click);
    connect(m_cmdRefresh, &QPushButton::clicked, this, &MainWindow::cmdRefresh_Click);
    connect(m_cmdRunD2, &QToolButton::clicked, this, &MainWindow::cmdRunD2_Click);

    // Enter presses the command button that has the focus, and the default button anywhere else.
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_file1, m_cmdBackup, m_cmdRestore, m_cmdRefresh, m_cmdRunD2})
        widget->installEventFilter(this);
}

void MainWindow::buildMenus() {
    QMenu* file = menuBar()->addMenu(tr("&File"));
    file->setObjectName(QStringLiteral("mnuFile"));
    QAction* backup = file->addAction(tr("Backup"), QKeySequence(Qt::CTRL | Qt::Key_B));
    backup->setObjectName(QStringLiteral("mnuFile_Backup"));
    QAction* restore = file->addAction(tr("Restore"), QKeySequence(Qt::CTRL | Qt::Key_R));
    restore->setObjectName(QStringLiteral("mnuFile_Restore"));
    file->addSeparator()->setObjectName(QStringLiteral("mnuFile_seperator1"));
    QAction* selectGame = file->addAction(tr("Select &Game..."));
    selectGame->setObjectName(QStringLiteral("mnuFile_SelectGame"));
    connect(selectGame, &QAction::triggered, this, &MainWindow::mnuFile_SelectGame_Click);
    QAction* format = file->addAction(tr("F&ormat floppy disk..."));
    format->setObjectName(QStringLiteral("mnuFile_FormatDisk"));
    file->addSeparator()->setObjectName(QStringLiteral("mnuFile_seperator2"));
    QAction* exit = file->addAction(tr("&One!"));
    exit->setObjectName(QStringLiteral("mnuFile_Exit"));

    QMenu* help = menuBar()->addMenu(tr("&Help"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    QAction* about = help->addAction(tr("&About"));
    about->setObjectName(QStringLiteral("mnuHelp_About"));
    help->addSeparator()->setObjectName(QStringLiteral("mnuHelp_seperator3"));
    QAction* readme = help->addAction(tr("&Readme.txt"));
    readme->setObjectName(QStringLiteral("mnuHelp_Readme"));

    // Shortcuts work while the menus are closed.
    for (QAction* action : {backup, restore})
        action->setShortcutContext(Qt::WindowShortcut);
    addActions({backup, restore});

    connect(backup, &QAction::triggered, this, &MainWindow::cmdBackup_Click);
    connect(restore, &QAction::triggered, this, &MainWindow::cmdRestore_Click);
    connect(format, &QAction::triggered, this, &MainWindow::mnuFile_FormatDisk_Click);
    connect(exit, &QAction::triggered, this, &QWidget::close);
    connect(about, &QAction::triggered, this, &MainWindow::mnuHelp_About_Click);
    connect(readme, &QAction::triggered, this, &MainWindow::mnuHelp_Readme_Click);
}

void MainWindow::startUp() {
    titlebar::InstallGradientTitleBar(this);
    setWindowTitle(productCaption());

    readSaveFolder();
    m_preview->ResetPreview();
}

void MainWindow::readSaveFolder() {
    const QString saveFolder = regedit::saveFolder();
    // A missing save folder must not leave the list showing whatever folder happens to be current.
    m_saveFolderFound = !saveFolder.isEmpty() && m_dir1->setPath(saveFolder);
    if (!m_saveFolderFound) {
        m_file1->clear();
        m_file1->setToolTip(tr("The game's save folder was not found."));
        m_label1->setText(tr("The Diablo II save folder was not found: no characters can be listed."));
        m_label1->setStyleSheet(QStringLiteral("color: #ff0000;"));
    }
}

void MainWindow::showNotice(const QString& text) {
    if (text.isEmpty() || !m_saveFolderFound)
        return; // the save folder's own message says more
    m_label1->setText(text);
    m_label1->setStyleSheet(QStringLiteral("color: #ff0000;"));
}

void MainWindow::mnuFile_SelectGame_Click() {
    if (!m_gameChoice || !m_gameChoice->chooseAgain(this))
        return;
    controls::BusyPointer busy;
    m_label1->setText(tr("Please select an existing character that you would like to backup:"));
    m_label1->setStyleSheet(QString());
    m_file1->setToolTip(QString());
    // Another prefix has other drives, and the same folder name there holds other files.
    m_drive1->refreshDrives();
    readSaveFolder();
    if (m_saveFolderFound) {
        m_dir1->refresh();
        m_file1->setPath(m_dir1->path());
    }
    m_preview->ResetPreview();
}

void MainWindow::driveRule() {
    m_dir1->setPath(m_drive1->drive());
    m_drive1->setDrive(m_dir1->path());
}

void MainWindow::folderRule() {
    m_file1->setPath(m_dir1->path());
    m_dir1->setPath(m_file1->path());
}

void MainWindow::cmdRefresh_Click() {
    controls::BusyPointer busy;
    repaint();
    if (m_saveFolderFound)
        m_file1->refresh();
    m_preview->ResetPreview();
}

void MainWindow::cmdBackup_Click() {
    if (m_file1->fileName().isEmpty()) {
        controls::msgBox(tr("You have not selected a file yet!"), controls::mb::Critical, tr("No File Selected..."));
        return;
    }
    archive::BackupDialog dialog(m_file1->fileName(), m_fileCopy);
    dialog.exec();
}

void MainWindow::cmdRestore_Click() {
    archive::RestoreDialog dialog(m_fileCopy);
    dialog.exec();
}

void MainWindow::cmdRunD2_Click() {
    m_launcher.startGame();
}

void MainWindow::mnuFile_FormatDisk_Click() {
    m_launcher.formatFloppyDisk();
}

void MainWindow::mnuHelp_About_Click() {
    showAbout();
}

void MainWindow::mnuHelp_Readme_Click() {
    showReadme(this);
}

bool MainWindow::confirmClose() {
    return controls::msgBox(tr("Are you sure you want to exit?"), controls::mb::YesNo, tr("Exiting Program...")) ==
           controls::mb::AnswerYes;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    // Unload every other window first, without a question of its own.
    const QString caption = windowTitle();
    for (bool closedOne = true; closedOne;) {
        closedOne = false;
        for (QWidget* window : controls::loadedWindows()) {
            if (window == this || window->windowTitle() == caption)
                continue;
            window->hide();
            window->deleteLater();
            controls::unregisterLoadedWindow(window);
            closedOne = true;
            break;
        }
    }
    event->accept();
}

void MainWindow::commitData(QSessionManager& manager) {
    if (!manager.allowsInteraction())
        return;
    const bool leave = confirmClose();
    manager.release();
    if (!leave)
        manager.cancel();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (event->type() == QEvent::FocusIn) {
        // The default button's mark moves to a command button while that has the focus.
        m_cmdBackup->setDefault(!button || button == m_cmdBackup);
        for (QPushButton* other : {m_cmdRestore, m_cmdRefresh})
            other->setDefault(other == button);
    } else if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
            (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            (button ? button : m_cmdBackup)->click();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

} // namespace quillmere::app

#include "app/main_window.h"

#include "app/about.h"
#include "app/game_choice.h"
#include "app/launcher.h"
#include "app/readme_window.h"
#include "app/undo_restore.h"
#include "archive/backup_dialog.h"
#include "archive/restore_dialog.h"
#include "archive/restore_history.h"
#include "character/preview_panel.h"
#include "controls/classic_frame.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/enter_key_rule.h"
#include "controls/file_list_box.h"
#include "controls/folder_lists.h"
#include "controls/message_box.h"
#include "controls/mouse_pointer.h"
#include "controls/placement.h"
#include "controls/status_bar.h"
#include "controls/window_list.h"
#include "game/regedit.h"
#include "titlebar/gradient_title_bar.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QToolButton>

namespace quillmere::app {

using controls::place;

namespace {

QFrame* makeSeparatorBar(QWidget* parent, const char* name, const QRect& twipsGeometry) {
    auto* bar = place(new QFrame(parent), name, twipsGeometry);
    bar->setFrameShape(QFrame::HLine);
    bar->setFrameShadow(QFrame::Sunken);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setAutoFillBackground(true); // covers what lies beneath it, as a classic frame does
    return bar;
}

// A list that only shows where the save folder is: disabled, on the system menu's colour.
void showOnly(QWidget* list) {
    const QColor menuColour = QApplication::palette("QMenu").color(QPalette::Window);
    list->setEnabled(false);
    QPalette palette = list->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, menuColour);
        palette.setColor(group, QPalette::Button, menuColour);
    }
    list->setPalette(palette);
    list->setAutoFillBackground(true);
}

} // namespace

MainWindow::MainWindow(Launcher& launcher, archive::ShellFileCopy& fileCopy, archive::RestoreHistory& history,
                       titlebar::GradientTitleBar& titleBar, QWidget* parent)
    : QMainWindow(parent)
    , m_launcher(launcher)
    , m_fileCopy(fileCopy)
    , m_history(history) {
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
    const QSize client = controls::twipsSize({9840, 5415});
    setFixedSize(client.width(), client.height() + menuBar()->sizeHint().height());
    startUp(titleBar);
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

    m_separator1 = makeSeparatorBar(client, "frameSeperatorBar1", {0, 0, 10575, 135});
    m_picture1 = place(new QLabel(client), "Picture1", {0, 120, 2535, 5055});
    m_picture1->setPixmap(QPixmap(QStringLiteral(":/images/side.png")));
    m_picture1->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_picture1->setAccessibleName(tr("Quillmere"));
    buildFrame1(client);
    buildRunButton(client);
    m_preview = new character::PreviewPanel(character::PreviewPanel::Variant::MainWindow, client);
    m_preview->move(controls::twipsRect({7560, 2400, 1815, 1575}).topLeft());
    m_separator2 = makeSeparatorBar(client, "framSeperatorBar2", {0, 5040, 10695, 135});
    buildStatusBar(client);

    // Keyboard order of the layout; the disabled lists are skipped, so focus starts in the file list.
    controls::setTabChain({m_drive1, m_dir1, m_file1, m_cmdRunD2, m_cmdRestore, m_cmdBackup, m_cmdRefresh});
    m_file1->setFocus();
    connectControls();
}

void MainWindow::buildFrame1(QWidget* client) {
    m_frame1 = place(new QGroupBox(tr("Character Selection: Backup"), client), "Frame1", {2640, 240, 4455, 4815});
    controls::useClassicFrame(m_frame1);
    m_label1 = place(new QLabel(selectCharacterText(), m_frame1), "Label1", {120, 360, 2655, 615});
    m_label1->setWordWrap(true);
    m_label1->setAlignment(Qt::AlignLeft | Qt::AlignTop);

    // The drive and folder lists only show where the save folder is; the user works in the file list.
    m_drive1 = controls::makeDriveList(m_frame1, {120, 960, 2415, 315});
    m_dir1 = controls::makeDirList(m_frame1, {120, 1320, 2415, 2115});
    showOnly(m_drive1);
    showOnly(m_dir1);
    m_file1 = controls::makeFileList(m_frame1, QStringLiteral("*.d2s"), {120, 3480, 2415, 1260});

    m_cmdBackup = place(new QPushButton(tr("&Backup"), m_frame1), "cmdBackup", {2640, 1320, 1695, 615});
    m_cmdBackup->setDefault(true);
    m_cmdRestore = place(new QPushButton(tr("&Restore"), m_frame1), "cmdRestore", {2640, 2040, 1695, 615});
    m_cmdRefresh = place(new QPushButton(tr("R&efresh"), m_frame1), "cmdRefresh", {2640, 4080, 1695, 615});
}

void MainWindow::buildRunButton(QWidget* client) {
    m_cmdRunD2 = place(new QToolButton(client), "cmdRunD2", {7200, 360, 2535, 975});
    m_cmdRunD2->setText(tr("&Start Diablo II"));
    QIcon runIcon;
    runIcon.addFile(QStringLiteral(":/images/rund2_32.png"), QSize(32, 32));
    runIcon.addFile(QStringLiteral(":/images/rund2_16.png"), QSize(16, 16));
    m_cmdRunD2->setIcon(runIcon);
    m_cmdRunD2->setIconSize(QSize(32, 32));
    m_cmdRunD2->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    m_cmdRunD2->setFocusPolicy(Qt::StrongFocus);
}

void MainWindow::buildStatusBar(QWidget* client) {
    m_statusBar = place(new controls::StatusBar(client), "StatusBar", {0, 5160, 9840, 255});
    m_statusBar->setSizeGripEnabled(false);
    m_statusBar->setAccessibleName(tr("Status bar"));
}

void MainWindow::connectControls() {
    controls::followDriveRule(m_drive1, m_dir1);
    controls::followFolderRule(m_dir1, m_file1);
    connect(m_file1, &controls::FileListBox::selectionEvent, this,
            [this] { m_preview->PreviewSelection(m_file1->fileName()); });
    connect(m_cmdBackup, &QPushButton::clicked, this, &MainWindow::cmdBackup_Click);
    connect(m_cmdRestore, &QPushButton::clicked, this, &MainWindow::cmdRestore_Click);
    connect(m_cmdRefresh, &QPushButton::clicked, this, &MainWindow::cmdRefresh_Click);
    connect(m_cmdRunD2, &QToolButton::clicked, this, &MainWindow::cmdRunD2_Click);
    new controls::EnterKeyRule(m_cmdBackup, {m_cmdBackup, m_cmdRestore, m_cmdRefresh, m_cmdRunD2}, {m_file1});
}

void MainWindow::buildMenus() {
    struct Item {
        const char* name;
        const char* caption; // none for a separator
        QKeySequence shortcut;
        void (MainWindow::*run)();
    };
    static const Item kFileItems[] = {
        {"mnuFile_Backup", QT_TR_NOOP("Backup"), QKeySequence(Qt::CTRL | Qt::Key_B), &MainWindow::cmdBackup_Click},
        {"mnuFile_Restore", QT_TR_NOOP("Restore"), QKeySequence(Qt::CTRL | Qt::Key_R), &MainWindow::cmdRestore_Click},
        {"mnuFile_UndoRestore", QT_TR_NOOP("&Undo Last Restore"), {}, &MainWindow::mnuFile_UndoRestore_Click},
        {"mnuFile_seperator1", nullptr, {}, nullptr},
        {"mnuFile_SelectGame", QT_TR_NOOP("Select &Game..."), {}, &MainWindow::mnuFile_SelectGame_Click},
        {"mnuFile_FormatDisk", QT_TR_NOOP("F&ormat floppy disk..."), {}, &MainWindow::mnuFile_FormatDisk_Click},
        {"mnuFile_seperator2", nullptr, {}, nullptr},
        {"mnuFile_Exit", QT_TR_NOOP("&One!"), {}, &MainWindow::mnuFile_Exit_Click},
    };
    static const Item kHelpItems[] = {
        {"mnuHelp_About", QT_TR_NOOP("&About"), {}, &MainWindow::mnuHelp_About_Click},
        {"mnuHelp_seperator3", nullptr, {}, nullptr},
        {"mnuHelp_Readme", QT_TR_NOOP("&Readme.txt"), {}, &MainWindow::mnuHelp_Readme_Click},
    };
    const auto fill = [this](QMenu* menu, const char* name, const auto& items) {
        menu->setObjectName(QLatin1String(name));
        for (const Item& item : items) {
            QAction* action = item.caption ? menu->addAction(tr(item.caption)) : menu->addSeparator();
            action->setObjectName(QLatin1String(item.name));
            if (item.run)
                connect(action, &QAction::triggered, this, item.run);
            if (item.shortcut.isEmpty())
                continue;
            action->setShortcut(item.shortcut);
            // Shortcuts work while the menus are closed.
            action->setShortcutContext(Qt::WindowShortcut);
            addAction(action);
        }
    };
    QMenu* file = menuBar()->addMenu(tr("&File"));
    fill(file, "mnuFile", kFileItems);
    // Another copy of the program may have restored or undone meanwhile.
    connect(file, &QMenu::aboutToShow, this, &MainWindow::updateUndoItem);
    fill(menuBar()->addMenu(tr("&Help")), "mnuHelp", kHelpItems);
}

void MainWindow::startUp(titlebar::GradientTitleBar& titleBar) {
    titleBar.InstallGradientTitleBar(this);
    setWindowTitle(productCaption());

    readSaveFolder();
    m_preview->ResetPreview();
    updateUndoItem();
}

void MainWindow::updateUndoItem() {
    if (auto* undo = findChild<QAction*>(QStringLiteral("mnuFile_UndoRestore")))
        undo->setEnabled(m_history.lastRestore().has_value());
}

void MainWindow::readSaveFolder() {
    const QString saveFolder = regedit::saveFolder();
    // A missing save folder must not leave the list showing whatever folder happens to be current.
    m_saveFolderFound = !saveFolder.isEmpty() && m_dir1->setPath(saveFolder);
    if (!m_saveFolderFound) {
        m_file1->clear();
        m_file1->setToolTip(tr("The game's save folder was not found."));
        showInstruction(tr("The Diablo II save folder was not found: no characters can be listed."), true);
    }
}

QString MainWindow::selectCharacterText() {
    return tr("Please select an existing character that you would like to backup:");
}

void MainWindow::showInstruction(const QString& text, bool warning) {
    m_label1->setText(text);
    m_label1->setStyleSheet(warning ? QStringLiteral("color: #ff0000;") : QString());
}

void MainWindow::showNotice(const QString& text) {
    if (text.isEmpty() || !m_saveFolderFound)
        return; // the save folder's own message says more
    showInstruction(text, true);
}

void MainWindow::mnuFile_SelectGame_Click() {
    if (!m_gameChoice || !m_gameChoice->chooseAgain(this))
        return;
    controls::BusyPointer busy;
    showInstruction(selectCharacterText(), false);
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

void MainWindow::cmdRefresh_Click() {
    controls::BusyPointer busy;
    // Reading the folder holds the event loop: paint the window now, so that it stands whole on
    // the screen (a box just closed over it included) while the hourglass shows.
    repaint();
    if (m_saveFolderFound)
        m_file1->refresh();
    m_preview->ResetPreview();
}

void MainWindow::cmdBackup_Click() {
    if (m_file1->fileName().isEmpty()) {
        controls::msgBox(tr("You have not selected a file yet!"), controls::MsgStyle::Critical,
                         tr("No File Selected..."));
        return;
    }
    archive::BackupDialog dialog(m_file1->fileName(), m_fileCopy);
    dialog.exec();
}

void MainWindow::cmdRestore_Click() {
    archive::RestoreDialog dialog(m_fileCopy, m_history);
    dialog.exec();
    updateUndoItem();
}

void MainWindow::mnuFile_UndoRestore_Click() {
    undoLastRestore(m_history, [this] {
        updateUndoItem();
        cmdRefresh_Click();
    });
    updateUndoItem();
}

void MainWindow::cmdRunD2_Click() {
    m_launcher.startGame();
}

void MainWindow::mnuFile_FormatDisk_Click() {
    m_launcher.formatFloppyDisk();
}

void MainWindow::mnuFile_Exit_Click() {
    close();
}

void MainWindow::mnuHelp_About_Click() {
    showAbout();
}

void MainWindow::mnuHelp_Readme_Click() {
    showReadme(this);
}

bool MainWindow::confirmClose() {
    return controls::msgBox(tr("Are you sure you want to exit?"), controls::MsgStyle::YesNo,
                            tr("Exiting Program...")) == controls::MsgAnswer::Yes;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!confirmClose()) {
        event->ignore();
        return;
    }
    // Unload every other window first, without a question of its own. Windows are told apart by
    // their captions, as the program always has: one that carries the main window's caption counts
    // as the main window and closes with it, and the walk ends when only such windows are left.
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

} // namespace quillmere::app

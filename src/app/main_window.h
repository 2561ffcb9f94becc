#pragma once

#include <QMainWindow>

class QAction;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QSessionManager;
class QToolButton;

namespace quillmere::controls {
class DirListBox;
class DriveListBox;
class FileListBox;
class StatusBar;
} // namespace quillmere::controls

namespace quillmere::character {
class PreviewPanel;
}

namespace quillmere::archive {
class RestoreHistory;
class ShellFileCopy;
} // namespace quillmere::archive

namespace quillmere::titlebar {
class GradientTitleBar;
}

namespace quillmere::app {

class GameChoice;
class Launcher;

// frmMain: the program's start-up object and only long-lived window. It lists the save folder's
// character files; every command is reached from its buttons and menus.
class MainWindow final : public QMainWindow {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(MainWindow)
public:
    // The launcher starts the game and the disk utility; fileCopy makes the backup and restore copies;
    // history keeps what restores replaced, for "Undo Last Restore"; the title bar module paints the
    // caption of the first window it is given. The caller keeps them all alive.
    MainWindow(Launcher& launcher, archive::ShellFileCopy& fileCopy, archive::RestoreHistory& history,
               titlebar::GradientTitleBar& titleBar, QWidget* parent = nullptr);
    ~MainWindow() override;

    // "Quillmere - Beta v1.4", from the program's version numbers.
    static QString productCaption();

    // Where "Select Game..." finds the games to choose among; the caller keeps it alive.
    void setGameChoice(GameChoice* choice) { m_gameChoice = choice; }
    // A word about how the game was chosen (a remembered game not found), in red over the lists.
    void showNotice(const QString& text);

    // Command handlers, one per control event; menu items call the same ones.
    void cmdBackup_Click();
    void cmdRestore_Click();
    void cmdRefresh_Click();
    void cmdRunD2_Click();
    void mnuFile_UndoRestore_Click();
    void mnuFile_SelectGame_Click();
    void mnuFile_FormatDisk_Click();
    void mnuFile_Exit_Click();
    void mnuHelp_About_Click();
    void mnuHelp_Readme_Click();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    void buildFrame1(QWidget* client);
    void buildRunButton(QWidget* client);
    void buildStatusBar(QWidget* client);
    void connectControls();
    void buildMenus();
    void startUp(titlebar::GradientTitleBar& titleBar);
    void readSaveFolder();
    // "Undo Last Restore" is offered only while there is a restore to undo.
    void updateUndoItem();
    static QString selectCharacterText();
    // Label1's text, in red when it warns.
    void showInstruction(const QString& text, bool warning);
    bool confirmClose();
    void commitData(QSessionManager& manager);

    Launcher& m_launcher;
    archive::ShellFileCopy& m_fileCopy;
    archive::RestoreHistory& m_history;
    GameChoice* m_gameChoice = nullptr;
    bool m_saveFolderFound = false;

    QFrame* m_separator1 = nullptr;
    QLabel* m_picture1 = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QLabel* m_label1 = nullptr;
    controls::DriveListBox* m_drive1 = nullptr;
    controls::DirListBox* m_dir1 = nullptr;
    controls::FileListBox* m_file1 = nullptr;
    QPushButton* m_cmdBackup = nullptr;
    QPushButton* m_cmdRestore = nullptr;
    QPushButton* m_cmdRefresh = nullptr;
    QToolButton* m_cmdRunD2 = nullptr;
    character::PreviewPanel* m_preview = nullptr;
    QFrame* m_separator2 = nullptr;
    controls::StatusBar* m_statusBar = nullptr;
};

} // namespace quillmere::app

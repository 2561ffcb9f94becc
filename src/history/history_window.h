#pragma once

#include "controls/fixed_dialog.h"
#include "history/history_model.h"
#include "snapshots/game_ref.h"

class QLabel;
class QListWidget;
class QPushButton;
class QTreeWidget;

namespace quillmere::archive {
class RestoreHistory;
class ShellFileCopy;
} // namespace quillmere::archive

namespace quillmere::character {
class PreviewPanel;
}

namespace quillmere::snapshots {
class AutoSnapshots;
class SnapshotStore;
} // namespace quillmere::snapshots

namespace quillmere::history {

// frmHistory: every character of the chosen game's history with each version it had, and the one
// selected previewed, restored, pinned or exported. Snapshots taken while it is open show at once.
class HistoryWindow final : public controls::FixedDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryWindow)
public:
    // Everything given stays the caller's; automatic may be null.
    HistoryWindow(const snapshots::GameRef& game, snapshots::SnapshotStore& store, archive::RestoreHistory& restores,
                  archive::ShellFileCopy& fileCopy, snapshots::AutoSnapshots* automatic, QWidget* owner = nullptr);
    ~HistoryWindow() override;

    void cmdRestore_Click();
    void cmdPin_Click();
    void cmdExport_Click();

    // Reads the history again, keeping the selection where it can.
    void reload();

private:
    void buildControls();
    void connectControls();
    void showCharacters();
    void characterSelected();
    void versionSelected();
    void showSummary();
    const CharacterRow* selectedCharacter() const;
    const VersionRow* selectedVersion() const;
    // The first of a version's files whose stored content is not whole; empty when all are.
    QString damagedFile(const VersionRow& version);

    snapshots::GameRef m_game;
    snapshots::SnapshotStore& m_store;
    archive::RestoreHistory& m_restores;
    archive::ShellFileCopy& m_fileCopy;
    HistoryModel m_model;
    std::optional<snapshots::CharacterVersion> m_now; // the selected character as the save folder holds it
    QHash<QByteArray, bool> m_whole;                  // stored contents checked so far

    QLabel* m_lblCharacters = nullptr;
    QListWidget* m_lstCharacters = nullptr;
    QLabel* m_lblVersions = nullptr;
    QTreeWidget* m_lstVersions = nullptr;
    character::PreviewPanel* m_preview = nullptr;
    QPushButton* m_cmdRestore = nullptr;
    QPushButton* m_cmdPin = nullptr;
    QPushButton* m_cmdExport = nullptr;
    QPushButton* m_cmdClose = nullptr;
    QLabel* m_lblSummary = nullptr;
};

} // namespace quillmere::history

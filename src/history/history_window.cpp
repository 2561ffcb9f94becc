#include "history/history_window.h"

#include "character/preview_panel.h"
#include "controls/classic_frame.h"
#include "controls/enter_key_rule.h"
#include "controls/message_box.h"
#include "controls/mouse_pointer.h"
#include "controls/placement.h"
#include "history/export_dialog.h"
#include "history/history_actions.h"
#include "snapshots/auto_snapshots.h"
#include "snapshots/character_text.h"
#include "snapshots/snapshot_store.h"

#include <QHeaderView>
#include <QLabel>
#include <QListWidget>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>

namespace quillmere::history {

using controls::place;

namespace {

constexpr int kGroupRole = Qt::UserRole;
constexpr int kSnapshotRole = Qt::UserRole + 1;

// The stash has no level to show: its files tell its versions apart.
QString stashFiles(const snapshots::CharacterVersion& stash) {
    QStringList names;
    for (const snapshots::FileEntry& file : stash.files)
        names << QStringLiteral("%1 (%2)").arg(file.name,
                                               QLocale::c().formattedDataSize(file.size, 1, QLocale::DataSizeSIFormat));
    return names.join(QStringLiteral(", "));
}

QString shownTime(const QDateTime& time) {
    return QLocale::c().toString(time.toLocalTime(), QStringLiteral("d MMM yyyy HH:mm"));
}

} // namespace

HistoryWindow::HistoryWindow(const snapshots::GameRef& game, snapshots::SnapshotStore& store,
                             archive::RestoreHistory& restores, archive::ShellFileCopy& fileCopy,
                             snapshots::AutoSnapshots* automatic, QWidget* owner)
    : FixedDialog(owner, "frmHistory", tr("History"), {10710, 5505})
    , m_game(game)
    , m_store(store)
    , m_restores(restores)
    , m_fileCopy(fileCopy) {
    buildControls();
    connectControls();
    if (automatic)
        connect(automatic, &snapshots::AutoSnapshots::snapshotTaken, this, &HistoryWindow::reload);
    reload();
    m_lstCharacters->setFocus();
}

HistoryWindow::~HistoryWindow() = default;

void HistoryWindow::buildControls() {
    m_lblCharacters = place(new QLabel(tr("&Characters:"), this), "lblCharacters", {120, 120, 2175, 255});
    m_lstCharacters = place(new QListWidget(this), "lstCharacters", {120, 360, 2175, 4455});
    m_lstCharacters->setAccessibleName(tr("Characters"));
    m_lblCharacters->setBuddy(m_lstCharacters);

    m_lblVersions = place(new QLabel(tr("&Versions:"), this), "lblVersions", {2415, 120, 6240, 255});
    m_lstVersions = place(new QTreeWidget(this), "lstVersions", {2415, 360, 6240, 4455});
    m_lstVersions->setHeaderLabels({tr("Taken"), tr("Character"), tr("Compared with now")});
    m_lstVersions->setRootIsDecorated(false);
    m_lstVersions->setAllColumnsShowFocus(true);
    m_lstVersions->header()->setStretchLastSection(true);
    m_lstVersions->setColumnWidth(0, controls::twipsSize({1500, 0}).width());
    m_lstVersions->setColumnWidth(1, controls::twipsSize({2250, 0}).width());
    m_lstVersions->setAccessibleName(tr("Versions"));
    m_lblVersions->setBuddy(m_lstVersions);

    m_preview = new character::PreviewPanel(character::PreviewPanel::Variant::RestoreDialog, this);
    m_preview->move(controls::twipsRect({8775, 240, 1815, 1575}).topLeft());
    m_preview->setAccessibleName(tr("Preview of the version"));

    m_cmdRestore = place(new QPushButton(tr("&Restore"), this), "cmdRestore", {8775, 2040, 1815, 495});
    m_cmdPin = place(new QPushButton(tr("&Pin"), this), "cmdPin", {8775, 2640, 1815, 495});
    m_cmdExport = place(new QPushButton(tr("&Export..."), this), "cmdExport", {8775, 3240, 1815, 495});
    m_cmdClose = place(new QPushButton(tr("C&lose"), this), "cmdClose", {8775, 4320, 1815, 495});
    m_cmdClose->setDefault(true);
    for (QPushButton* button : {m_cmdRestore, m_cmdPin, m_cmdExport, m_cmdClose})
        button->setAccessibleName(button->text().remove(u'&').remove(QStringLiteral("...")));

    m_lblSummary = place(new QLabel(this), "lblSummary", {120, 4995, 10470, 375});
    m_lblSummary->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_lblSummary->setAccessibleName(tr("What the history holds"));

    controls::setTabChain({m_lstCharacters, m_lstVersions, m_cmdRestore, m_cmdPin, m_cmdExport, m_cmdClose});
    new controls::EnterKeyRule(m_cmdClose, {m_cmdRestore, m_cmdPin, m_cmdExport, m_cmdClose},
                               {m_lstCharacters, m_lstVersions});
}

void HistoryWindow::connectControls() {
    connect(m_lstCharacters, &QListWidget::currentRowChanged, this, &HistoryWindow::characterSelected);
    connect(m_lstVersions, &QTreeWidget::currentItemChanged, this, &HistoryWindow::versionSelected);
    connect(m_cmdRestore, &QPushButton::clicked, this, &HistoryWindow::cmdRestore_Click);
    connect(m_cmdPin, &QPushButton::clicked, this, &HistoryWindow::cmdPin_Click);
    connect(m_cmdExport, &QPushButton::clicked, this, &HistoryWindow::cmdExport_Click);
    connect(m_cmdClose, &QPushButton::clicked, this, &QDialog::reject);
}

void HistoryWindow::reload() {
    const controls::BusyPointer busy;
    const CharacterRow* character = selectedCharacter();
    const std::optional<QString> group = character ? std::optional(character->group) : std::nullopt;
    const QString snapshot = selectedVersion() ? selectedVersion()->snapshotId : QString();
    m_model = HistoryModel::build(m_store.history(m_game), groupsInFolder(m_store.io(), m_game.saveFolderHost));
    showCharacters();
    for (int row = 0; group && row < m_lstCharacters->count(); ++row) {
        if (m_lstCharacters->item(row)->data(kGroupRole).toString() == *group)
            m_lstCharacters->setCurrentRow(row);
    }
    for (int row = 0; !snapshot.isEmpty() && row < m_lstVersions->topLevelItemCount(); ++row) {
        if (m_lstVersions->topLevelItem(row)->data(0, kSnapshotRole).toString() == snapshot)
            m_lstVersions->setCurrentItem(m_lstVersions->topLevelItem(row));
    }
    showSummary();
}

void HistoryWindow::showCharacters() {
    const QSignalBlocker quiet(m_lstCharacters);
    m_lstCharacters->clear();
    for (const CharacterRow& row : std::as_const(m_model.characters)) {
        auto* item = new QListWidgetItem(row.display(), m_lstCharacters);
        item->setData(kGroupRole, row.group);
    }
    m_lstCharacters->setCurrentRow(m_lstCharacters->count() > 0 ? 0 : -1);
    characterSelected();
}

void HistoryWindow::characterSelected() {
    const QSignalBlocker quiet(m_lstVersions);
    m_lstVersions->clear();
    const CharacterRow* row = selectedCharacter();
    m_now = row ? characterNow(m_store.io(), m_game.saveFolderHost, row->group) : std::nullopt;
    if (row) {
        for (const VersionRow& version : row->versions) {
            const QString damaged = damagedFile(version);
            QString described = version.character.isStash() ? stashFiles(version.character)
                                                            : snapshots::describeSummary(version.character.summary);
            if (version.pinned)
                described += (described.isEmpty() ? QString() : QStringLiteral(", ")) + tr("pinned");
            auto* item =
                new QTreeWidgetItem(m_lstVersions, {shownTime(version.taken), described,
                                                    damaged.isEmpty() ? comparedWithNow(version.character, m_now)
                                                                      : tr("damaged: %1").arg(damaged)});
            item->setData(0, kSnapshotRole, version.snapshotId);
        }
    }
    m_lstVersions->setCurrentItem(m_lstVersions->topLevelItem(0));
    versionSelected();
}

void HistoryWindow::versionSelected() {
    const VersionRow* version = selectedVersion();
    const game::CharacterSummary* summary =
        version && !version->character.isStash() ? &version->character.summary : nullptr;
    // A version that names its class and level replaces all the preview shows; any other starts
    // from the empty preview.
    if (!summary || !summary->level || !game::characterClass(*summary))
        m_preview->ResetPreview();
    if (summary)
        m_preview->ShowCharacterSummary(*summary);
    const bool whole = version && damagedFile(*version).isEmpty();
    m_cmdRestore->setEnabled(whole);
    m_cmdExport->setEnabled(whole);
    m_cmdPin->setEnabled(version != nullptr);
    const bool pinned = version && version->pinned;
    if (m_cmdPin->accessibleName() != (pinned ? tr("Unpin") : tr("Pin"))) {
        m_cmdPin->setText(pinned ? tr("Un&pin") : tr("&Pin"));
        m_cmdPin->setAccessibleName(pinned ? tr("Unpin") : tr("Pin"));
    }
}

void HistoryWindow::showSummary() {
    QString text = m_model.snapshots == 1 ? tr("1 snapshot") : tr("%1 snapshots").arg(m_model.snapshots);
    if (m_model.newest.isValid())
        text += tr(", newest %1").arg(shownTime(m_model.newest));
    text += QStringLiteral(", ") + QLocale::c().formattedDataSize(m_model.bytes, 1, QLocale::DataSizeSIFormat);
    if (m_model.skipped > 0)
        text += m_model.skipped == 1 ? tr("; 1 damaged snapshot skipped")
                                     : tr("; %1 damaged snapshots skipped").arg(m_model.skipped);
    m_lblSummary->setText(text);
}

const CharacterRow* HistoryWindow::selectedCharacter() const {
    const QListWidgetItem* item = m_lstCharacters ? m_lstCharacters->currentItem() : nullptr;
    return item ? m_model.find(item->data(kGroupRole).toString()) : nullptr;
}

const VersionRow* HistoryWindow::selectedVersion() const {
    const CharacterRow* row = selectedCharacter();
    const QTreeWidgetItem* item = m_lstVersions ? m_lstVersions->currentItem() : nullptr;
    if (!row || !item)
        return nullptr;
    const QString id = item->data(0, kSnapshotRole).toString();
    for (const VersionRow& version : row->versions) {
        if (version.snapshotId == id)
            return &version;
    }
    return nullptr;
}

QString HistoryWindow::damagedFile(const VersionRow& version) {
    for (const snapshots::FileEntry& file : version.character.files) {
        const auto known = m_whole.constFind(file.sha256);
        const bool whole = known != m_whole.cend() ? *known : m_store.checkContent(file.sha256) == 1;
        m_whole.insert(file.sha256, whole);
        if (!whole)
            return file.name;
    }
    return {};
}

void HistoryWindow::cmdRestore_Click() {
    const VersionRow* version = selectedVersion();
    if (!version)
        return;
    const VersionRow chosen = *version; // the lists are read again meanwhile
    restoreVersion(m_game, chosen, m_store, m_restores, m_fileCopy);
    reload();
}

void HistoryWindow::cmdPin_Click() {
    const VersionRow* version = selectedVersion();
    if (!version)
        return;
    QString failure;
    if (!m_store.setPinned(m_game, version->snapshotId, !version->pinned, &failure))
        controls::msgBox(tr("The snapshot could not be changed: %1.").arg(failure), controls::MsgStyle::Critical,
                         tr("Failure!"));
    reload();
}

void HistoryWindow::cmdExport_Click() {
    const VersionRow* version = selectedVersion();
    if (!version)
        return;
    const VersionRow chosen = *version;
    ExportDialog dialog(chosen, m_store, m_fileCopy);
    dialog.exec();
}

} // namespace quillmere::history

#include "archive/restore_dialog.h"

#include "archive/restore_history.h"
#include "archive/save_guard.h"
#include "archive/shell_copy.h"
#include "character/preview_panel.h"
#include "controls/dir_list_box.h"
#include "controls/drive_list_box.h"
#include "controls/file_list_box.h"
#include "controls/folder_lists.h"
#include "controls/message_box.h"
#include "controls/placement.h"
#include "copy/destination_folder.h"
#include "copy/source_files.h"
#include "game/d2s_engine.h"
#include "game/regedit.h"
#include "host/drive_map.h"
#include "winpath/windows_path.h"

#include <QFile>
#include <QPushButton>

namespace quillmere::archive {

ArchiveDialog::Layout RestoreDialog::layout() {
    return {
        .client = {4830, 4800},
        .frameCaption = tr("Character Selection: Restore"),
        .frame = {120, 120, 4575, 3975},
        .instruction = tr("Please select the character you would like to restore:"),
        .label1 = {120, 480, 4095, 255},
        .instructionWraps = false,
        .drive1 = {120, 960, 2175, 315},
        .dir1 = {120, 1320, 2175, 1665},
        .cmdOK = {2520, 1080, 2055, 495},
        .cmdCancel = {2520, 1800, 2055, 495},
        .note = tr("*All characters are restored to the default Diablo 2 saved game directory on your hard drive."),
        .label2 = {120, 4320, 4335, 495},
    };
}

RestoreDialog::RestoreDialog(ShellFileCopy& fileCopy, RestoreHistory& history)
    : ArchiveDialog("frmRestore", tr("Restore..."), layout())
    , m_fileCopy(fileCopy)
    , m_history(history) {
    m_file1 = controls::makeFileList(m_frame1, QStringLiteral("*.d2s"), {120, 3000, 2175, 870});
    m_preview = new character::PreviewPanel(character::PreviewPanel::Variant::RestoreDialog, m_frame1);
    m_preview->move(controls::twipsRect({2520, 2280, 1815, 1575}).topLeft());
    applyEnterRule({m_drive1, m_dir1, m_file1});
    controls::setTabChain({m_drive1, m_dir1, m_file1, m_cmdOK, m_cmdCancel});
    m_drive1->setFocus();

    controls::followFolderRule(m_dir1, m_file1);
    // Another folder lists other characters: the preview of the last one goes.
    connect(m_dir1, &controls::DirListBox::changed, m_preview, &character::PreviewPanel::ResetPreview);
    connect(m_file1, &controls::FileListBox::selectionEvent, this,
            [this] { m_preview->PreviewSelection(m_dir1->path(), m_file1->fileName()); });
    connect(m_cmdOK, &QPushButton::clicked, this, &RestoreDialog::cmdOK_Click);

    // Load: the empty preview; the lists stay on the process's current drive and folder.
    m_preview->ResetPreview();
}

void RestoreDialog::cmdOK_Click() {
    const QString fileName = m_file1->fileName();
    if (fileName.isEmpty()) {
        controls::msgBox(tr("You have not selected a file yet!"), controls::MsgStyle::Critical,
                         tr("No File Selected..."));
        return;
    }
    // No save folder is a failure: nothing is copied anywhere.
    const QString saveFolder = regedit::saveFolder();
    const QString name = d2sEngine::fileTitle(fileName);
    // A backup folder at a drive root is joined with a single separator, as the backup does.
    const QString sourcePattern = winpath::joinWindowsPath(m_dir1->path(), name + QStringLiteral("*.*"));
    if (!saveFolder.isEmpty() && !prepareRestore(name, sourcePattern, saveFolder))
        return;
    const bool copied = !saveFolder.isEmpty() && m_fileCopy.run(sourcePattern, saveFolder);
    reportCopy(copied, tr("All character(s) were successfully restored!"),
               tr("An error occurred while restoring your character!"));
}

bool RestoreDialog::prepareRestore(const QString& character, const QString& sourcePattern, const QString& saveFolder) {
    const copy::SourceListing sources = copy::listSources(sourcePattern, m_fileCopy.io());
    const host::ResolvedPath save = host::resolve(saveFolder);
    if (sources.error || save.status != host::PathStatus::Ok)
        return true; // the copy finds the same fault and tells it
    if (!confirmGoingBackwards(sources.files, save.hostPath))
        return false;
    QStringList names;
    for (const copy::SourceFile& source : sources.files)
        names.append(source.name);
    QString failure;
    if (m_history.keepBeforeRestore(character, saveFolder, save.hostPath, names, &failure))
        return true;
    controls::msgBox(tr("Nothing was restored: the files in the save folder that the restore would replace could "
                        "not be kept so that the restore can be undone.\n\n%1")
                         .arg(failure),
                     controls::MsgStyle::Critical, tr("Failure!"));
    return false;
}

bool RestoreDialog::confirmGoingBackwards(const std::vector<copy::SourceFile>& sources, const QString& saveFolderHost) {
    copy::FolderNames present;
    present.read(m_fileCopy.io(), QFile::encodeName(saveFolderHost)); // unread, nothing is replaced to warn of
    for (const copy::SourceFile& source : sources) {
        if (!source.name.endsWith(QLatin1String(".d2s"), Qt::CaseInsensitive))
            continue;
        const std::optional<QString> existing = present.existing(source.name);
        if (!existing)
            continue;
        const CharacterVersion current = readCharacterVersion(saveFolderHost + u'/' + *existing);
        const CharacterVersion backup = readCharacterVersion(QFile::decodeName(source.hostPath));
        if (!goesBackwards(current, backup))
            continue;
        const QString question = backwardsQuestion(d2sEngine::fileTitle(*existing), current, backup);
        if (controls::msgBox(question, controls::MsgStyle::WarningDefaultNo, tr("Restore...")) !=
            controls::MsgAnswer::Yes)
            return false;
    }
    return true;
}

} // namespace quillmere::archive

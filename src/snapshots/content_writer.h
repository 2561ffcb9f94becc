#pragma once

#include "copy/copy_files.h"
#include "copy/snapshot_copier.h"
#include "snapshots/manifest.h"
#include "snapshots/save_folder_scan.h"

#include <QSet>

#include <memory>
#include <vector>

namespace quillmere::snapshots {

// Stores the contents of a save folder's files, each content once, named by its SHA-256: read as
// one consistent snapshot through the copy engine into a temporary file of the objects folder,
// then synced, checked and named together, and the folder synced.
class ContentWriter final {
    Q_DECLARE_TR_FUNCTIONS(Snapshots)
public:
    ContentWriter(copy::FileIo& io, const QByteArray& objects);
    ~ContentWriter();
    ContentWriter(const ContentWriter&) = delete;
    ContentWriter& operator=(const ContentWriter&) = delete;

    enum class Added {
        Stored,  // entry is set; its content is stored, or will be once published
        LeftOut, // the file could not be read as a whole: *why says why, and the snapshot goes on
        Failed,  // the store cannot be written: *why says why, and the snapshot fails
    };
    // For a character file, *summary gets what the head of the copy read says.
    Added add(const ScannedFile& file, FileEntry& entry, std::optional<game::CharacterSummary>* summary, QString* why);

    // Puts every content read in place: synced together with alsoSync (the snapshot's record, not
    // yet named), checked and named, and the folder synced. 0 or -errno.
    int publish(const copy::TempFile* alsoSync = nullptr);

private:
    struct Pending;
    bool isStored(const QByteArray& sha256);
    std::optional<game::CharacterSummary> headOf(const copy::WrittenCopy& written);

    copy::FileIo& m_io;
    QByteArray m_objects;
    std::unique_ptr<copy::CopyUi> m_ui;
    std::unique_ptr<copy::CopyProgress> m_progress;
    copy::SnapshotCopier m_copier;
    std::vector<Pending> m_pending;
    QSet<QByteArray> m_pendingHashes;
};

} // namespace quillmere::snapshots

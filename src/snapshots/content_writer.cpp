#include "snapshots/content_writer.h"

#include "copy/copy_errors.h"
#include "copy/destination_folder.h"
#include "copy/sync_files.h"
#include "snapshots/save_state.h"

#include <cerrno>

namespace quillmere::snapshots {

namespace {

qint64 nanoseconds(const timespec& time) {
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

} // namespace

struct ContentWriter::Pending {
    copy::WrittenCopy copy;
    QByteArray sha256;
};

ContentWriter::ContentWriter(copy::FileIo& io, const QByteArray& objects)
    : m_io(io)
    , m_objects(objects)
    , m_ui(std::make_unique<copy::SilentCopyUi>(copy::SilentCopyUi::Answer::GoOn))
    , m_progress(std::make_unique<copy::CopyProgress>(*m_ui, 0))
    , m_copier(io, *m_progress) {
    m_copier.setComputeSha256(true); // in the same pass as the copy: the name a content is stored under
}

ContentWriter::~ContentWriter() = default;

bool ContentWriter::isStored(const QByteArray& sha256) {
    if (m_pendingHashes.contains(sha256))
        return true;
    copy::FileStat found;
    return m_io.linkStatus(m_objects + '/' + sha256, found) == 0 && found.isFile();
}

std::optional<game::CharacterSummary> ContentWriter::headOf(const copy::WrittenCopy& written) {
    const int fd = written.temp.reopenRead();
    if (fd < 0)
        return std::nullopt;
    QByteArray head(game::HEXengine::kKeptBytes, Qt::Uninitialized);
    const ssize_t n = m_io.readAt(fd, head.data(), std::size_t(head.size()), 0);
    m_io.close(fd);
    if (n < 0)
        return std::nullopt;
    head.truncate(n);
    return game::summarizeCharacterHead(head);
}

ContentWriter::Added ContentWriter::add(const ScannedFile& file, FileEntry& entry,
                                        std::optional<game::CharacterSummary>* summary, QString* why) {
    copy::WrittenCopy written(m_io);
    const copy::SourceFile source{file.name, file.hostPath, file.stat, {}};
    const copy::CopyStep step = m_copier.copy(source, m_objects, file.name, written);
    switch (step.status) {
    case copy::CopyStep::Done:
        break;
    case copy::CopyStep::SourceChanged:
        *why = tr("it kept changing while it was read");
        return Added::LeftOut;
    case copy::CopyStep::ReadFailed:
        *why = tr("it cannot be read: %1").arg(copy::reasonFor(step.error));
        return Added::LeftOut;
    case copy::CopyStep::WriteFailed:
    case copy::CopyStep::Cancelled:
        *why = copy::reasonFor(step.error ? step.error : EIO);
        return Added::Failed;
    }
    entry = FileEntry{file.name,
                      written.sha256,
                      written.size,
                      nanoseconds(file.stat.modified),
                      quint64(file.stat.inode),
                      quint32(file.stat.mode & 07777)};
    // Read from the copy: the save itself may have changed since.
    *summary = isCharacterFile(file.name) ? headOf(written) : std::nullopt;
    if (!isStored(entry.sha256)) {
        m_pendingHashes.insert(entry.sha256);
        m_pending.push_back({std::move(written), entry.sha256});
    }
    return Added::Stored;
}

int ContentWriter::publish(const copy::TempFile* alsoSync) {
    std::vector<int> fds;
    for (const Pending& pending : m_pending)
        fds.push_back(pending.copy.temp.fd());
    if (alsoSync)
        fds.push_back(alsoSync->fd());
    if (fds.empty())
        return 0;
    // Syncs that arrive together cost about one: the record goes to the disk with the contents.
    const std::vector<int> synced = copy::syncFiles(m_io, fds, [] {});
    int result = alsoSync ? synced.back() : 0;
    for (std::size_t i = 0; i < m_pending.size() && result == 0; ++i) {
        result = synced[i];
        const int verified = result < 0 ? result : m_copier.verify(m_pending[i].copy);
        result = verified < 0 ? verified : verified == 0 ? -EIO : 0;
        if (result == 0)
            result = m_pending[i].copy.temp.publish(m_objects + '/' + m_pending[i].sha256);
    }
    const bool named = !m_pending.empty() && result == 0;
    m_pending.clear(); // what was not named is removed with its temporary file
    m_pendingHashes.clear();
    if (result < 0 || !named)
        return result;
    return copy::syncFolderAt(m_io, m_objects);
}

} // namespace quillmere::snapshots

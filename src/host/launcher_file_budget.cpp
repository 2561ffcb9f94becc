#include "host/launcher_file_budget.h"

#include "host/discovery_log.h"

#include <QFile>

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere::host {

namespace {

// Launchers write a few kilobytes; a file far larger is not one of theirs.
constexpr qint64 kMaxFileBytes = qint64(1) << 20;

std::pair<quint64, quint64> identityOf(const struct stat& st) {
    return {quint64(st.st_dev), quint64(st.st_ino)};
}

} // namespace

LauncherFileBudget::LauncherFileBudget(const DiscoveryLimits& limits)
    : m_limits(limits)
    , m_bytesLeft(limits.bytes)
    , m_entriesLeft(limits.entries) {}

QByteArray LauncherFileBudget::read(const QString& path) {
    if (m_spent != Spent::No) {
        countPassedOver(path);
        return {};
    }
    // Another link to a file read already costs one call, not three.
    struct stat st {};
    const QByteArray hostPath = QFile::encodeName(path);
    if (::stat(hostPath.constData(), &st) != 0 || !S_ISREG(st.st_mode) || m_read.contains(identityOf(st)))
        return {};
    // Not held up by a pipe put there since.
    const int fd = ::open(hostPath.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return {};
    QByteArray bytes = readOpened(fd, path);
    ::close(fd);
    return bytes;
}

QByteArray LauncherFileBudget::readOpened(int fd, const QString& path) {
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return {};
    if (m_read.contains(identityOf(st)))
        return {};
    m_read.insert(identityOf(st));
    if (st.st_size > kMaxFileBytes) {
        m_tooLarge.note(path);
        return {};
    }
    if (m_entriesLeft <= 0) {
        spend(Spent::Entries, path, 0);
        return {};
    }
    if (st.st_size > m_bytesLeft) {
        spend(Spent::Bytes, path, 0);
        return {};
    }
    QByteArray bytes(qsizetype(st.st_size), Qt::Uninitialized);
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t got = ::read(fd, bytes.data() + done, std::size_t(bytes.size() - done));
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break; // shorter than it was a moment ago: what came is what it holds
        done += got;
    }
    bytes.truncate(done);
    m_bytesLeft -= done;
    return bytes;
}

void LauncherFileBudget::countPassedOver(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return;
    if (!m_read.contains(identityOf(st))) {
        m_read.insert(identityOf(st));
        ++m_filesAfter;
    }
}

qsizetype LauncherFileBudget::entriesToRead() const {
    return std::min(m_limits.entriesPerFile, m_entriesLeft) + 1;
}

QStringList LauncherFileBudget::take(QStringList entries, const QString& path) {
    if (entries.size() > m_limits.entriesPerFile) {
        entries.resize(m_limits.entriesPerFile);
        m_tooMany.note(path);
    }
    if (entries.size() > m_entriesLeft) {
        entries.resize(m_entriesLeft);
        spend(Spent::Entries, path, entries.size());
    }
    m_entriesLeft -= entries.size();
    return entries;
}

void LauncherFileBudget::spend(Spent reason, const QString& path, qsizetype taken) {
    m_spent = reason;
    m_cutFile = path;
    m_cutTaken = taken;
}

QString LauncherFileBudget::Noted::named() const {
    return count > 1 ? QStringLiteral("%1 and %2 more launcher files").arg(first).arg(count - 1) : first;
}

void LauncherFileBudget::report() const {
    if (m_tooLarge.count > 0)
        qCWarning(discoveryLog).noquote() << QStringLiteral("Passed over %1: larger than %2 bytes, more than any "
                                                            "launcher writes")
                                                 .arg(m_tooLarge.named())
                                                 .arg(kMaxFileBytes);
    if (m_tooMany.count > 0)
        qCWarning(discoveryLog).noquote() << QStringLiteral("Passed over the entries of %1 past the first %2: no "
                                                            "launcher names more folders in one file")
                                                 .arg(m_tooMany.named())
                                                 .arg(m_limits.entriesPerFile);
    if (m_spent == Spent::No)
        return;
    const QString what =
        m_cutTaken > 0 ? QStringLiteral("%1 from its entry %2 on").arg(m_cutFile).arg(m_cutTaken + 1) : m_cutFile;
    const QString after =
        m_filesAfter == 1 ? QStringLiteral("1 launcher file") : QStringLiteral("%1 launcher files").arg(m_filesAfter);
    const QString why =
        m_spent == Spent::Bytes
            ? QStringLiteral("a search reads at most %1 bytes of launchers' files").arg(m_limits.bytes)
            : QStringLiteral("a search takes at most %1 entries from launchers' files").arg(m_limits.entries);
    qCWarning(discoveryLog).noquote() << QStringLiteral("Passed over %1 and %2 after it: %3").arg(what, after, why);
}

} // namespace quillmere::host

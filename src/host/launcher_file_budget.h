#pragma once

#include <QByteArray>
#include <QSet>
#include <QString>
#include <QStringList>

#include <utility>

namespace quillmere::host {

// How much one search for prefixes takes from the launchers' files (Lutris' game configurations,
// Steam's libraryfolders.vdf): in all, and of the entries, from any one file. A home may hold any
// number of them, of any size, and each entry taken costs disk calls of its own; real ones come to
// a few kilobytes and a few entries each.
struct DiscoveryLimits {
    qint64 bytes = qint64(4) << 20;
    qsizetype entries = 4096;
    qsizetype entriesPerFile = 256;
};

// What one search has taken from the launchers' files. A file is read once, however many hard links
// lead to it; one larger than any launcher writes is passed over, and so are the entries of a file
// past as many as one file may give. Once the bytes or the entries run out in all, the rest is
// passed over: that file's entries past the last one taken, and every file after it, unread.
// report() puts what was passed over in the log.
class LauncherFileBudget {
public:
    explicit LauncherFileBudget(const DiscoveryLimits& limits);

    // The bytes of a launcher's file; empty when it is not a regular file or cannot be read, when it
    // was read already through another link, or when it is passed over.
    QByteArray read(const QString& path);
    // How many entries are worth reading from the next file: as many as it may give, and one more,
    // which tells that there were more.
    qsizetype entriesToRead() const;
    // As many of a file's entries, in their order, as it may give and are left to take.
    QStringList take(QStringList entries, const QString& path);
    // A line in the log for each reason anything was passed over.
    void report() const;

private:
    enum class Spent { No, Bytes, Entries };
    // Files passed over for one reason: the first of them, and how many.
    struct Noted {
        QString first;
        qsizetype count = 0;
        void note(const QString& path) {
            if (count++ == 0)
                first = path;
        }
        QString named() const;
    };

    QByteArray readOpened(int fd, const QString& path);
    void countPassedOver(const QString& path);
    void spend(Spent reason, const QString& path, qsizetype taken);

    DiscoveryLimits m_limits;
    qint64 m_bytesLeft;
    qsizetype m_entriesLeft;
    QSet<std::pair<quint64, quint64>> m_read; // device and inode of each file read
    Spent m_spent = Spent::No;
    QString m_cutFile;        // the file the budget ran out in
    qsizetype m_cutTaken = 0; // the entries taken from it
    qsizetype m_filesAfter = 0;
    Noted m_tooLarge;
    Noted m_tooMany;
};

} // namespace quillmere::host

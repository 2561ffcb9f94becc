#include "archive/save_guard.h"

#include "controls/message_box.h"
#include "copy/file_io.h"
#include "copy/source_files.h"
#include "game/character_file.h"

#include <QFile>
#include <QFileInfo>
#include <QLocale>

#include <cerrno>

namespace quillmere::archive {

namespace {

// Pieces of this size are summed one after another, so that a large file is never held whole; a
// piece is summed while the processor's cache still holds it from the read.
constexpr qsizetype kReadPiece = qsizetype(64) << 10;
// The game writes a save within moments; a second read this much later sees the whole file.
constexpr int kRereadPauseMs = 250;
constexpr qint64 kSameTimeMs = 2000;

// Reads exactly size bytes at offset, or fewer at the end of the file; -errno on failure.
qint64 readFully(copy::FileIo& io, int fd, char* buffer, qsizetype size, qint64 offset) {
    qint64 done = 0;
    while (done < size) {
        const ssize_t got = io.readAt(fd, buffer + done, size_t(size - done), offset + done);
        if (got < 0 && got != -EINTR)
            return got;
        if (got == 0)
            break;
        done += std::max<ssize_t>(got, 0);
    }
    return done;
}

game::SaveCheck checkOpenFile(copy::FileIo& io, int fd) {
    game::SaveCheck unreadable;
    unreadable.fault = game::SaveFault::Unreadable;
    copy::FileStat stat;
    if (io.openStatus(fd, stat) < 0)
        return unreadable;
    QByteArray head(game::kSaveHeaderBytes, Qt::Uninitialized);
    const qint64 headBytes = readFully(io, fd, head.data(), head.size(), 0);
    if (headBytes < 0)
        return unreadable;
    head.truncate(headBytes);
    game::SaveCheck check = game::checkSaveHeader(head, stat.size);
    if (!game::needsChecksum(check))
        return check;
    game::SaveChecksum sum;
    QByteArray piece(kReadPiece, Qt::Uninitialized);
    qint64 offset = 0;
    for (qint64 got = 0; offset < stat.size; offset += got) {
        got = readFully(io, fd, piece.data(), piece.size(), offset);
        if (got < 0)
            return unreadable;
        if (got == 0)
            break;
        sum.add(piece.constData(), got);
    }
    if (offset != stat.size)
        check.fault = game::SaveFault::SizeMismatch; // it shrank while it was read
    else if (sum.value() != game::storedChecksum(head))
        check.fault = game::SaveFault::ChecksumMismatch;
    return check;
}

QString dateText(const QDateTime& time, bool withTime) {
    const QLocale english = QLocale::c();
    return withTime ? english.toString(time, QStringLiteral("d MMM yyyy 'at' HH:mm:ss"))
                    : english.toString(time, QStringLiteral("d MMM yyyy"));
}

} // namespace

game::SaveCheck checkSaveFile(copy::FileIo& io, const QByteArray& hostPath) {
    const int fd = io.openRead(hostPath);
    if (fd < 0) {
        game::SaveCheck unreadable;
        unreadable.fault = game::SaveFault::Unreadable;
        return unreadable;
    }
    const game::SaveCheck check = checkOpenFile(io, fd);
    io.close(fd);
    return check;
}

QList<SaveProblem> checkSaves(copy::FileIo& io, const std::vector<copy::SourceFile>& sources) {
    QList<const copy::SourceFile*> failing;
    for (const copy::SourceFile& source : sources) {
        if (source.name.endsWith(QLatin1String(".d2s"), Qt::CaseInsensitive) &&
            !checkSaveFile(io, source.hostPath).passed())
            failing.append(&source);
    }
    if (failing.isEmpty())
        return {};
    io.pause(kRereadPauseMs);
    QList<SaveProblem> problems;
    for (const copy::SourceFile* source : failing) {
        if (const game::SaveCheck check = checkSaveFile(io, source->hostPath); !check.passed())
            problems.append({source->name, check});
    }
    return problems;
}

QList<SaveProblem> checkSaves(copy::FileIo& io, const QString& sourcePattern) {
    const copy::SourceListing sources = copy::listSources(sourcePattern, io);
    return sources.error ? QList<SaveProblem>() : checkSaves(io, sources.files);
}

bool confirmBackupOfProblems(const QList<SaveProblem>& problems) {
    if (problems.isEmpty())
        return true;
    QStringList lines;
    bool damaged = false;
    for (const SaveProblem& problem : problems) {
        lines.append(game::describeSaveCheck(problem.name, problem.check));
        damaged = damaged || problem.check.damaged();
    }
    const QString consequence = damaged ? SaveGuardText::tr("The game itself will refuse a damaged character.")
                                        : SaveGuardText::tr("The game may refuse a character that cannot be checked.");
    const QString text = lines.join(u'\n') + QStringLiteral("\n\n") + consequence + u' ' +
                         SaveGuardText::tr("Back it up anyway? No keeps the backup folder as it is.");
    const QString title =
        damaged ? SaveGuardText::tr("Damaged Character...") : SaveGuardText::tr("Character Not Checked...");
    return controls::msgBox(text, controls::MsgStyle::WarningDefaultNo, title) == controls::MsgAnswer::Yes;
}

CharacterVersion readCharacterVersion(const QString& hostPath) {
    game::HEXengine buffer;
    return characterVersionOf(game::readCharacterHostFile(hostPath, buffer), QFileInfo(hostPath).lastModified());
}

CharacterVersion characterVersionOf(const game::CharacterSummary& summary, const QDateTime& saved) {
    CharacterVersion version;
    version.saved = saved;
    const std::optional<game::CharacterClass> cls = game::characterClass(summary);
    const QString className = cls ? game::className(*cls) : SaveGuardText::tr("character");
    version.level = summary.level;
    version.describedAs = summary.level
                              ? SaveGuardText::tr("a level %1 %2").arg(*summary.level).arg(className)
                              : (QStringLiteral("AEIOUaeiou").contains(className.front()) ? SaveGuardText::tr("an %1")
                                                                                          : SaveGuardText::tr("a %1"))
                                    .arg(className);
    return version;
}

bool goesBackwards(const CharacterVersion& current, const CharacterVersion& backup) {
    if (current.level && backup.level && *current.level > *backup.level)
        return true;
    return current.saved.isValid() && backup.saved.isValid() && backup.saved.msecsTo(current.saved) > kSameTimeMs;
}

QString backwardsQuestion(const QString& character, const CharacterVersion& current, const CharacterVersion& backup,
                          BackwardsFrom from) {
    // Saved the same day, the dates alone would not tell which is newer.
    const bool sameDay = current.saved.date() == backup.saved.date();
    const QString text = from == BackwardsFrom::Backup
                             ? SaveGuardText::tr("%1 in the save folder is %2 saved on %3; the backup is %4 saved on "
                                                 "%5. Replace the newer character with the backup?")
                             : SaveGuardText::tr("%1 in the save folder is %2 saved on %3; the version in the history "
                                                 "is %4 saved on %5. Replace the newer character with it?");
    return text.arg(character, current.describedAs, dateText(current.saved, sameDay), backup.describedAs,
                    dateText(backup.saved, sameDay));
}

} // namespace quillmere::archive

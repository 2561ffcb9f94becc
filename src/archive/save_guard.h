#pragma once

#include "game/character_file.h"
#include "game/save_check.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace quillmere::copy {
class FileIo;
struct SourceFile;
} // namespace quillmere::copy

// The checks around a copy that keep a good character from being replaced by a worse one.
namespace quillmere::archive {

class SaveGuardText {
    Q_DECLARE_TR_FUNCTIONS(SaveGuard)
};

// Reads a character file through the copy's file calls and checks it.
game::SaveCheck checkSaveFile(copy::FileIo& io, const QByteArray& hostPath);

struct SaveProblem {
    QString name;
    game::SaveCheck check;
};

// The character files (*.d2s) among a copy's sources that fail their check. A file that fails is read
// again once after io's pause: the game may have been writing it.
QList<SaveProblem> checkSaves(copy::FileIo& io, const std::vector<copy::SourceFile>& sources);
// The same for the files sourcePattern selects; none when they cannot be listed, as the copy then
// says why.
QList<SaveProblem> checkSaves(copy::FileIo& io, const QString& sourcePattern);

// Asks whether to back up in spite of the problems; No, the default, copies nothing.
bool confirmBackupOfProblems(const QList<SaveProblem>& problems);

// A character as one copy of it shows it: class, level and when it was saved.
struct CharacterVersion {
    QString describedAs; // "a level 85 Druid"
    std::optional<quint8> level;
    QDateTime saved;
};
CharacterVersion readCharacterVersion(const QString& hostPath);
// The same from what a character file's head said and when it was saved, wherever it is kept.
CharacterVersion characterVersionOf(const game::CharacterSummary& summary, const QDateTime& saved);

// Whether restoring `backup` over `current` goes backwards: the character in the save folder has
// the higher level or was saved later. File times within two seconds count as the same: a FAT
// medium keeps them to two seconds.
bool goesBackwards(const CharacterVersion& current, const CharacterVersion& backup);

// "Hero in the save folder is a level 85 Druid saved on 6 Dec 2026; the backup is a level 80 Druid
// saved on 1 Dec 2026. Replace the newer character with the backup?"
enum class BackwardsFrom { Backup, History };
QString backwardsQuestion(const QString& character, const CharacterVersion& current, const CharacterVersion& backup,
                          BackwardsFrom from = BackwardsFrom::Backup);

} // namespace quillmere::archive

#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include <optional>

namespace quillmere::game {

// Where the class and level bytes sit. Files of the game's versions before 1.09 (and anything
// unsigned) keep them at 34 and 36; signed files of version 92 onward moved them to 40 and 43;
// version 105 (Resurrected 3.0) dropped a slot of the header, so they moved to 24 and 27. The
// offsets of each are in save_layout.h.
enum class Layout {
    Classic,
    Expansion109,
    Resurrected105,
};

// What one read of a character file found; a field is absent when its byte could not be read.
struct CharacterSummary {
    std::optional<quint8> classCode;
    std::optional<quint8> level;
    Layout layout = Layout::Classic;
    std::optional<quint32> version;              // only for files carrying the 55 AA 55 AA signature
    std::optional<quint8> status = std::nullopt; // hardcore, died, expansion, ladder, where the layout has it
};

enum class CharacterClass {
    Amazon,
    Sorceress,
    Necromancer,
    Paladin,
    Barbarian,
    Druid,
    Assassin,
    Warlock,
};

inline constexpr quint32 kSignature = 0xAA55AA55; // the bytes 55 AA 55 AA, read little-endian
inline constexpr quint32 kFirstExpansionLayoutVersion = 92;
inline constexpr quint32 kFirstDruidAssassinVersion = 87;
inline constexpr quint32 kFirstWarlockVersion = 105;

// HEXengine: the bytes of the character file read into it last. Only the head of the file is kept
// (everything the program interprets lies in it); the length is the file's true one, however large.
class HEXengine {
public:
    static constexpr qint64 kKeptBytes = 4096;

    // The first min(length, kKeptBytes) bytes of the file read last.
    const QByteArray& fileBytes() const { return m_bytes; }
    // The length in bytes of the file read last; 0 before the first read and after a failed one.
    qint64 fileLength() const { return m_length; }

    // Replaces both with those of the host file; false, with both empty, when it cannot be read. Only
    // ordinary files are opened: a pipe or device in the save folder would block or never end.
    bool load(const QString& hostPath);

private:
    QByteArray m_bytes;
    qint64 m_length = 0;
};

// Reads folder + "\" + fileName (the separator is always added, as the game's paths are built) into
// `buffer`. Never creates, writes or reports anything; whatever cannot be read is absent.
CharacterSummary ReadCharacterFile(const QString& folder, const QString& fileName, HEXengine& buffer);
// The same with a buffer of its own, for a caller that needs only the summary.
CharacterSummary ReadCharacterFile(const QString& folder, const QString& fileName);
// The same for a file the caller has already found on the host.
CharacterSummary readCharacterHostFile(const QString& hostPath, HEXengine& buffer);

// The same from the first bytes of a file (HEXengine::kKeptBytes are enough), wherever they came from.
CharacterSummary summarizeCharacterHead(const QByteArray& head);

// The class a summary names: codes 0 to 4 always, 5 and 6 only in signed files of version 87 on,
// 7 only in those of version 105 on.
std::optional<CharacterClass> characterClass(const CharacterSummary& summary);
// The name shown for a class ("Amazon", ..., "Warlock").
QString className(CharacterClass cls);

} // namespace quillmere::game

#pragma once

#include <QByteArray>
#include <QCoreApplication>
#include <QString>
#include <QtGlobal>

namespace quillmere::game {

// What is wrong with a character file, as far as its header tells: the game refuses a file whose
// signature, stored size or checksum does not match.
enum class SaveFault {
    None,
    Unreadable,       // nothing could be read to check
    TooShort,         // shorter than the header that holds the checks
    NoSignature,      // not 55 AA 55 AA
    UnknownVersion,   // a version this program does not know: not checked
    SizeMismatch,     // the size stored at offset 8 is not the file's
    ChecksumMismatch, // the checksum stored at offset 12 is not the contents'
};

struct SaveCheck {
    SaveFault fault = SaveFault::None;
    quint32 version = 0;
    qint64 storedSize = 0;
    qint64 realSize = 0;

    bool passed() const { return fault == SaveFault::None; }
    // Damaged for certain, as opposed to not checked.
    bool damaged() const {
        return fault == SaveFault::NoSignature || fault == SaveFault::TooShort || fault == SaveFault::SizeMismatch ||
               fault == SaveFault::ChecksumMismatch;
    }
};

// The game's checksum of a version 92+ file: each byte added to the running sum rotated left by one
// bit, the four bytes of the stored checksum counted as zero. Fed the file in pieces, in order, so
// that a large file need not be held whole.
class SaveChecksum {
public:
    void add(const char* data, qsizetype size);
    quint32 value() const { return m_sum; }

private:
    quint32 m_sum = 0;
    qint64 m_offset = 0;
};

inline constexpr qsizetype kSaveHeaderBytes = 16; // signature, version, size, checksum

// Everything but the checksum, from the first kSaveHeaderBytes of a file (fewer when it is shorter)
// and its real size. Versions before 92 carry no size or checksum: the signature is all there is
// to check in them. needsChecksum() tells whether the contents must be summed as well.
SaveCheck checkSaveHeader(const QByteArray& head, qint64 realSize);
bool needsChecksum(const SaveCheck& headerCheck);
// The checksum stored in the head.
quint32 storedChecksum(const QByteArray& head);

// Checks a whole character file held in memory.
SaveCheck checkSave(const QByteArray& bytes);

// The fault in words, naming the file: "Hero.d2s is damaged: ...".
QString describeSaveCheck(const QString& fileName, const SaveCheck& check);

class SaveCheckText {
    Q_DECLARE_TR_FUNCTIONS(SaveCheckText)
};

} // namespace quillmere::game

#pragma once

#include <QByteArray>
#include <QtGlobal>

// Bytes of character files for tests: only the fields the program or the game's own checks look at
// are filled in; everything else is zero.
namespace quillmere::test::d2s {

inline constexpr int kClassicLength = 846;   // a fresh level-1 character of the 1.00-1.08 games
inline constexpr int kExpansionLength = 989; // a fresh level-1 character of 1.09

// An unsigned file: class code at 34, level at 36, cut to (or zero-padded up to) `length` bytes.
QByteArray unsignedFile(quint8 classCode, quint8 level, int length = kClassicLength);

// A signed file (55 AA 55 AA, then the version). Versions before 92 keep the name at 8, the class
// at 34 and the level at 36; from 92 on the file size is at 8, the checksum at 12, the class at 40
// and the level at 43. `length` of 0 picks the usual length for the layout.
QByteArray signedFile(quint32 version, quint8 classCode, quint8 level, int length = 0, const QByteArray& name = "Hero");

// A signed file of version 92 or later with its status byte (hardcore 0x04, died 0x08, expansion
// 0x20, ladder 0x40), laid out as that version has it: status at 36, class at 40, level at 43 up to
// version 104; from 105 on (Resurrected 3.0) status at 20, class at 24, level at 27 and the name at
// 299. Signed and summed the way the game does it.
QByteArray stateFile(quint32 version, quint8 classCode, quint8 level, quint8 status, int length = 1024,
                     const QByteArray& name = "Hero");

// The game's checksum of a file of version 92 or later: with bytes 12..15 taken as 0, each byte
// in turn is added to the sum rotated left by one bit.
quint32 checksum(const QByteArray& bytes);

} // namespace quillmere::test::d2s

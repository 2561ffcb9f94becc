#pragma once

#include "game/character_file.h"

#include <QString>
#include <QtGlobal>

#include <optional>

namespace quillmere::game {

// The bytes of a character file's head that the program reads, for one layout. An offset of -1
// means the layout has no such byte.
struct SaveLayout {
    Layout layout = Layout::Classic;
    qsizetype status = -1;
    qsizetype classCode = -1;
    qsizetype level = -1;
};

inline constexpr quint32 kFirstResurrected105Version = 105;

// The layout a file is read by, given the version of a signed file (absent for an unsigned one).
// A version later than any known is read by the newest layout: the game has so far only ever
// moved these bytes when a new layout appeared.
SaveLayout saveLayoutFor(std::optional<quint32> version);

// Bits of the status byte (files of version 92 on).
namespace state {
inline constexpr quint8 kHardcore = 0x04;
inline constexpr quint8 kDied = 0x08;
inline constexpr quint8 kExpansion = 0x20;
inline constexpr quint8 kLadder = 0x40;
} // namespace state

// The character's state in words, "Hardcore, expansion" or "Hardcore, died: this character can no
// longer be played"; empty when the file does not say.
QString stateDescription(const CharacterSummary& summary);

} // namespace quillmere::game

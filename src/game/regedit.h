#pragma once

#include <QString>

// regedit: the game's values in the registry.
namespace quillmere::regedit {

inline constexpr auto kGameKey = "Software\\Blizzard Entertainment\\Diablo II";

// The save folder the registry names: the first of HKCU "NewSavePath" (Diablo II 1.14 on, which
// plays from it even when an older "Save Path" is still there), HKLM "Save Path" and HKCU
// "Save Path" that names a folder that exists; else the first of them that is set. Empty when none
// is there. Read afresh on every call.
QString registrySaveFolder();

// The save folder of the game in use (game/games.h), the one place every caller reads it from:
// its own folder, or for a game known by its registry values (and when none is chosen) the
// registry's, read afresh.
QString saveFolder();
// The executable of the game in use: D2R.exe for Diablo II: Resurrected, else HKLM "Program";
// empty when missing.
QString gameProgram();

} // namespace quillmere::regedit

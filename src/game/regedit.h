#pragma once

#include <QString>
#include <cstdint>
#include <optional>

// regedit: reading string values of the game's registry key.
namespace quillmere::regedit {

enum class RootKey : std::uint32_t {
    CurrentUser = 0x80000001,  // HKEY_CURRENT_USER: the prefix's user.reg
    LocalMachine = 0x80000002, // HKEY_LOCAL_MACHINE: the prefix's system.reg
};

inline constexpr auto kGameKey = "Software\\Blizzard Entertainment\\Diablo II";

// The value's text when it is a REG_SZ that could be read; absent otherwise. Nothing is cached:
// the hive is read afresh on every call.
std::optional<QString> readStringValue(RootKey root, const QString& keyPath, const QString& valueName);

// The save folder the registry names: the first of HKCU "NewSavePath" (Diablo II 1.14 on, which
// plays from it even when an older "Save Path" is still there), HKLM "Save Path" and HKCU
// "Save Path" that names a folder that exists; else the first of them that is set. Empty when none
// is there.
QString registrySaveFolder();

// The save folder of the game in use (game/games.h), the one place every caller reads it from:
// its own folder, or for a game known by its registry values (and when none is chosen) the
// registry's, read afresh.
QString saveFolder();
// The executable of the game in use: D2R.exe for Diablo II: Resurrected, else HKLM "Program";
// empty when missing.
QString gameProgram();

} // namespace quillmere::regedit

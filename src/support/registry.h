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

// The game's save folder, the one place every caller reads it from: HKLM "Save Path"; only when
// that is absent, HKCU "NewSavePath", then HKCU "Save Path". Empty when none is there.
QString saveFolder();
// HKLM "Program": the game's executable; empty when missing.
QString gameProgram();

} // namespace quillmere::regedit

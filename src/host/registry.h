#pragma once

#include <QString>

#include <optional>

// The Wine prefix's registry, read-only: HKEY_LOCAL_MACHINE is its system.reg, HKEY_CURRENT_USER
// its user.reg.
namespace quillmere::host {

enum class RegistryRoot { LocalMachine, CurrentUser };

// The text of the plain string (REG_SZ) value `valueName` of `key` under `root`, up to its first
// NUL; nothing when the hive, the key or the value is missing or the value is of another type. Key
// and value names match case-insensitively, and the default value is the empty name. The hive is
// read once per call and nothing is kept. In a 64-bit prefix the 32-bit game sees
// Software\Wow6432Node\... of HKEY_LOCAL_MACHINE in place of Software\...: a value there comes
// first, then one of the plain key. HKEY_CURRENT_USER has no such view.
std::optional<QString> readRegistryString(RegistryRoot root, const QString& key, const QString& valueName);

} // namespace quillmere::host

#pragma once

#include "host/registry_hive.h"

#include <cstddef>
#include <cstdint>

// advapi32's registry calls over the Wine prefix's hive files. HKEY_LOCAL_MACHINE is system.reg,
// HKEY_CURRENT_USER user.reg. Names travel in the ANSI code page (UTF-8 here) and match
// case-insensitively. Read-only: there is nothing to write with.
namespace quillmere::host {

using HKEY = std::uintptr_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;

inline constexpr HKEY kHkeyCurrentUser = 0x80000001;
inline constexpr HKEY kHkeyLocalMachine = 0x80000002;

inline constexpr LONG kErrorSuccess = 0;
inline constexpr LONG kErrorFileNotFound = 2;
inline constexpr LONG kErrorInvalidHandle = 6;
inline constexpr LONG kErrorInvalidParameter = 87;
inline constexpr LONG kErrorMoreData = 234;

// Opens `subKey` below `key` (a root or an open key). The hive is read once, here: the new handle
// keeps a snapshot of the key's values, so later queries see one consistent state. In a hive with
// "#arch=win64" a key under HKEY_LOCAL_MACHINE\Software is looked up as the 32-bit game sees it: a
// value of Software\Wow6432Node\... first, then one of the plain key. HKEY_CURRENT_USER has no
// 32-bit view. An empty or null `subKey` hands back `key` itself. On failure *result is 0.
LONG RegOpenKeyA(HKEY key, const char* subKey, HKEY* result);

// The value's type and data. A null `data` only reports the type and the size; a buffer too small
// gives kErrorMoreData with the size needed in *cbData. String types come out converted to ANSI,
// with a NUL at the end only when the stored UTF-16 had one. `reserved` must be null.
LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, std::uint8_t* data, DWORD* cbData);

LONG RegCloseKey(HKEY key);

// Keys opened and not yet closed, for checking that callers release what they open.
std::size_t openRegistryKeyCount();

} // namespace quillmere::host

#pragma once

#include <QString>

// d2sEngine: small file and path helpers over Windows-form paths.
namespace quillmere::d2sEngine {

// True only for an existing ordinary file (not hidden, not system, not a folder). Empty paths and
// paths ending in "\" answer false without touching the disk.
bool fileExists(const QString& path);
// True when the folder can be listed and the listing yields a name; an empty drive root and a
// drive that is not ready count as missing.
bool folderExists(const QString& path);
// The part after the last "\", cut before its first ".": C:\Saves\Hero.d2s gives Hero.
QString fileTitle(const QString& path);
// The folder holding the executable (links resolved), in Windows form, ending in "\".
QString programFolder();
// The whole file, decoded from the locale's 8-bit code page; empty when it is not an ordinary file
// or cannot be read.
QString readTextFile(const QString& path);

} // namespace quillmere::d2sEngine

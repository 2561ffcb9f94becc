#pragma once

#include <QString>

// Wine's hidden rule: a file is hidden when its name begins with '.', or when its
// "user.DOSATTRIB" extended attribute has the hidden (0x2) or system (0x4) bit.
namespace quillmere::host {

bool isHiddenHostFile(const QString& hostPath);

// The attribute half of the rule, for a path already in the file system's encoding; "." and ".."
// at the end of the path stand for the folder and its parent.
bool hiddenByAttribute(const char* nativePath);

} // namespace quillmere::host

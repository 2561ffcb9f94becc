#pragma once

#include <QString>

namespace quillmere::host {

enum class SearchAdmits {
    Files,          // ordinary files only (read-only and archive count; hidden and system do not)
    FilesAndFolders // ordinary files and ordinary folders
};

// A Windows directory search for one path or pattern ("C:\Save\Hero.d2s", "A:\Hero\*.*"): the
// first name it yields, or empty. Wildcards only in the last component. A folder other than a
// drive root yields its "." and ".." entries; hidden and system entries, and names that cannot be
// written in Windows form, are never yielded. A drive that is not ready yields nothing at once.
QString findFirstName(const QString& windowsPattern, SearchAdmits admits);

// The host folder holding the running executable, links resolved; empty when it cannot be told.
QString executableHostFolder();

} // namespace quillmere::host

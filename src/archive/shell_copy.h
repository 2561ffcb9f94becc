#pragma once

#include <QString>

namespace quillmere::archive {

// Copies every file that sourcePattern ("C:\Saves\Hero*.*") selects into destinationFolder through
// the shell's file operation, with its progress, replace questions and error windows. True only
// when the shell reports no error and the user neither skipped a file nor cancelled. The mouse
// pointer shows the hourglass meanwhile and is the default again on return.
bool shellFileCopy(const QString& sourcePattern, const QString& destinationFolder);

} // namespace quillmere::archive

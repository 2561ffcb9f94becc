#pragma once

#include "copy/file_io.h"

#include <functional>
#include <vector>

namespace quillmere::copy {

// Syncs every file's data to the disk and returns each one's result (0 or -errno), in order. The
// syncs run on helper threads, several at once: a journalling file system commits syncs that arrive
// together in one go, where syncs one after the other cost one disk flush each. whileWaiting runs
// on the calling thread every few milliseconds until all are done.
std::vector<int> syncFiles(FileIo& io, const std::vector<int>& fds, const std::function<void()>& whileWaiting);

} // namespace quillmere::copy

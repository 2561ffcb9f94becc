#pragma once

#include <functional>

namespace quillmere::archive {
class RestoreHistory;
}

namespace quillmere::app {

// File > Undo Last Restore: asks first, undoes, runs afterUndo (the window's refresh) and then says
// how it went. A record that does not fit the chosen game's save folder is refused before anything
// is asked or touched. Does nothing when there is no restore to undo.
void undoLastRestore(archive::RestoreHistory& history, const std::function<void()>& afterUndo);

} // namespace quillmere::app

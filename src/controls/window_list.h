#pragma once

#include <QList>

class QWidget;

namespace quillmere::controls {

// The program's loaded windows, in the order they were loaded. A form registers itself when it
// is created and leaves the list when it is destroyed.
void registerLoadedWindow(QWidget* window);
void unregisterLoadedWindow(QWidget* window);
QList<QWidget*> loadedWindows();

} // namespace quillmere::controls

#include "controls/mouse_pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace quillmere::controls {

namespace {
MousePointer g_pointer = MousePointer::Default;
} // namespace

void setScreenPointer(MousePointer pointer) {
    if (pointer == g_pointer)
        return;
    g_pointer = pointer;
    if (!qGuiApp)
        return;
    // One override at most, so the default is always one restore away.
    if (pointer == MousePointer::Hourglass)
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QGuiApplication::restoreOverrideCursor();
}

MousePointer screenPointer() {
    return g_pointer;
}

} // namespace quillmere::controls

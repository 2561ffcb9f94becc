#include "controls/mouse_pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace quillmere::controls {

namespace {
int g_pointer = pointer::Default;
} // namespace

void setScreenPointer(int value) {
    if (value == g_pointer)
        return;
    // One override at most, so the default is always one restore away.
    if (g_pointer != pointer::Default && qGuiApp)
        QGuiApplication::restoreOverrideCursor();
    g_pointer = value;
    if (value != pointer::Default && qGuiApp) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
}

int screenPointer() {
    return g_pointer;
}

} // namespace quillmere::controls

#include "controls/window_list.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

namespace quillmere::controls {

namespace {
QList<QPointer<QWidget>>& registry() {
    static QList<QPointer<QWidget>> windows;
    return windows;
}
} // namespace

void registerLoadedWindow(QWidget* window) {
    registry().removeAll(nullptr);
    if (window && !registry().contains(window))
        registry().append(window);
}

void unregisterLoadedWindow(QWidget* window) {
    registry().removeAll(window);
    registry().removeAll(nullptr);
}

QList<QWidget*> loadedWindows() {
    QList<QWidget*> result;
    for (const QPointer<QWidget>& w : registry()) {
        if (w)
            result.append(w.data());
    }
    return result;
}

} // namespace quillmere::controls

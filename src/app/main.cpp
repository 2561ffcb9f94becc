#include "app/main_window.h"

#include <QApplication>

#include <cstdio>

namespace {

// Qt aborts when it cannot reach a display; say so plainly instead.
bool haveDisplay()
{
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[])
{
    if (!haveDisplay()) {
        std::fprintf(stderr, "quillmere: no display to show the window on (neither DISPLAY nor WAYLAND_DISPLAY is "
                             "set). Start it from a desktop session, or under xvfb-run.\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillmere"));
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(QUILLMERE_VERSION_MAJOR)
                                            .arg(QUILLMERE_VERSION_MINOR)
                                            .arg(QUILLMERE_VERSION_PATCH));
    quillmere::app::MainWindow window;
    window.show();
    return QApplication::exec();
}

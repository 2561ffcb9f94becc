#include "app/launcher.h"
#include "app/main_window.h"
#include "platform/classic_fonts.h"
#include "platform/process_start.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

namespace {

// Qt aborts when it cannot reach a display; say so plainly instead.
bool haveDisplay() {
    if (!qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        return true;
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

int main(int argc, char* argv[]) {
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
    // The window layouts were made for MS Sans Serif 8.25 pt.
    QApplication::setFont(quillmere::platform::classicFont(QStringLiteral("MS Sans Serif"), 8.25));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/images/quillmere.png")));
    quillmere::platform::WineProcessStarter starter;
    quillmere::app::Launcher launcher(starter);
    quillmere::app::MainWindow window(launcher);
    window.show();
    return QApplication::exec();
}

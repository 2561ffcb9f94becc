// The peer of the program's start-up: the least a Qt Widgets program does to show a window of the
// main window's client size.
#include <QApplication>
#include <QWidget>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Minimal Qt window"));
    window.resize(656, 361);
    window.show();
    return QApplication::exec();
}

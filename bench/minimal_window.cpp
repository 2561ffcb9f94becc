// The peer of the program's start-up: Qt's own smallest Widgets program, a window with one line of
// text, at the main window's client size. The text matters: without it Qt never loads fonts, which
// every real window must.
#include <QApplication>
#include <QLabel>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QLabel window(QStringLiteral("Hello world!"));
    window.setWindowTitle(QStringLiteral("Minimal Qt window"));
    window.resize(656, 361);
    window.show();
    return QApplication::exec();
}

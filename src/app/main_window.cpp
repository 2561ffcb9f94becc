#include "app/main_window.h"

namespace quillmere::app {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("frmMain"));
}

} // namespace quillmere::app

#pragma once

#include <QMainWindow>

namespace quillmere::app {

// frmMain: the program's start-up object and only long-lived window.
class MainWindow final : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
};

} // namespace quillmere::app

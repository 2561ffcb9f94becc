#pragma once

#include <QDialog>

namespace quillmere::controls {

// A modal window of the program with a fixed client area: a caption with its close box only, no
// minimise or maximise box. It counts among the loaded windows for as long as it exists.
class FixedDialog : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FixedDialog)
public:
    enum class Caption {
        Tool,     // the small tool-window caption: no icon, no taskbar entry
        Standard, // a dialog's caption with the program's icon
    };

    ~FixedDialog() override;

protected:
    FixedDialog(QWidget* owner, const char* objectName, const QString& title, QSize clientTwips,
                Caption caption = Caption::Tool);
};

} // namespace quillmere::controls

#pragma once

#include "copy/copy_ui.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QString>

class QDialog;
class QLabel;
class QProgressBar;

namespace quillmere::copy {

// The shell's own windows around a copy: a progress window that shows up only when the copy takes
// a while, the replace and create-folder questions, and the error window. One object serves every
// copy of the run.
class ShellCopyWindows final : public QObject, public CopyUi {
    Q_OBJECT
public:
    explicit ShellCopyWindows(int progressDelayMs = 500, QObject* parent = nullptr);
    ~ShellCopyWindows() override;
    Q_DISABLE_COPY_MOVE(ShellCopyWindows)

    void copyStarted() override;
    void copyFinished() override;
    ReplaceAnswer confirmReplace(const ReplaceInfo& info) override;
    bool confirmCreateFolder(const QString& windowsFolder) override;
    void reportError(const CopyError& error) override;
    void progress(const QString& fileName, qint64 bytesDone, qint64 bytesTotal) override;
    bool cancelled() override;

    // The progress window once it is up (its object name is "ShellCopyProgress"), else nullptr.
    QDialog* progressWindow() const;

private:
    void showProgressWindow();
    void pumpEvents();

    int m_progressDelayMs;
    QElapsedTimer m_clock;
    QElapsedTimer m_lastPump;
    QPointer<QDialog> m_window;
    QLabel* m_fileLabel = nullptr;
    QProgressBar* m_bar = nullptr;
    bool m_cancelled = false;
};

} // namespace quillmere::copy

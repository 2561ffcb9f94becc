#include "copy/shell_copy_windows.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillmere::copy {

namespace {

// The screen shows the hourglass during a copy; a question needs the ordinary arrow.
class ArrowWhileAsking final {
public:
    ArrowWhileAsking() { QGuiApplication::setOverrideCursor(QCursor(Qt::ArrowCursor)); }
    ~ArrowWhileAsking() { QGuiApplication::restoreOverrideCursor(); }
    ArrowWhileAsking(const ArrowWhileAsking&) = delete;
    ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;
};

QString describe(qint64 size, const QDateTime& modified) {
    const QLocale locale;
    return ShellCopyWindows::tr("%1 bytes (%2)\nmodified: %3")
        .arg(locale.toString(size), locale.formattedDataSize(size),
             locale.toString(modified.toLocalTime(), QLocale::ShortFormat));
}

} // namespace

ShellCopyWindows::ShellCopyWindows(int progressDelayMs, QObject* parent)
    : QObject(parent)
    , m_progressDelayMs(progressDelayMs) {
    m_clock.start();
    m_lastPump.start();
}

ShellCopyWindows::~ShellCopyWindows() {
    delete m_window.data();
}

void ShellCopyWindows::copyStarted() {
    m_clock.restart();
    m_lastPump.restart();
    m_cancelled = false;
}

void ShellCopyWindows::copyFinished() {
    delete m_window.data();
}

QDialog* ShellCopyWindows::progressWindow() const {
    return m_window.data();
}

ReplaceAnswer ShellCopyWindows::confirmReplace(const ReplaceInfo& info) {
    ArrowWhileAsking arrow;
    QMessageBox box(m_window ? static_cast<QWidget*>(m_window.data()) : QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ShellCopyConfirmReplace"));
    box.setWindowTitle(tr("Confirm File Replace"));
    box.setIcon(QMessageBox::Question);
    box.setWindowModality(Qt::ApplicationModal);
    box.setText(tr("This folder already contains a file named '%1'.\n\n"
                   "Would you like to replace the existing file\n\n%2\n\nwith this one?\n\n%3")
                    .arg(info.name, describe(info.existingSize, info.existingModified),
                         describe(info.newSize, info.newModified)));
    QPushButton* yes = box.addButton(tr("&Yes"), QMessageBox::YesRole);
    QPushButton* yesToAll = box.addButton(tr("Yes to &All"), QMessageBox::YesRole);
    QPushButton* no = box.addButton(tr("&No"), QMessageBox::NoRole);
    QPushButton* cancel = box.addButton(tr("Cancel"), QMessageBox::RejectRole);
    yes->setObjectName(QStringLiteral("yes"));
    yesToAll->setObjectName(QStringLiteral("yesToAll"));
    no->setObjectName(QStringLiteral("no"));
    cancel->setObjectName(QStringLiteral("cancel"));
    box.setDefaultButton(yes);
    box.setEscapeButton(cancel);
    box.exec();
    if (box.clickedButton() == yes)
        return ReplaceAnswer::Yes;
    if (box.clickedButton() == yesToAll)
        return ReplaceAnswer::YesToAll;
    if (box.clickedButton() == no)
        return ReplaceAnswer::No;
    return ReplaceAnswer::Cancel;
}

bool ShellCopyWindows::confirmCreateFolder(const QString& windowsFolder) {
    ArrowWhileAsking arrow;
    QMessageBox box(QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ShellCopyConfirmCreateFolder"));
    box.setWindowTitle(tr("Confirm Folder Create"));
    box.setIcon(QMessageBox::Question);
    box.setWindowModality(Qt::ApplicationModal);
    box.setText(tr("The folder '%1' does not exist.\n\nDo you want to create it?").arg(windowsFolder));
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void ShellCopyWindows::reportError(const CopyError& error) {
    ArrowWhileAsking arrow;
    QMessageBox box(m_window ? static_cast<QWidget*>(m_window.data()) : QApplication::activeWindow());
    box.setObjectName(QStringLiteral("ShellCopyError"));
    box.setWindowTitle(tr("Error Copying File or Folder"));
    box.setIcon(QMessageBox::Critical);
    box.setWindowModality(Qt::ApplicationModal);
    box.setText(error.message);
    box.setStandardButtons(QMessageBox::Ok);
    box.exec();
}

void ShellCopyWindows::progress(const QString& fileName, qint64 bytesDone, qint64 bytesTotal) {
    if (!m_window) {
        if (m_clock.elapsed() < m_progressDelayMs)
            return;
        showProgressWindow();
    }
    if (!fileName.isEmpty())
        m_fileLabel->setText(fileName);
    m_bar->setValue(bytesTotal > 0 ? int(bytesDone * 1000 / bytesTotal) : 1000);
    pumpEvents();
}

bool ShellCopyWindows::cancelled() {
    if (m_window)
        pumpEvents();
    return m_cancelled;
}

void ShellCopyWindows::showProgressWindow() {
    auto* window = new QDialog(QApplication::activeWindow());
    window->setObjectName(QStringLiteral("ShellCopyProgress"));
    window->setWindowTitle(tr("Copying..."));
    window->setWindowModality(Qt::ApplicationModal);
    window->setAttribute(Qt::WA_DeleteOnClose, false);

    m_fileLabel = new QLabel(window);
    m_fileLabel->setObjectName(QStringLiteral("file"));
    m_bar = new QProgressBar(window);
    m_bar->setObjectName(QStringLiteral("bar"));
    m_bar->setRange(0, 1000);
    m_bar->setTextVisible(false);
    auto* cancel = new QPushButton(tr("Cancel"), window);
    cancel->setObjectName(QStringLiteral("cancel"));
    connect(cancel, &QPushButton::clicked, this, [this] { m_cancelled = true; });
    // Closing the window or pressing Esc stops the copy too.
    connect(window, &QDialog::rejected, this, [this] { m_cancelled = true; });

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(window);
    layout->addWidget(m_fileLabel);
    layout->addWidget(m_bar);
    layout->addLayout(buttons);
    window->setMinimumWidth(360);

    m_window = window;
    window->show();
}

void ShellCopyWindows::pumpEvents() {
    // Often enough for a responsive Cancel, seldom enough not to slow the copy.
    if (m_lastPump.elapsed() < 30)
        return;
    m_lastPump.restart();
    QCoreApplication::processEvents();
}

} // namespace quillmere::copy

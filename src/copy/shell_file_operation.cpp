#include "copy/shell_file_operation.h"

#include "copy/file_copy_engine.h"
#include "copy/shell_copy_windows.h"

#include <QString>
#include <QStringList>

namespace quillmere::copy {

namespace {

ShellCopyUi* g_ui = nullptr;
FileOperationHandler g_handler = nullptr;

constexpr int InvalidParameter = 87; // ERROR_INVALID_PARAMETER

// A double-NUL-terminated list in the 8-bit code page.
QStringList readList(const char* list) {
    QStringList entries;
    if (!list)
        return entries;
    for (const char* p = list; *p; p += qstrlen(p) + 1)
        entries.append(QString::fromLocal8Bit(p));
    return entries;
}

// Keeps the questions but leaves out what the flags switch off.
class FlaggedUi final : public ShellCopyUi {
public:
    FlaggedUi(ShellCopyUi& inner, std::uint16_t flags)
        : m_inner(inner)
        , m_flags(flags) {}
    ReplaceAnswer confirmReplace(const ReplaceInfo& info) override { return m_inner.confirmReplace(info); }
    bool confirmCreateFolder(const QString& folder) override { return m_inner.confirmCreateFolder(folder); }
    void reportError(const CopyError& error) override {
        if (!(m_flags & FOF_NOERRORUI))
            m_inner.reportError(error);
    }
    void progress(const QString& file, qint64 done, qint64 total) override {
        if (!(m_flags & FOF_SILENT))
            m_inner.progress(file, done, total);
    }
    bool cancelled() override { return m_inner.cancelled(); }

private:
    ShellCopyUi& m_inner;
    std::uint16_t m_flags;
};

} // namespace

void setShellCopyUi(ShellCopyUi* ui) {
    g_ui = ui;
}

void setFileOperationHandler(FileOperationHandler handler) {
    g_handler = handler;
}

int SHFileOperationA(SHFILEOPSTRUCTA* operation) {
    if (g_handler)
        return g_handler(operation);
    if (!operation)
        return InvalidParameter;
    operation->fAnyOperationsAborted = 0;
    if (operation->wFunc != FO_COPY)
        return InvalidParameter;

    const QStringList sources = readList(operation->pFrom);
    const QStringList targets = readList(operation->pTo);
    if (sources.isEmpty() || targets.size() != 1)
        return InvalidParameter;

    // Folders that match the pattern are always left out: the program sets FOF_FILESONLY, and
    // copying whole folder trees is not something it needs.
    const std::uint16_t flags = operation->fFlags;
    ShellCopyWindows::Options options;
    if (operation->lpszProgressTitle)
        options.progressTitle = QString::fromLocal8Bit(operation->lpszProgressTitle);
    options.silent = flags & FOF_SILENT;
    options.noErrorUi = flags & FOF_NOERRORUI;
    ShellCopyWindows windows(options);
    FlaggedUi ui(g_ui ? *g_ui : static_cast<ShellCopyUi&>(windows), flags);

    FileCopyEngine engine(ui);
    engine.setNoConfirmation(flags & FOF_NOCONFIRMATION);
    engine.setNoConfirmMkdir(flags & FOF_NOCONFIRMMKDIR);
    const CopyResult result = engine.copy(sources, targets.first());
    operation->fAnyOperationsAborted = result.aborted ? 1 : 0;
    return result.code;
}

} // namespace quillmere::copy

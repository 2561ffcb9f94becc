#include "archive/shell_copy.h"

#include "controls/mouse_pointer.h"
#include "copy/copy_files.h"
#include "copy/destination_folder.h"
#include "copy/source_files.h"
#include "host/drive_map.h"

#include <QFile>

namespace quillmere::archive {

namespace {

// The copy's windows for the program's own copies: progress and Cancel as usual; no questions, as
// the user has already agreed to the whole; the error kept for the caller.
class QuietQuestionsUi final : public copy::CopyUi {
public:
    explicit QuietQuestionsUi(copy::CopyUi& ui, bool showErrors = false)
        : m_ui(ui)
        , m_showErrors(showErrors) {}
    void copyStarted() override { m_ui.copyStarted(); }
    void copyFinished() override { m_ui.copyFinished(); }
    copy::ReplaceAnswer confirmReplace(const copy::ReplaceInfo&) override { return copy::ReplaceAnswer::YesToAll; }
    bool confirmCreateFolder(const QString&) override { return true; }
    void reportError(const copy::CopyError& error) override {
        m_error = error.message;
        if (m_showErrors)
            m_ui.reportError(error);
    }
    void progress(const QString& fileName, qint64 bytesDone, qint64 bytesTotal) override {
        m_ui.progress(fileName, bytesDone, bytesTotal);
    }
    bool cancelled() override { return m_ui.cancelled(); }

    QString m_error;

private:
    copy::CopyUi& m_ui;
    bool m_showErrors;
};

} // namespace

ShellFileCopy::ShellFileCopy(copy::CopyUi& ui)
    : ShellFileCopy(ui, copy::defaultFileIo()) {}

ShellFileCopy::ShellFileCopy(copy::CopyUi& ui, copy::FileIo& io)
    : m_ui(ui)
    , m_io(io) {}

bool ShellFileCopy::run(const QString& sourcePattern, const QString& destinationFolder) {
    controls::BusyPointer busy;
    const copy::CopyOutcome outcome = copy::copyFiles(sourcePattern, destinationFolder, m_ui, m_io);
    busy.restore();
    return outcome.succeeded();
}

bool ShellFileCopy::createFolder(const QString& windowsFolder) {
    const host::ResolvedPath resolved = host::resolve(windowsFolder);
    return resolved.status == host::PathStatus::Ok &&
           copy::makeFolderDurably(m_io, QFile::encodeName(resolved.hostPath)) == 0;
}

bool ShellFileCopy::copyHostFiles(const QString& sourceFolder, const QStringList& names,
                                  const QString& destinationFolder, QString* failure) {
    controls::BusyPointer busy;
    QuietQuestionsUi quiet(m_ui);
    const copy::CopyOutcome outcome = copy::copyHostFiles(sourceFolder, names, destinationFolder, quiet, m_io);
    busy.restore();
    if (outcome.succeeded())
        return true;
    *failure = outcome.status == copy::CopyStatus::Cancelled ? tr("The copy was cancelled.") : quiet.m_error;
    return false;
}

bool ShellFileCopy::copyStoredFiles(const std::vector<copy::HostSource>& sources, const QString& destinationFolder,
                                    ReplaceQuestions questions) {
    controls::BusyPointer busy;
    QuietQuestionsUi quiet(m_ui, true);
    copy::CopyUi& ui = questions == ReplaceQuestions::Ask ? m_ui : quiet;
    const copy::CopyOutcome outcome = copy::copyHostFiles(sources, destinationFolder, ui, m_io);
    busy.restore();
    return outcome.succeeded();
}

} // namespace quillmere::archive

#include "host/wine_prefix.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <mutex>

#include <sys/stat.h>

namespace quillmere::host {

namespace {

std::mutex g_mutex;
std::optional<QString> g_chosen;
// A prefix looked into by this thread alone: other threads go on working in theirs.
thread_local std::optional<QString> t_lookedInto;

std::optional<QString> chosenPrefix() {
    const std::lock_guard lock(g_mutex);
    return g_chosen;
}

void setChosenPrefix(std::optional<QString> prefix) {
    const std::lock_guard lock(g_mutex);
    g_chosen = std::move(prefix);
}

} // namespace

QString winePrefixPath() {
    if (t_lookedInto)
        return *t_lookedInto;
    if (const std::optional<QString> chosen = chosenPrefix())
        return *chosen;
    const QString fromEnv = qEnvironmentVariable("WINEPREFIX");
    if (!fromEnv.isEmpty())
        return QDir::cleanPath(fromEnv);
    return QDir::cleanPath(QDir::homePath() + QStringLiteral("/.wine"));
}

void useWinePrefix(const QString& hostPath) {
    setChosenPrefix(hostPath.isEmpty() ? std::nullopt : std::optional(QDir::cleanPath(hostPath)));
}

ScopedWinePrefix::ScopedWinePrefix(const QString& hostPath)
    : m_previous(t_lookedInto) {
    t_lookedInto = QDir::cleanPath(hostPath);
}

ScopedWinePrefix::~ScopedWinePrefix() {
    t_lookedInto = std::move(m_previous);
}

bool isWinePrefix(const QString& folder) {
    // Discovery asks this of thousands of folders named in launchers' files: plain calls, no QFileInfo.
    return !folder.isEmpty() && isWinePrefixAt(QFile::encodeName(folder));
}

bool isWinePrefixAt(const QByteArray& hostPath) {
    struct stat st {};
    return ::stat((hostPath + "/system.reg").constData(), &st) == 0 && S_ISREG(st.st_mode) &&
           ::stat((hostPath + "/drive_c").constData(), &st) == 0 && S_ISDIR(st.st_mode);
}

} // namespace quillmere::host

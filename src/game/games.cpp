#include "game/games.h"

#include "game/d2s_engine.h"
#include "game/regedit.h"
#include "host/discovery_log.h"
#include "host/drive_map.h"
#include "host/folder_listing.h"
#include "host/registry.h"
#include "host/wine_prefix.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QSet>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quillmere::games {

namespace {

std::mutex g_mutex;
std::optional<Game> g_inUse;

// Each thread mostly waits on the disk and parses a hive of a few megabytes: beyond a few, more
// threads add memory and contention, not speed, and start-up must not swamp a small machine.
constexpr unsigned kMaxLookingThreads = 4;

QStringList subfolderNames(const QString& parent) {
    return QDir(parent).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
}

// A child folder by its name among those of `parent` listed, in the exact case first and then in
// any: Windows names ignore case.
QString childAmong(const QString& parent, const QStringList& subfolders, const QString& name) {
    if (subfolders.contains(name))
        return parent + QLatin1Char('/') + name;
    for (const QString& entry : subfolders) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return parent + QLatin1Char('/') + entry;
    }
    return {};
}

// The same for one name, listing the parent only when the exact case is not there.
QString childFolder(const QString& parent, const QString& name) {
    QString exact = parent + QLatin1Char('/') + name;
    if (QFileInfo(exact).isDir())
        return exact;
    return childAmong(parent, subfolderNames(parent), name);
}

bool holdsCharacters(const QString& hostFolder) {
    QDirIterator it(hostFolder, {QStringLiteral("*.d2s")}, QDir::Files);
    return it.hasNext();
}

// The folders of `parent` that are not hidden, sorted by name; those whose names the program cannot
// open are said in the log, as what they would have been.
QStringList visibleSubfolderNames(const QString& parent, const char* what) {
    host::HostSubfolders found = host::readHostSubfolders(parent);
    host::logUndecodableFolders(parent, found.undecodable, what);
    found.names.removeIf([](const QString& name) { return name.startsWith(QLatin1Char('.')); });
    found.names.sort();
    return found.names;
}

// The profiles of a prefix: every folder of C:\users but the shared one.
QStringList userFolders(const QString& prefix) {
    const QString users = prefix + QStringLiteral("/drive_c/users");
    QStringList folders;
    for (const QString& name : visibleSubfolderNames(users, "profile")) {
        if (name.compare(QStringLiteral("Public"), Qt::CaseInsensitive) != 0)
            folders << users + QLatin1Char('/') + name;
    }
    return folders;
}

class GameList {
public:
    explicit GameList(const QString& prefix)
        : m_prefix(prefix) {}

    // Adds a game whose save folder is the host folder given; one already listed is left out.
    void add(Edition edition, bool fromRegistry, const QString& hostFolder, const QString& windowsFolder,
             const QString& mod = {}) {
        const QString real = QFileInfo(hostFolder).canonicalFilePath();
        if (real.isEmpty() || m_seen.contains(real))
            return;
        m_seen.insert(real);
        m_games.append({edition, fromRegistry, m_prefix, windowsFolder, mod});
    }
    void addFixed(Edition edition, const QString& hostFolder, const QString& mod = {}) {
        const QString windows = host::toWindowsPath(hostFolder);
        if (!windows.isEmpty())
            add(edition, false, hostFolder, windows, mod);
    }
    QList<Game> games() const { return m_games; }

private:
    QString m_prefix;
    QSet<QString> m_seen;
    QList<Game> m_games;
};

void addResurrected(GameList& list, const QString& folder) {
    if (folder.isEmpty())
        return;
    list.addFixed(Edition::Resurrected, folder);
    const QString mods = childFolder(folder, QStringLiteral("mods"));
    if (mods.isEmpty())
        return;
    for (const QString& mod : visibleSubfolderNames(mods, "mod folder")) {
        const QString modFolder = mods + QLatin1Char('/') + mod;
        if (holdsCharacters(modFolder))
            list.addFixed(Edition::Resurrected, modFolder, mod);
    }
}

} // namespace

QString Game::name() const {
    if (edition == Edition::Classic)
        return tr("Diablo II");
    if (mod.isEmpty())
        return tr("Diablo II: Resurrected");
    return tr("Diablo II: Resurrected, mod %1").arg(mod);
}

bool Game::sameAs(const Game& other) const {
    return edition == other.edition && fromRegistry == other.fromRegistry &&
           QDir::cleanPath(prefix) == QDir::cleanPath(other.prefix) &&
           (fromRegistry || saveFolder.compare(other.saveFolder, Qt::CaseInsensitive) == 0);
}

QList<Game> gamesInPrefix(const QString& prefix) {
    if (!host::isWinePrefix(prefix))
        return {};
    const QString cleanPrefix = QDir::cleanPath(prefix);
    // The registry and the drives are read as this prefix has them.
    const host::ScopedWinePrefix scope(cleanPrefix);
    GameList list(cleanPrefix);

    const QString registryFolder = regedit::registrySaveFolder();
    if (!registryFolder.isEmpty()) {
        const host::ResolvedPath resolved = host::resolve(registryFolder);
        if (resolved.status == host::PathStatus::Ok && QFileInfo(resolved.hostPath).isDir())
            list.add(Edition::Classic, true, resolved.hostPath, registryFolder);
    }
    for (const QString& user : userFolders(cleanPrefix)) {
        const QString savedGames = childFolder(user, QStringLiteral("Saved Games"));
        if (savedGames.isEmpty())
            continue;
        // Listed once for both games: most prefixes hold neither, and each miss would list it again.
        const QStringList games = subfolderNames(savedGames);
        const QString classic = childAmong(savedGames, games, QStringLiteral("Diablo II"));
        if (!classic.isEmpty() && holdsCharacters(classic))
            list.addFixed(Edition::Classic, classic);
        addResurrected(list, childAmong(savedGames, games, QStringLiteral("Diablo II Resurrected")));
    }
    return list.games();
}

QList<Game> gamesInPrefixes(const QStringList& prefixes, LookingCores cores) {
    // Most of the time goes into reading each prefix's hives: several are read at once.
    std::vector<QList<Game>> found(static_cast<std::size_t>(prefixes.size()));
    std::atomic<qsizetype> next = 0;
    const auto work = [&] {
        for (qsizetype i = next++; i < prefixes.size(); i = next++)
            found[static_cast<std::size_t>(i)] = gamesInPrefix(prefixes[i]);
    };
    const unsigned cpus = std::max(1u, std::thread::hardware_concurrency());
    const unsigned usable = cores == LookingCores::AllButOne && cpus > 1 ? cpus - 1 : cpus;
    const unsigned readers = std::min({usable, kMaxLookingThreads, static_cast<unsigned>(prefixes.size())});
    const unsigned helpers = readers > 1 ? readers - 1 : 0;
    std::vector<std::thread> threads;
    try {
        for (unsigned i = 0; i < helpers; ++i)
            threads.emplace_back(work);
    } catch (const std::system_error&) {
        // Out of threads: this one reads what no helper took.
    }
    work();
    for (std::thread& thread : threads)
        thread.join();

    QList<Game> games;
    for (const QList<Game>& each : found)
        games += each;
    return games;
}

void useGame(const Game& game) {
    const std::lock_guard lock(g_mutex);
    g_inUse = game;
    host::useWinePrefix(game.prefix);
}

void useNoGame(const QString& prefix) {
    const std::lock_guard lock(g_mutex);
    g_inUse.reset();
    host::useWinePrefix(prefix);
}

std::optional<Game> gameInUse() {
    const std::lock_guard lock(g_mutex);
    return g_inUse;
}

QString resurrectedProgram() {
    const QString uninstallKey = QStringLiteral("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\"
                                                "Diablo II Resurrected");
    const QString installed =
        host::readRegistryString(host::RegistryRoot::LocalMachine, uninstallKey, QStringLiteral("InstallLocation"))
            .value_or(QString());
    for (const QString& folder : {installed, QStringLiteral("C:\\Program Files (x86)\\Diablo II Resurrected")}) {
        QString program = winpath::joinWindowsPath(folder, QStringLiteral("D2R.exe"));
        if (!folder.isEmpty() && d2sEngine::fileExists(program))
            return program;
    }
    return {};
}

} // namespace quillmere::games

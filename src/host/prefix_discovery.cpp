#include "host/prefix_discovery.h"

#include "host/discovery_log.h"
#include "host/folder_listing.h"
#include "host/prefix_sources.h"
#include "host/wine_prefix.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <utility>

namespace quillmere::host {

namespace {

// Enough for any real game library; a bound so that a pathological folder cannot stall start-up.
constexpr int kMaxLutrisConfigs = 4096;

// The folders right below `parent` (links to folders included), sorted; none when it is unreadable.
// A prefix there (at `below` in the folder) whose name the program cannot open is said in the log.
QStringList subfolders(const QString& parent, const char* below = "") {
    const HostSubfolders found = readHostSubfolders(parent);
    QList<QByteArray> prefixes;
    for (const QByteArray& name : found.undecodable) {
        if (isWinePrefixAt(QFile::encodeName(parent) + '/' + name + below))
            prefixes << name;
    }
    logUndecodableFolders(parent, prefixes, "prefix");
    QStringList paths;
    for (const QString& name : found.names)
        paths << parent + QLatin1Char('/') + name;
    paths.sort();
    return paths;
}

QStringList filesIn(const QString& parent, const QString& nameFilter) {
    QStringList found;
    QDirIterator it(parent, {nameFilter}, QDir::Files | QDir::Hidden);
    while (it.hasNext() && found.size() < kMaxLutrisConfigs)
        found << it.next();
    found.sort();
    return found;
}

// The places, each once and in the order first given: XDG folders may or may not be the defaults
// below the home folder, and a launcher's file may name a library many times.
QStringList distinct(const QStringList& folders) {
    QStringList out;
    QSet<QString> seen;
    seen.reserve(folders.size());
    for (const QString& folder : folders) {
        if (folder.isEmpty())
            continue;
        QString clean = QDir::cleanPath(folder);
        if (!seen.contains(clean)) {
            seen.insert(clean);
            out << std::move(clean);
        }
    }
    return out;
}

// Entries of launchers' files in bytes that are not UTF-8 come out with U+FFFD in their place, and
// lead nowhere: said in the log, unless such a folder is really there.
void logUndecodableEntries(const QStringList& entries, const QString& file) {
    QStringList undecodable;
    for (const QString& entry : entries) {
        if (entry.contains(QChar::ReplacementCharacter) && !QFileInfo::exists(entry))
            undecodable << entry;
    }
    if (!undecodable.isEmpty())
        qCWarning(discoveryLog).noquote() << "Left out what" << file << "names in bytes that are not valid UTF-8,"
                                          << "which the program cannot open files through (shown as \uFFFD):"
                                          << undecodable.join(QStringLiteral(", "));
}

class Collector {
public:
    void offer(const QString& folder) {
        if (!isWinePrefix(folder))
            return;
        const QString real = QFileInfo(folder).canonicalFilePath();
        if (real.isEmpty() || m_seen.contains(real))
            return;
        m_seen.insert(real);
        m_found << QDir::cleanPath(folder);
    }
    void offerEach(const QStringList& folders, const QString& below = {}) {
        for (const QString& folder : folders)
            offer(folder + below);
    }
    QStringList found() const { return m_found; }

private:
    QStringList m_found;
    QSet<QString> m_seen;
};

struct Places {
    QString home;
    QStringList configHomes;
    QStringList dataHomes;
};

// The entries a launcher's file names, as many as the budget takes; the file is read only as far as
// the budget needs.
template <typename Parse> QStringList entriesOf(LauncherFileBudget& budget, const QString& file, Parse parse) {
    const QByteArray bytes = budget.read(file);
    if (bytes.isEmpty())
        return {};
    QStringList entries = budget.take(parse(bytes, budget.entriesToRead()), file);
    logUndecodableEntries(entries, file);
    return entries;
}

void collectLutris(const Places& places, LauncherFileBudget& budget, Collector& collector) {
    QStringList folders;
    for (const QString& config : places.configHomes)
        folders << config + QStringLiteral("/lutris/games");
    for (const QString& data : places.dataHomes)
        folders << data + QStringLiteral("/lutris/games");
    for (const QString& folder : distinct(folders)) {
        for (const QString& file : filesIn(folder, QStringLiteral("*.yml")))
            collector.offerEach(entriesOf(budget, file, [&places](QByteArrayView yaml, qsizetype most) {
                return lutrisPrefixes(yaml, places.home, most);
            }));
    }
    collector.offerEach(subfolders(places.home + QStringLiteral("/Games")));
}

void collectSteam(const Places& places, LauncherFileBudget& budget, Collector& collector) {
    // The real folder before ~/.steam/steam, which usually links to it.
    QStringList roots;
    for (const QString& data : places.dataHomes)
        roots << data + QStringLiteral("/Steam");
    roots << places.home + QStringLiteral("/.steam/steam");
    roots << places.home + QStringLiteral("/.var/app/com.valvesoftware.Steam/.local/share/Steam");

    QStringList libraries;
    for (const QString& root : distinct(roots)) {
        libraries << root;
        for (const char* vdf : {"/steamapps/libraryfolders.vdf", "/config/libraryfolders.vdf"})
            libraries << entriesOf(budget, root + QLatin1String(vdf),
                                   [](QByteArrayView text, qsizetype most) { return steamLibraryFolders(text, most); });
    }
    QSet<QString> seen;
    for (const QString& library : distinct(libraries)) {
        const QString real = QFileInfo(library).canonicalFilePath();
        if (real.isEmpty() || seen.contains(real))
            continue; // a missing disk, or a library reached twice through a link
        seen.insert(real);
        collector.offerEach(subfolders(library + QStringLiteral("/steamapps/compatdata"), "/pfx"),
                            QStringLiteral("/pfx"));
    }
}

} // namespace

QStringList discoverPrefixes(const QString& home, const QProcessEnvironment& environment,
                             const DiscoveryLimits& limits) {
    Places places;
    places.home = QDir::cleanPath(home);
    const QString configHome = environment.value(QStringLiteral("XDG_CONFIG_HOME"));
    const QString dataHome = environment.value(QStringLiteral("XDG_DATA_HOME"));
    // Only absolute XDG folders count, as the XDG rules say; the defaults are looked at as well.
    places.configHomes =
        distinct({QDir::isAbsolutePath(configHome) ? configHome : QString(), places.home + QStringLiteral("/.config")});
    places.dataHomes = distinct(
        {QDir::isAbsolutePath(dataHome) ? dataHome : QString(), places.home + QStringLiteral("/.local/share")});

    LauncherFileBudget budget(limits);
    Collector collector;
    collector.offer(places.home + QStringLiteral("/.wine"));
    collectLutris(places, budget, collector);
    for (const QString& data : places.dataHomes)
        collector.offerEach(subfolders(data + QStringLiteral("/bottles/bottles")));
    collector.offerEach(
        subfolders(places.home + QStringLiteral("/.var/app/com.usebottles.bottles/data/bottles/bottles")));
    collectSteam(places, budget, collector);
    collector.offerEach(subfolders(places.home + QStringLiteral("/.PlayOnLinux/wineprefix")));
    collector.offerEach(subfolders(places.home + QStringLiteral("/.cxoffice")));
    budget.report();
    return collector.found();
}

} // namespace quillmere::host

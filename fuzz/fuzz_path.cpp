// Windows path resolution on arbitrary text inside a small prefix made once: no crash, nothing
// resolved outside its drive, and the lexical form agrees with what resolves.
#include "game/d2s_engine.h"
#include "host/drive_map.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

namespace host = quillmere::host;
namespace winpath = quillmere::winpath;

namespace {

struct Prefix {
    QTemporaryDir dir;
    QString driveC;
    QString driveE;

    Prefix() {
        const QString prefix = dir.path() + QStringLiteral("/prefix");
        driveC = prefix + QStringLiteral("/drive_c");
        driveE = dir.path() + QStringLiteral("/floppy");
        QDir root(dir.path());
        root.mkpath(QStringLiteral("prefix/dosdevices"));
        root.mkpath(QStringLiteral("prefix/drive_c/Program Files/Diablo II/Save"));
        root.mkpath(QStringLiteral("prefix/drive_c/users/Player"));
        root.mkpath(QStringLiteral("prefix/drive_c/ABC"));
        root.mkpath(QStringLiteral("prefix/drive_c/abc"));
        root.mkpath(QStringLiteral("floppy/Hero"));
        for (const char* file :
             {"prefix/drive_c/Program Files/Diablo II/Save/Hero.d2s",
              "prefix/drive_c/Program Files/Diablo II/readme.txt", "prefix/drive_c/.hidden", "floppy/Hero/Hero.d2s"}) {
            QFile out(dir.path() + QLatin1Char('/') + QLatin1String(file));
            if (out.open(QIODevice::WriteOnly))
                out.write("Caf\xE9\n");
        }
        QFile::link(QStringLiteral("../drive_c"), prefix + QStringLiteral("/dosdevices/c:"));
        QFile::link(QStringLiteral("../gone"), prefix + QStringLiteral("/dosdevices/d:"));
        QFile::link(QStringLiteral("../../floppy"), prefix + QStringLiteral("/dosdevices/e:"));
        qputenv("WINEPREFIX", prefix.toLocal8Bit());
        host::setDriveCurrentFolder(QStringLiteral("C:\\users\\Player"));
    }
};

bool isUnder(const QString& path, const QString& root) {
    return path == root || path.startsWith(root + QLatin1Char('/'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Prefix prefix;
    if (size > 1024)
        return 0;
    const QString path = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));

    const host::ResolvedPath resolved = host::resolve(path);
    const QString absolute = host::absoluteWindowsPath(path);
    if (!absolute.isEmpty() && host::absoluteWindowsPath(absolute) != absolute)
        std::abort(); // the lexical form is a fixed point
    if (resolved.status == host::PathStatus::Ok) {
        if (absolute.isEmpty())
            std::abort();
        const QChar drive = winpath::driveLetterOf(absolute);
        const QString root = drive == QLatin1Char('c') ? prefix.driveC : prefix.driveE;
        if (!isUnder(resolved.hostPath, root))
            std::abort(); // ".." never climbs above a drive's root
        if (host::toWindowsPath(resolved.hostPath).compare(absolute, Qt::CaseInsensitive) != 0)
            std::abort();
    }

    quillmere::d2sEngine::fileExists(path);
    quillmere::d2sEngine::folderExists(path);
    quillmere::d2sEngine::readTextFile(path);
    quillmere::d2sEngine::fileTitle(path);
    return 0;
}

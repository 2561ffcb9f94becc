#include "game/d2s_engine.h"

#include "host/drive_map.h"
#include "host/path_search.h"

#include <QFile>
#include <QStringDecoder>

namespace quillmere::d2sEngine {

namespace {

using host::SearchAdmits;

// Anything larger is no text file a window could show; reading it would only exhaust memory.
constexpr qint64 kMaxTextFileBytes = qint64(16) << 20;

// Windows-1252's characters for 0x80 to 0x9F; its five unassigned bytes keep their Latin-1 value.
constexpr char16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The locale's 8-bit code page is UTF-8 here. A file that is not valid UTF-8 was written in the
// Western code page the game's Windows would have used, and reads as Windows-1252.
QString decodeText(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8,
                        QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    text = QString::fromLatin1(bytes);
    for (QChar& c : text) {
        if (c.unicode() >= 0x80 && c.unicode() < 0xA0)
            c = QChar(kCp1252High[c.unicode() - 0x80]);
    }
    return text;
}

} // namespace

bool fileExists(const QString& path) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('\\')))
        return false;
    return !host::findFirstName(path, SearchAdmits::Files).isEmpty();
}

bool folderExists(const QString& path) {
    QString folder = path;
    if (!folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('\\');
    return !host::findFirstName(folder + QStringLiteral("*.*"), SearchAdmits::FilesAndFolders).isEmpty();
}

QString fileTitle(const QString& path) {
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('\\')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString programFolder() {
    QString folder = host::toWindowsPath(host::executableHostFolder());
    if (folder.isEmpty())
        return {};
    if (!folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('\\');
    return folder;
}

QString readTextFile(const QString& path) {
    if (path.isEmpty() || host::findFirstName(path, SearchAdmits::Files).isEmpty())
        return {};
    const host::ResolvedPath resolved = host::resolve(path);
    if (resolved.status != host::PathStatus::Ok)
        return {};
    QFile file(resolved.hostPath);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxTextFileBytes)
        return {};
    const QByteArray bytes = file.read(kMaxTextFileBytes + 1);
    if (bytes.size() > kMaxTextFileBytes)
        return {};
    return decodeText(bytes);
}

} // namespace quillmere::d2sEngine

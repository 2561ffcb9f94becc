#include "game/d2s_engine.h"

#include "host/drive_map.h"
#include "host/path_search.h"

#include <QFile>

namespace quillmere::d2sEngine {

namespace {

using host::SearchAdmits;

// Anything larger is no text file a window could show; reading it would only exhaust memory.
constexpr qint64 maxTextFileBytes = 16 * 1024 * 1024;

// Windows-1252's characters for 0x80 to 0x9F; its five unassigned bytes keep their Latin-1 value.
constexpr char16_t cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// The length of the well-formed UTF-8 sequence at `at`, or 0 when the byte there starts none.
int utf8SequenceLength(const QByteArray& bytes, qsizetype at, char32_t* codePoint) {
    const auto byte = [&](qsizetype i) { return uchar(bytes.at(i)); };
    const uchar lead = byte(at);
    int length = 0;
    uchar low = 0x80;
    uchar high = 0xBF;
    char32_t value = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        value = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        value = lead & 0x0F;
        if (lead == 0xE0)
            low = 0xA0; // no overlong forms
        if (lead == 0xED)
            high = 0x9F; // no surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        value = lead & 0x07;
        if (lead == 0xF0)
            low = 0x90;
        if (lead == 0xF4)
            high = 0x8F; // nothing above U+10FFFF
    } else {
        return 0;
    }
    if (at + length > bytes.size())
        return 0;
    for (int i = 1; i < length; ++i) {
        const uchar next = byte(at + i);
        if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF))
            return 0;
        value = (value << 6) | (next & 0x3F);
    }
    *codePoint = value;
    return length;
}

// The locale's 8-bit code page is UTF-8 here; a byte that is not part of valid UTF-8 still shows,
// read the way a Western Windows code page would read it.
QString decodeText(const QByteArray& bytes) {
    QString text;
    text.reserve(bytes.size());
    qsizetype at = 0;
    while (at < bytes.size()) {
        const uchar lead = uchar(bytes.at(at));
        if (lead < 0x80) {
            text += QChar(lead);
            ++at;
            continue;
        }
        char32_t codePoint = 0;
        if (const int length = utf8SequenceLength(bytes, at, &codePoint)) {
            text += QString::fromUcs4(&codePoint, 1);
            at += length;
            continue;
        }
        text += lead < 0xA0 ? QChar(cp1252High[lead - 0x80]) : QChar(lead);
        ++at;
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
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxTextFileBytes)
        return {};
    const QByteArray bytes = file.read(maxTextFileBytes + 1);
    if (bytes.size() > maxTextFileBytes)
        return {};
    return decodeText(bytes);
}

} // namespace quillmere::d2sEngine

#include "host/hidden_files.h"

#include <QByteArray>
#include <QFile>
#include <QtEndian>

#include <cstring>

#include <sys/xattr.h>

namespace quillmere::host {

namespace {

constexpr unsigned kHiddenOrSystem = 0x2 | 0x4;

// Wine keeps the attributes the way Samba does: as hex text ("0x22"), or as Samba's binary record
// (version twice, then the attributes, little-endian, after a field of valid flags from version 3).
bool dosAttribHides(const char* value, std::size_t length) {
    if (length >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        const QByteArray digits = QByteArray(value + 2, qsizetype(strnlen(value + 2, length - 2))).trimmed();
        bool ok = false;
        const uint attributes = digits.toUInt(&ok, 16);
        return ok && (attributes & kHiddenOrSystem) != 0;
    }
    if (length < 8)
        return false;
    const auto version = qFromLittleEndian<quint16>(value);
    if (version != qFromLittleEndian<quint16>(value + 2) || version < 1 || version > 5)
        return false;
    if (version <= 2)
        return (qFromLittleEndian<quint32>(value + 4) & kHiddenOrSystem) != 0;
    return length >= 12 && (qFromLittleEndian<quint32>(value + 8) & kHiddenOrSystem) != 0;
}

} // namespace

bool hiddenByAttribute(const char* nativePath) {
    char value[256];
    const ssize_t length = ::getxattr(nativePath, "user.DOSATTRIB", value, sizeof value);
    return length > 0 && dosAttribHides(value, static_cast<std::size_t>(length));
}

bool isHiddenHostFile(const QString& hostPath) {
    QString path = hostPath;
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (name.startsWith(QLatin1Char('.')) && name != QLatin1String(".") && name != QLatin1String(".."))
        return true;
    return hiddenByAttribute(QFile::encodeName(path).constData());
}

} // namespace quillmere::host

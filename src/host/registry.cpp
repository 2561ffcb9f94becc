#include "host/registry.h"

#include "host/registry_hive.h"
#include "host/wine_prefix.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere::host {

namespace {

// Far beyond any real hive (a fresh prefix's system.reg is under 2 MB); a bigger file is refused
// rather than read into memory.
constexpr qint64 kMaxHiveBytes = qint64(512) << 20;

// The whole hive file, or nothing. Only regular files are read: a FIFO or a device must not block.
std::optional<QByteArray> readHiveFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        return std::nullopt;
    struct stat info {};
    std::optional<QByteArray> text;
    if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxHiveBytes) {
        text.emplace(qsizetype(info.st_size), Qt::Uninitialized);
        qsizetype done = 0;
        while (text && done < text->size()) {
            const ssize_t got = ::read(fd, text->data() + done, std::size_t(text->size() - done));
            if (got > 0)
                done += got;
            else if (got == 0)
                text->truncate(done); // the file shrank while it was read
            else if (errno != EINTR)
                text.reset();
        }
    }
    ::close(fd);
    return text;
}

// The key as the 32-bit game sees it in a 64-bit prefix; empty when it has no such view.
std::u16string wow64Key(RegistryRoot root, const QStringList& parts) {
    if (root != RegistryRoot::LocalMachine || parts.size() < 2 ||
        parts[0].compare(QLatin1String("Software"), Qt::CaseInsensitive) != 0 ||
        parts[1].compare(QLatin1String("Wow6432Node"), Qt::CaseInsensitive) == 0)
        return {};
    return (parts[0] + QStringLiteral("\\Wow6432Node\\") + parts.mid(1).join(QLatin1Char('\\'))).toStdU16String();
}

// A REG_SZ's text: UTF-16LE up to the first NUL (an odd last byte is no character). A lone
// surrogate is no character either and shows as U+FFFD.
QString stringData(const std::string& data) {
    QString text(qsizetype(data.size() / 2), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i)
        text[i] = QChar(qFromLittleEndian<char16_t>(data.data() + 2 * i));
    const qsizetype nul = text.indexOf(QChar(0));
    if (nul >= 0)
        text.truncate(nul);
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            ++i;
        else if (text[i].isSurrogate())
            text[i] = QChar::ReplacementCharacter;
    }
    return text;
}

} // namespace

std::optional<QString> readRegistryString(RegistryRoot root, const QString& key, const QString& valueName) {
    const QString file =
        root == RegistryRoot::LocalMachine ? QStringLiteral("/system.reg") : QStringLiteral("/user.reg");
    const std::optional<QByteArray> text = readHiveFile(winePrefixPath() + file);
    if (!text)
        return std::nullopt;
    const QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    std::vector<std::u16string> keys{parts.join(QLatin1Char('\\')).toStdU16String()};
    if (const std::u16string wow = wow64Key(root, parts); !wow.empty())
        keys.push_back(wow);
    const Hive hive = readHiveKeys(std::string_view(text->constData(), std::size_t(text->size())), keys);
    if (!hive.valid)
        return std::nullopt;
    const std::u16string name = valueName.toStdU16String();
    const HiveValue* value = hive.win64 && keys.size() == 2 ? hive.keys[1].find(name) : nullptr;
    if (!value)
        value = hive.keys[0].find(name);
    if (!value || value->type != kRegSz)
        return std::nullopt;
    return stringData(value->data);
}

} // namespace quillmere::host

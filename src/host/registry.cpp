#include "host/registry.h"

#include "host/registry_hive.h"
#include "host/wine_prefix.h"

#include <QFile>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere::host {

namespace {

// Far beyond any real hive (a fresh prefix's system.reg is under 2 MB); a bigger file is refused.
constexpr qint64 kMaxHiveBytes = qint64(512) << 20;

// What a hive is read through, a piece at a time. Memory never touched before costs a page fault
// per page: reading every hive whole into memory of its own made that, not the reading, most of
// what looking through dozens of prefixes at start-up cost. A few pieces per hive keep the reads
// few: a selection reads a multi-megabyte system.reg each time.
constexpr std::size_t kHiveBufferBytes = std::size_t(256) << 10;

// A hive file, up to the size it had when opened. Only regular files are read: a FIFO or a device
// must not block.
class HiveFile final : public HiveSource {
public:
    explicit HiveFile(const QString& path)
        : m_fd(::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) {
        struct stat info {};
        if (m_fd >= 0 && ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_size <= kMaxHiveBytes)
            m_left = std::size_t(info.st_size);
        else if (m_fd >= 0)
            close();
    }
    ~HiveFile() override {
        if (m_fd >= 0)
            close();
    }
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }

    std::ptrdiff_t read(char* into, std::size_t most) override {
        for (;;) {
            const ssize_t got = ::read(m_fd, into, std::min(most, m_left));
            if (got >= 0) {
                m_left = got == 0 ? 0 : m_left - std::size_t(got); // 0: the file shrank while it was read
                return got;
            }
            if (errno != EINTR)
                return -1;
        }
    }

private:
    void close() {
        ::close(m_fd);
        m_fd = -1;
    }

    int m_fd;
    std::size_t m_left = 0;
};

// One buffer per thread, kept from lookup to lookup; one that a freak hive made grow is let go.
std::vector<char>& hiveBuffer() {
    thread_local std::vector<char> buffer;
    if (buffer.size() != kHiveBufferBytes)
        buffer = std::vector<char>(kHiveBufferBytes);
    return buffer;
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
    HiveFile hiveFile(winePrefixPath() + file);
    if (!hiveFile.isOpen())
        return std::nullopt;
    const QStringList parts = key.split(QLatin1Char('\\'), Qt::SkipEmptyParts);
    std::vector<std::u16string> keys{parts.join(QLatin1Char('\\')).toStdU16String()};
    if (const std::u16string wow = wow64Key(root, parts); !wow.empty())
        keys.push_back(wow);
    const Hive hive = readHiveKeys(hiveFile, hiveBuffer(), keys);
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

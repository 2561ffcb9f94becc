#include "host/registry_api.h"

#include "host/wine_prefix.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <optional>
#include <unordered_map>
#include <unordered_set>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quillmere::host {

namespace {

// Far beyond any real hive (a fresh prefix's system.reg is under 2 MB); a bigger file is refused
// rather than read into memory.
constexpr std::size_t kMaxHiveBytes = std::size_t{512} << 20;

struct OpenKey {
    HKEY root = 0;
    std::u16string path;
    std::vector<HiveValue> values;
};

std::mutex g_mutex;
std::unordered_map<HKEY, OpenKey> g_openKeys;
HKEY g_nextHandle = 0x1000;

bool isRoot(HKEY key) {
    return key == kHkeyLocalMachine || key == kHkeyCurrentUser;
}

bool isString(DWORD type) {
    return type == kRegSz || type == kRegExpandSz || type == kRegMultiSz;
}

// An open hive file: regular files only, as a FIFO or a device must not block us.
class HiveFile {
public:
    explicit HiveFile(const QString& path) {
        const QByteArray native = QFile::encodeName(path);
        m_fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
        struct stat info {};
        if (m_fd >= 0 && ::fstat(m_fd, &info) == 0 && S_ISREG(info.st_mode) &&
            static_cast<std::size_t>(info.st_size) <= kMaxHiveBytes)
            m_size = static_cast<std::size_t>(info.st_size);
        else
            close();
    }
    ~HiveFile() { close(); }
    HiveFile(const HiveFile&) = delete;
    HiveFile& operator=(const HiveFile&) = delete;

    bool isOpen() const { return m_fd >= 0; }
    bool failed() const { return m_failed; }
    std::size_t size() const { return m_size; }

    std::size_t read(char* into, std::size_t size) {
        std::size_t done = 0;
        while (m_fd >= 0 && done < size) {
            const ssize_t got = ::read(m_fd, into + done, size - done);
            if (got < 0 && errno == EINTR)
                continue;
            m_failed = m_failed || got < 0;
            if (got <= 0)
                break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

private:
    void close() {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    int m_fd = -1;
    std::size_t m_size = 0;
    bool m_failed = false;
};

std::vector<std::u16string> splitPath(std::u16string_view path) {
    std::vector<std::u16string> parts;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t stop = path.find(u'\\', start);
        if (stop == std::u16string_view::npos)
            stop = path.size();
        if (stop > start)
            parts.emplace_back(path.substr(start, stop - start));
        start = stop + 1;
    }
    return parts;
}

std::u16string joinPath(const std::vector<std::u16string>& parts, std::size_t from = 0) {
    std::u16string out;
    for (std::size_t i = from; i < parts.size(); ++i) {
        if (!out.empty())
            out.push_back(u'\\');
        out += parts[i];
    }
    return out;
}

// Reads the hive of `root` and collects the values of `path` as the 32-bit game sees them.
LONG snapshotKey(HKEY root, const std::u16string& path, OpenKey& out) {
    const QString file =
        winePrefixPath() + (root == kHkeyLocalMachine ? QStringLiteral("/system.reg") : QStringLiteral("/user.reg"));
    HiveFile hiveFile(file);
    if (!hiveFile.isOpen())
        return kErrorFileNotFound;

    const std::vector<std::u16string> parts = splitPath(path);
    std::vector<std::u16string> paths{joinPath(parts)};
    // Wine keeps the 32-bit view under HKEY_LOCAL_MACHINE only; HKEY_CURRENT_USER is shared.
    if (root == kHkeyLocalMachine && parts.size() >= 2 && equalsIgnoreCase(parts[0], u"Software") &&
        !equalsIgnoreCase(parts[1], u"Wow6432Node"))
        paths.push_back(parts[0] + u"\\Wow6432Node\\" + joinPath(parts, 1));

    Hive hive =
        readHiveKeys([&](char* into, std::size_t size) { return hiveFile.read(into, size); }, hiveFile.size(), paths);
    if (!hive.valid || hiveFile.failed())
        return kErrorFileNotFound;
    HiveKey& plain = hive.keys[0];
    HiveKey* wow = hive.win64 && paths.size() == 2 && hive.keys[1].present ? &hive.keys[1] : nullptr;
    if (!wow && !plain.present)
        return kErrorFileNotFound;

    out.root = root;
    out.path = joinPath(parts);
    out.values.clear();
    if (wow) {
        std::unordered_set<std::u16string> seen;
        const auto folded = [](std::u16string name) {
            for (char16_t& unit : name)
                unit = foldCase(unit);
            return name;
        };
        for (HiveValue& value : wow->values) {
            seen.insert(folded(value.name));
            out.values.push_back(std::move(value));
        }
        for (HiveValue& value : plain.values) {
            if (!seen.count(folded(value.name)))
                out.values.push_back(std::move(value));
        }
    } else {
        out.values = std::move(plain.values);
    }
    return kErrorSuccess;
}

const HiveValue* findValue(const std::vector<HiveValue>& values, std::u16string_view name) {
    for (const HiveValue& value : values) {
        if (equalsIgnoreCase(value.name, name))
            return &value;
    }
    return nullptr;
}

} // namespace

LONG RegOpenKeyA(HKEY key, const char* subKey, HKEY* result) {
    if (!result)
        return kErrorInvalidParameter;
    *result = 0;

    HKEY root = key;
    std::u16string path;
    if (!isRoot(key)) {
        const std::lock_guard lock(g_mutex);
        const auto it = g_openKeys.find(key);
        if (it == g_openKeys.end())
            return kErrorInvalidHandle;
        root = it->second.root;
        path = it->second.path;
    }
    if (!subKey || !*subKey) {
        *result = key;
        return kErrorSuccess;
    }
    if (!path.empty())
        path.push_back(u'\\');
    path += utf16FromAnsi(subKey);

    OpenKey opened;
    const LONG status = snapshotKey(root, path, opened);
    if (status != kErrorSuccess)
        return status;

    const std::lock_guard lock(g_mutex);
    const HKEY handle = g_nextHandle;
    g_nextHandle += 4;
    g_openKeys.emplace(handle, std::move(opened));
    *result = handle;
    return kErrorSuccess;
}

LONG RegQueryValueExA(HKEY key, const char* valueName, DWORD* reserved, DWORD* type, std::uint8_t* data,
                      DWORD* cbData) {
    if (reserved || (data && !cbData))
        return kErrorInvalidParameter;
    const std::u16string name = valueName ? utf16FromAnsi(valueName) : std::u16string();

    // The data as the caller gets it: strings converted to ANSI.
    DWORD valueType = kRegNone;
    std::string bytes;
    const auto take = [&](const HiveValue* value) {
        if (!value)
            return false;
        valueType = value->type;
        bytes = isString(value->type) ? ansiFromUtf16(value->data) : value->data;
        return true;
    };
    if (isRoot(key)) {
        OpenKey rootKey;
        const LONG status = snapshotKey(key, {}, rootKey);
        if (status != kErrorSuccess)
            return status;
        if (!take(findValue(rootKey.values, name)))
            return kErrorFileNotFound;
    } else {
        const std::lock_guard lock(g_mutex);
        const auto it = g_openKeys.find(key);
        if (it == g_openKeys.end())
            return kErrorInvalidHandle;
        if (!take(findValue(it->second.values, name)))
            return kErrorFileNotFound;
    }

    const auto size = static_cast<DWORD>(bytes.size());
    if (type)
        *type = valueType;
    LONG status = kErrorSuccess;
    if (data) {
        if (*cbData < size) {
            status = kErrorMoreData;
        } else {
            std::memcpy(data, bytes.data(), size);
            // Like Windows, end an unterminated string with a NUL when the buffer has room for one.
            if (isString(valueType) && size < *cbData && (size == 0 || bytes.back() != '\0'))
                data[size] = 0;
        }
    }
    if (cbData)
        *cbData = size;
    return status;
}

LONG RegCloseKey(HKEY key) {
    if (isRoot(key))
        return kErrorSuccess;
    const std::lock_guard lock(g_mutex);
    return g_openKeys.erase(key) ? kErrorSuccess : kErrorInvalidHandle;
}

std::size_t openRegistryKeyCount() {
    const std::lock_guard lock(g_mutex);
    return g_openKeys.size();
}

} // namespace quillmere::host

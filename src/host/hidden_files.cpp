#include "host/hidden_files.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <utility>

#include <sched.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace quillmere::host {

namespace {

constexpr std::size_t kBatchSize = 128;
constexpr char kAttribute[] = "user.DOSATTRIB";

unsigned readLittleEndian(const char* bytes, int count) {
    unsigned value = 0;
    for (int i = count - 1; i >= 0; --i)
        value = value << 8 | static_cast<unsigned char>(bytes[i]);
    return value;
}

} // namespace

bool dosAttribHides(const char* value, std::size_t length) {
    constexpr unsigned hiddenOrSystem = 0x2 | 0x4;
    // Wine keeps them the way Samba does: as hex text ("0x22"), or as Samba's binary record
    // (version, level, then the attributes, little-endian).
    if (length >= 2 && value[0] == '0' && (value[1] == 'x' || value[1] == 'X')) {
        const std::string text(value + 2, strnlen(value + 2, length - 2));
        const std::size_t first = text.find_first_not_of(" \t\n\r\f\v");
        const std::size_t last = text.find_last_not_of(" \t\n\r\f\v");
        if (first == std::string::npos)
            return false;
        unsigned attributes = 0;
        for (std::size_t i = first; i <= last; ++i) {
            const char c = text[i];
            const int digit = c >= '0' && c <= '9'   ? c - '0'
                              : c >= 'a' && c <= 'f' ? c - 'a' + 10
                              : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                     : -1;
            if (digit < 0 || attributes > 0x0fffffffu)
                return false;
            attributes = attributes << 4 | static_cast<unsigned>(digit);
        }
        return (attributes & hiddenOrSystem) != 0;
    }
    if (length < 8)
        return false;
    const unsigned version = readLittleEndian(value, 2);
    if (version != readLittleEndian(value + 2, 2) || version < 1 || version > 5)
        return false;
    if (version <= 2)
        return (readLittleEndian(value + 4, 4) & hiddenOrSystem) != 0;
    return length >= 12 && (readLittleEndian(value + 8, 4) & hiddenOrSystem) != 0;
}

HiddenAttributeReader::HiddenAttributeReader(int folderFd, QByteArray folderPath)
    : m_folderFd(folderFd)
    , m_folderPrefix(std::move(folderPath)) {
    if (!m_folderPrefix.endsWith('/'))
        m_folderPrefix += '/';
}

HiddenAttributeReader::~HiddenAttributeReader() {
    {
        const std::lock_guard lock(m_mutex);
        m_closed = true;
    }
    m_work.notify_all();
    for (std::thread& helper : m_helpers)
        helper.join();
}

void HiddenAttributeReader::add(const char* name) {
    m_filling.starts.push_back(static_cast<std::uint32_t>(m_filling.names.size()));
    m_filling.names.append(name);
    m_filling.names.push_back('\0');
    if (m_filling.starts.size() == kBatchSize)
        submit();
}

void HiddenAttributeReader::submit() {
    {
        const std::lock_guard lock(m_mutex);
        m_batches.push_back(std::exchange(m_filling, Batch{}));
    }
    if (!m_helpersStarted) {
        m_helpersStarted = true;
        // One helper per spare processor; the caller takes its share at the end.
        const unsigned processors = std::max(1u, std::thread::hardware_concurrency());
        const unsigned count = std::clamp(processors - 1, 1u, 3u);
        try {
            for (unsigned i = 0; i < count; ++i)
                m_helpers.emplace_back(&HiddenAttributeReader::helperMain, this);
        } catch (const std::system_error&) {
            // Out of threads: the caller reads what the helpers do not.
        }
    }
    m_work.notify_one();
}

HiddenAttributeReader::Batch* HiddenAttributeReader::take(std::unique_lock<std::mutex>& lock) {
    m_work.wait(lock, [this] { return m_closed || m_nextToTake < m_batches.size(); });
    return m_nextToTake < m_batches.size() ? &m_batches[m_nextToTake++] : nullptr;
}

void HiddenAttributeReader::judge(Batch& batch, bool relative) const {
    batch.hidden.resize(batch.starts.size());
    QByteArray path = m_folderPrefix;
    char value[256];
    for (std::size_t i = 0; i < batch.starts.size(); ++i) {
        const char* name = batch.names.data() + batch.starts[i];
        if (!relative) {
            path.truncate(m_folderPrefix.size());
            path.append(name);
        }
        const ssize_t length = ::getxattr(relative ? name : path.constData(), kAttribute, value, sizeof value);
        batch.hidden[i] = length > 0 && dosAttribHides(value, static_cast<std::size_t>(length));
    }
}

void HiddenAttributeReader::helperMain() {
    // With a working folder of its own, the thread looks each name up in the folder alone
    // instead of walking the whole path every time. The process's working folder is untouched.
    const bool relative = ::unshare(CLONE_FS) == 0 && ::fchdir(m_folderFd) == 0;
    std::unique_lock lock(m_mutex);
    while (Batch* batch = take(lock)) {
        lock.unlock();
        judge(*batch, relative);
        lock.lock();
        batch->done = true;
        m_progress.notify_all();
    }
}

std::vector<bool> HiddenAttributeReader::finish() {
    std::vector<bool> hidden;
    if (m_batches.empty()) {
        // Too few files to be worth a thread.
        judge(m_filling, false);
        hidden = std::move(m_filling.hidden);
        m_filling = Batch{};
        return hidden;
    }
    if (!m_filling.starts.empty())
        submit();
    std::unique_lock lock(m_mutex);
    m_closed = true;
    m_work.notify_all();
    // Take a share of what is left rather than wait idle.
    while (m_nextToTake < m_batches.size()) {
        Batch& batch = m_batches[m_nextToTake++];
        lock.unlock();
        judge(batch, false);
        lock.lock();
        batch.done = true;
    }
    m_progress.wait(lock, [this] {
        return std::all_of(m_batches.begin(), m_batches.end(), [](const Batch& batch) { return batch.done; });
    });
    lock.unlock();
    // No helper outlives this call, nor its use of the folder's descriptor.
    for (std::thread& helper : m_helpers)
        helper.join();
    m_helpers.clear();
    for (const Batch& batch : m_batches)
        hidden.insert(hidden.end(), batch.hidden.begin(), batch.hidden.end());
    return hidden;
}

} // namespace quillmere::host

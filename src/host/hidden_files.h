#pragma once

#include <QByteArray>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Wine's hidden-file attribute for many files of one folder. Reading it costs one system call
// per file, the bulk of listing a large folder, so the reads run on helper threads while the
// caller is still reading the folder.
namespace quillmere::host {

// Whether a "user.DOSATTRIB" value, as Wine writes it, marks a file hidden or system.
bool dosAttribHides(const char* value, std::size_t length);

class HiddenAttributeReader {
public:
    // `folderFd` stays the caller's; it must stay open until finish() returns.
    HiddenAttributeReader(int folderFd, QByteArray folderPath);
    ~HiddenAttributeReader();
    HiddenAttributeReader(const HiddenAttributeReader&) = delete;
    HiddenAttributeReader& operator=(const HiddenAttributeReader&) = delete;

    // A file of the folder, by its host name, to be judged.
    void add(const char* name);
    // Whether each added file is hidden by its attribute, in the order they were added.
    std::vector<bool> finish();

private:
    struct Batch {
        std::string names; // each name followed by a NUL
        std::vector<std::uint32_t> starts;
        std::vector<bool> hidden;
        bool done = false;
    };

    void submit();
    Batch* take(std::unique_lock<std::mutex>& lock);
    void judge(Batch& batch, bool relative) const;
    void helperMain();

    int m_folderFd;
    QByteArray m_folderPrefix; // the folder's host path with a trailing "/"
    Batch m_filling;
    std::mutex m_mutex;
    std::condition_variable m_work;
    std::condition_variable m_progress;
    std::deque<Batch> m_batches; // guarded by m_mutex, as are the two below
    std::size_t m_nextToTake = 0;
    bool m_closed = false;
    bool m_helpersStarted = false;
    std::vector<std::thread> m_helpers;
};

} // namespace quillmere::host

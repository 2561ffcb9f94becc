#include "copy/sync_files.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>

namespace quillmere::copy {

namespace {

// Enough syncs in flight for the file system to gather them into few commits; more threads would
// only wait on the same commits.
constexpr std::size_t MaxSyncThreads = 8;
constexpr auto WaitStep = std::chrono::milliseconds(30);

struct SyncJobs {
    FileIo& io;
    const std::vector<int>& fds;
    std::vector<int> results;
    std::mutex mutex;
    std::condition_variable progress;
    std::size_t next = 0;
    std::size_t done = 0;

    void work() {
        for (;;) {
            std::size_t index;
            {
                const std::lock_guard lock(mutex);
                if (next == fds.size())
                    return;
                index = next++;
            }
            const int result = io.syncFile(fds[index]);
            {
                const std::lock_guard lock(mutex);
                results[index] = result;
                ++done;
            }
            progress.notify_all();
        }
    }
};

} // namespace

std::vector<int> syncFiles(FileIo& io, const std::vector<int>& fds, const std::function<void()>& whileWaiting) {
    SyncJobs jobs{io, fds, std::vector<int>(fds.size(), 0), {}, {}};
    std::vector<std::thread> helpers;
    const std::size_t wanted = std::min(fds.size(), MaxSyncThreads);
    for (std::size_t i = 0; i < wanted; ++i) {
        try {
            helpers.emplace_back([&jobs] { jobs.work(); });
        } catch (const std::system_error&) {
            break; // fewer helpers; the ones started, or this thread, do the rest
        }
    }
    if (helpers.empty())
        jobs.work();
    {
        std::unique_lock lock(jobs.mutex);
        while (!jobs.progress.wait_for(lock, WaitStep, [&jobs] { return jobs.done == jobs.fds.size(); })) {
            lock.unlock();
            whileWaiting();
            lock.lock();
        }
    }
    for (std::thread& helper : helpers)
        helper.join();
    return std::move(jobs.results);
}

} // namespace quillmere::copy

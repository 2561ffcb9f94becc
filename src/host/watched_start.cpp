#include "host/watched_start.h"

#include "host/process_start.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <ctime>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace quillmere::host {

namespace {

// What the watcher process tells us: the program ended (with its wait status), or still runs.
struct Report {
    char ended = 0;
    int status = 0;
};

// NULL-terminated argument and environment vectors, built before the fork: the forked child may
// only make async-signal-safe calls.
class CVector {
public:
    explicit CVector(const QStringList& items) {
        for (const QString& item : items)
            m_bytes.push_back(QFile::encodeName(item));
        for (QByteArray& bytes : m_bytes)
            m_pointers.push_back(bytes.data());
        m_pointers.push_back(nullptr);
    }
    char* const* data() const { return m_pointers.data(); }

private:
    std::vector<QByteArray> m_bytes;
    std::vector<char*> m_pointers;
};

// An unnamed file for the program's output: nothing to clean up, whoever ends first.
int openOutputFile() {
    const QByteArray folder = QFile::encodeName(QDir::tempPath());
    int fd = ::open(folder.constData(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
    if (fd >= 0)
        return fd;
    QByteArray name = folder + "/quillmere-start-XXXXXX";
    fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd >= 0)
        ::unlink(name.constData());
    return fd;
}

// What the watcher runs, as C vectors built before the fork.
struct WatchPlan {
    const char* program = nullptr;
    char* const* argv = nullptr;
    char* const* envp = nullptr;
    const char* afterProgram = nullptr; // nothing runs after the program when null
    char* const* afterArgv = nullptr;
    int outputFd = -1; // -1: /dev/null
    int reportFd = -1;
    long watchMs = 0;
};

// Runs a program in this forked process, with no signal blocked and nothing to read.
[[noreturn]] void execute(const char* program, char* const* argv, char* const* envp, int outputFd) {
    sigset_t none;
    ::sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const int null = ::open("/dev/null", O_RDWR);
    ::dup2(null, STDIN_FILENO);
    ::dup2(outputFd < 0 ? null : outputFd, STDOUT_FILENO);
    ::dup2(outputFd < 0 ? null : outputFd, STDERR_FILENO);
    ::execve(program, argv, envp);
    _exit(127);
}

void sendReport(int reportFd, const Report& report) {
    [[maybe_unused]] const ssize_t written = ::write(reportFd, &report, sizeof report);
}

// Waits for the program at most watchMs; `ended` when it did end meanwhile.
Report watchFor(pid_t child, long watchMs) {
    for (long waited = 0;; waited += 20) {
        int status = 0;
        if (::waitpid(child, &status, WNOHANG) == child)
            return {1, status};
        if (waited >= watchMs)
            return {};
        const timespec step{0, 20L * 1000 * 1000};
        ::nanosleep(&step, nullptr);
    }
}

// The watcher: starts the program, waits for it at most watchMs and reports. Without a command to
// run after the program it then ends, leaving a program that still runs to the system; with one,
// it waits for the program to end and becomes that command. Only async-signal-safe calls here.
[[noreturn]] void runWatcher(const WatchPlan& plan) {
    if (plan.afterArgv != nullptr) {
        // This watcher outlives the watch, so it must not be the child that the starter waits for.
        const pid_t watcher = ::fork();
        if (watcher < 0)
            sendReport(plan.reportFd, {1, 127 << 8});
        if (watcher != 0)
            _exit(0);
    }
    ::setsid(); // no hang-up from our terminal, no signals meant for our process group
    const pid_t child = ::fork();
    if (child == 0)
        execute(plan.program, plan.argv, plan.envp, plan.outputFd);
    const Report report = child < 0 ? Report{1, 127 << 8} : watchFor(child, plan.watchMs);
    sendReport(plan.reportFd, report);
    if (plan.afterArgv == nullptr || child < 0)
        _exit(0);
    if (!report.ended) {
        int status = 0;
        while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
    }
    execute(plan.afterProgram, plan.afterArgv, plan.envp, -1);
}

// The last line the program printed, read from the end of its output.
QString lastOutputLine(int outputFd) {
    struct stat info {};
    if (::fstat(outputFd, &info) != 0 || info.st_size <= 0)
        return {};
    const off_t size = info.st_size;
    const off_t from = size > 4096 ? size - 4096 : 0;
    QByteArray tail(static_cast<qsizetype>(size - from), '\0');
    const ssize_t got = ::pread(outputFd, tail.data(), static_cast<size_t>(tail.size()), from);
    if (got <= 0)
        return {};
    tail.truncate(got);
    const QList<QByteArray> lines = tail.split('\n');
    const auto text = [](const QByteArray& line) { return QString::fromLocal8Bit(line).trimmed(); };
    const auto last =
        std::find_if(lines.crbegin(), lines.crend(), [&text](const QByteArray& line) { return !text(line).isEmpty(); });
    return last == lines.crend() ? QString() : text(*last);
}

QString failureReason(const Report& report, int outputFd) {
    QString line = lastOutputLine(outputFd);
    if (!line.isEmpty())
        return line;
    if (WIFSIGNALED(report.status))
        return WineProcessStarter::tr("It ended at once, stopped by signal %1.").arg(WTERMSIG(report.status));
    return WineProcessStarter::tr("It ended at once with exit code %1.").arg(WEXITSTATUS(report.status));
}

bool isFailure(const Report& report) {
    return report.ended && !(WIFEXITED(report.status) && WEXITSTATUS(report.status) == 0);
}

// The parent's side of one watch: waits for the watcher's report from the event loop.
class StartWatch final : public QObject {
public:
    StartWatch(pid_t watcher, int reportFd, int outputFd, FailedSoon failedSoon)
        : QObject(QCoreApplication::instance())
        , m_watcher(watcher)
        , m_reportFd(reportFd)
        , m_outputFd(outputFd)
        , m_failedSoon(std::move(failedSoon))
        , m_notifier(new QSocketNotifier(reportFd, QSocketNotifier::Read, this)) {
        connect(m_notifier, &QSocketNotifier::activated, this, &StartWatch::reportArrived);
    }
    ~StartWatch() override { finish(); }
    StartWatch(const StartWatch&) = delete;
    StartWatch& operator=(const StartWatch&) = delete;

    // Reads the report, blocking until the watcher sends it; a watcher gone silent reports nothing.
    static Report readReport(int reportFd) {
        Report report;
        ssize_t got;
        do {
            got = ::read(reportFd, &report, sizeof report);
        } while (got < 0 && errno == EINTR);
        return got == static_cast<ssize_t>(sizeof report) ? report : Report{};
    }

private:
    void reportArrived() {
        m_notifier->setEnabled(false);
        const Report report = readReport(m_reportFd);
        const QString reason = isFailure(report) ? failureReason(report, m_outputFd) : QString();
        FailedSoon failedSoon = std::move(m_failedSoon);
        finish();
        deleteLater();
        if (!reason.isEmpty() && failedSoon)
            failedSoon(reason);
    }

    void finish() {
        if (m_watcher > 0)
            ::waitpid(m_watcher, nullptr, 0); // it ends by its report at the latest
        m_watcher = -1;
        for (int* fd : {&m_reportFd, &m_outputFd}) {
            if (*fd >= 0)
                ::close(*fd);
            *fd = -1;
        }
    }

    pid_t m_watcher;
    int m_reportFd;
    int m_outputFd;
    FailedSoon m_failedSoon;
    QSocketNotifier* m_notifier;
};

} // namespace

bool startWatched(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment,
                  std::chrono::milliseconds watch, FailedSoon failedSoon, QString* error,
                  const QStringList& afterExit) {
    const bool watched = QCoreApplication::instance() != nullptr;
    const QByteArray programBytes = QFile::encodeName(program);
    const CVector argv(QStringList{program} + arguments);
    const CVector envp(environment.toStringList());
    const QByteArray afterProgram = afterExit.isEmpty() ? QByteArray() : QFile::encodeName(afterExit.first());
    const CVector afterArgv(afterExit);

    const int outputFd = openOutputFile();
    int report[2] = {-1, -1};
    if (outputFd < 0 || ::pipe2(report, O_CLOEXEC) != 0) {
        *error = QString::fromLocal8Bit(std::strerror(errno));
        for (const int fd : {outputFd, report[0], report[1]}) {
            if (fd >= 0)
                ::close(fd);
        }
        return false;
    }
    const WatchPlan plan{programBytes.constData(),
                         argv.data(),
                         envp.data(),
                         afterExit.isEmpty() ? nullptr : afterProgram.constData(),
                         afterExit.isEmpty() ? nullptr : afterArgv.data(),
                         outputFd,
                         report[1],
                         watched ? static_cast<long>(watch.count()) : 0};
    const pid_t watcher = ::fork();
    if (watcher == 0)
        runWatcher(plan);
    const int forkError = errno;
    ::close(report[1]);
    if (watcher < 0) {
        ::close(report[0]);
        ::close(outputFd);
        *error = QString::fromLocal8Bit(std::strerror(forkError));
        return false;
    }
    if (!watched) {
        StartWatch::readReport(report[0]);
        ::waitpid(watcher, nullptr, 0);
        ::close(report[0]);
        ::close(outputFd);
        return true;
    }
    new StartWatch(watcher, report[0], outputFd, std::move(failedSoon));
    return true;
}

} // namespace quillmere::host

// Starts a program and follows, on the X server's own events, its top-level window with a given
// title: the moment it is mapped and the moment its first content reaches it (the first damage
// after mapping), both counted from just before exec. Qt maps a window before it paints, and what
// is painted first (text needs the fonts loaded) differs from program to program, so "shown"
// means painted. After a short settle the program's resident memory is read; then it is killed.
//   window_watch <title> <settle ms> <program> [arguments...]
// Output (one line): mapped_ms=<ms> shown_ms=<ms> cpu_ms=<CPU time until shown, all threads>
// queued_ms=<main thread's wait for a CPU until shown> rss_kb=<VmRSS> pid=<pid>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xdamage.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <poll.h>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kTimeout = std::chrono::seconds(60);

Display* g_display = nullptr;
Atom g_netWmName = None;
Atom g_utf8String = None;

// Qt sets both WM_NAME and _NET_WM_NAME; either serves.
std::string windowTitle(Window window) {
    std::string title;
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(g_display, window, g_netWmName, 0, 1024, False, g_utf8String, &type, &format, &count, &after,
                           &data) == Success &&
        data != nullptr) {
        title.assign(reinterpret_cast<const char*>(data), count);
        XFree(data);
    }
    if (title.empty()) {
        char* name = nullptr;
        if (XFetchName(g_display, window, &name) && name != nullptr) {
            title = name;
            XFree(name);
        }
    }
    return title;
}

bool isViewable(Window window) {
    XWindowAttributes attributes{};
    return XGetWindowAttributes(g_display, window, &attributes) && attributes.map_state == IsViewable;
}

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    return -1;
}

// The CPU time all of the program's threads have used so far, from the scheduler's own account:
// unlike the wall time, it does not depend on what else the machine is doing.
double cpuMs(pid_t pid) {
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    DIR* dir = opendir(tasks.c_str());
    if (dir == nullptr)
        return -1;
    double ns = 0;
    while (const dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        std::ifstream schedstat(tasks + '/' + entry->d_name + "/schedstat");
        double taskNs = 0;
        if (schedstat >> taskNs)
            ns += taskNs;
    }
    closedir(dir);
    return ns / 1e6;
}

// How long the main thread stood ready to run while other work held the CPUs: the part of the
// wall time that belongs to the machine's load, not to the program.
double queuedMs(pid_t pid) {
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/schedstat");
    double runNs = 0;
    double waitNs = 0;
    return schedstat >> runNs >> waitNs ? waitNs / 1e6 : -1;
}

// A window that vanishes between an event and our query must not end the watch.
int ignoreErrors(Display*, XErrorEvent*) {
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <title> <settle ms> <program> [arguments...]\n", argv[0]);
        return 2;
    }
    const std::string wanted = argv[1];
    const int settleMs = std::atoi(argv[2]);

    g_display = XOpenDisplay(nullptr);
    if (g_display == nullptr) {
        std::fprintf(stderr, "window_watch: cannot open the display\n");
        return 2;
    }
    XSetErrorHandler(ignoreErrors);
    g_netWmName = XInternAtom(g_display, "_NET_WM_NAME", False);
    g_utf8String = XInternAtom(g_display, "UTF8_STRING", False);
    const Window root = DefaultRootWindow(g_display);
    // Without a window manager the program's windows are the root's children: their creation and
    // mapping arrive here.
    XSelectInput(g_display, root, SubstructureNotifyMask);
    XSync(g_display, False);

    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid < 0)
        return 2;
    if (pid == 0) {
        execvp(argv[3], argv + 3);
        std::perror("window_watch: exec");
        _exit(127);
    }

    int damageEvent = 0;
    int damageError = 0;
    if (!XDamageQueryExtension(g_display, &damageEvent, &damageError)) {
        std::fprintf(stderr, "window_watch: the X server has no DAMAGE extension\n");
        kill(pid, SIGKILL);
        return 2;
    }

    std::set<Window> mapped;
    Window target = None;
    const int fd = ConnectionNumber(g_display);
    bool found = false;
    Clock::time_point mappedAt;
    Clock::time_point shown;
    double cpu = -1;
    double queued = -1;
    while (!found) {
        if (Clock::now() - start > kTimeout) {
            std::fprintf(stderr, "window_watch: no painted window titled \"%s\" within %lld s\n", wanted.c_str(),
                         static_cast<long long>(kTimeout.count()));
            break;
        }
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) {
            std::fprintf(stderr, "window_watch: %s ended before showing its window\n", argv[3]);
            return 1;
        }
        if (XPending(g_display) == 0) {
            pollfd entry{fd, POLLIN, 0};
            poll(&entry, 1, 50);
            continue;
        }
        XEvent event;
        XNextEvent(g_display, &event);
        Window candidate = None;
        if (event.type == CreateNotify) {
            // The title may be set after mapping; watch the window's properties and drawing too.
            XSelectInput(g_display, event.xcreatewindow.window, PropertyChangeMask);
            XDamageCreate(g_display, event.xcreatewindow.window, XDamageReportRawRectangles);
        } else if (event.type == MapNotify) {
            mapped.insert(event.xmap.window);
            candidate = event.xmap.window;
        } else if (event.type == UnmapNotify) {
            mapped.erase(event.xunmap.window);
        } else if (event.type == PropertyNotify && mapped.count(event.xproperty.window) != 0) {
            candidate = event.xproperty.window;
        } else if (event.type == damageEvent + XDamageNotify && target != None) {
            const auto& damage = reinterpret_cast<const XDamageNotifyEvent&>(event);
            if (damage.drawable == target) {
                shown = Clock::now();
                cpu = cpuMs(pid);
                queued = queuedMs(pid);
                found = true;
            }
        }
        if (target == None && candidate != None && windowTitle(candidate) == wanted && isViewable(candidate)) {
            mappedAt = Clock::now();
            target = candidate;
        }
    }

    long rss = -1;
    if (found) {
        std::this_thread::sleep_for(std::chrono::milliseconds(settleMs));
        rss = residentKb(pid);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    XCloseDisplay(g_display);
    if (!found)
        return 1;
    const auto ms = [start](Clock::time_point when) {
        return std::chrono::duration<double, std::milli>(when - start).count();
    };
    std::printf("mapped_ms=%.1f shown_ms=%.1f cpu_ms=%.1f queued_ms=%.1f rss_kb=%ld pid=%d\n", ms(mappedAt), ms(shown),
                cpu, queued, rss, static_cast<int>(pid));
    return 0;
}

// Starts a program and waits, on the X server's own events, for a top-level window with a given
// title to be mapped; prints the time from just before exec to that moment and, after a short
// settle, the program's resident memory. The program is then killed.
//   window_watch <title> <settle ms> <program> [arguments...]
// Output (one line): shown_ms=<milliseconds> rss_kb=<VmRSS> pid=<pid>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
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

    std::set<Window> mapped;
    const int fd = ConnectionNumber(g_display);
    bool found = false;
    Clock::time_point shown;
    while (!found) {
        if (Clock::now() - start > kTimeout) {
            std::fprintf(stderr, "window_watch: no window titled \"%s\" within %lld s\n", wanted.c_str(),
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
            // The title may be set after mapping; watch the window's properties too.
            XSelectInput(g_display, event.xcreatewindow.window, PropertyChangeMask);
        } else if (event.type == MapNotify) {
            mapped.insert(event.xmap.window);
            candidate = event.xmap.window;
        } else if (event.type == UnmapNotify) {
            mapped.erase(event.xunmap.window);
        } else if (event.type == PropertyNotify && mapped.count(event.xproperty.window) != 0) {
            candidate = event.xproperty.window;
        }
        if (candidate != None && windowTitle(candidate) == wanted && isViewable(candidate)) {
            shown = Clock::now();
            found = true;
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
    const double ms = std::chrono::duration<double, std::milli>(shown - start).count();
    std::printf("shown_ms=%.1f rss_kb=%ld pid=%d\n", ms, rss, static_cast<int>(pid));
    return 0;
}

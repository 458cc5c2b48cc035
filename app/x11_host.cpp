#include "app/x11_host.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "app/dirty_screen.h"
#include "saver/box_animator.h"

namespace {

// The display is shown at most this often; Xvfb and many drivers report no rate of their own.
constexpr int64_t FrameMicros = 1000000 / 60;
// A wait that fell due longer ago than this (the process was stopped, the machine slept)
// starts counting again from now: the drawing is the same, only later.
constexpr int64_t BacklogMicros = 250000;
// Longest single sleep; a wait of billions of polls is slept in pieces.
constexpr int64_t LongestSleepMillis = 60000;
// The window made when run by hand, as XScreenSaver's hacks make theirs.
constexpr unsigned OwnWidth = 640;
constexpr unsigned OwnHeight = 480;

int64_t NowMicros() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// X reports errors through one process-wide handler.
struct XErrors {
    bool Trapping = false; // an expected failure is being tested for
    int Trapped = 0;
    bool WindowGone = false; // BadWindow or BadDrawable: the window was destroyed
    int Unexpected = 0;
    int Request = 0;
};
XErrors Errors;

int OnXError(Display*, XErrorEvent* event) {
    if (Errors.Trapping) {
        Errors.Trapped = event->error_code;
    } else if (event->error_code == BadWindow || event->error_code == BadDrawable) {
        Errors.WindowGone = true;
    } else if (Errors.Unexpected == 0) {
        Errors.Unexpected = event->error_code;
        Errors.Request = event->request_code;
    }
    return 0;
}

// The connection is gone, and with it the server and the window: nothing is left to draw on.
int OnXIOError(Display*) {
    std::_Exit(0);
}

void BeginTrap() {
    Errors.Trapping = true;
    Errors.Trapped = 0;
}

int EndTrap(Display* display) {
    XSync(display, False);
    Errors.Trapping = false;
    return Errors.Trapped;
}

// Signals reach the loop through a pipe it polls, so none is lost between a check and a sleep.
int SignalPipe[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    if (write(SignalPipe[1], &byte, 1) < 0) {
        // Full: a wake-up is already waiting.
    }
    errno = saved;
}

bool WatchSignals() {
    if (pipe(SignalPipe) != 0) {
        return false;
    }
    for (int fd : SignalPipe) {
        fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
        fcntl(fd, F_SETFD, FD_CLOEXEC);
    }
    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaction(signal, &action, nullptr);
    }
    // A broken connection is the I/O error handler's to report, not a signal's.
    std::signal(SIGPIPE, SIG_IGN);
    return true;
}

// The screen's pixels in the window's format, and the copy to the window.
struct Presenter {
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    Visual* visual = nullptr;
    int depth = 0;
    XImage* image = nullptr;
    bool shared = false; // MIT-SHM: the server reads the image from shared memory
    XShmSegmentInfo segment = {};
    int completionEvent = -1;
    bool completionPending = false; // the server may still be reading the shared image
    bool direct = false;            // 32-bit pixels in this machine's byte order
    uint32_t red[256] = {};
    uint32_t green[256] = {};
    uint32_t blue[256] = {};
};

// A component 0..255 in a mask of any width.
void FillChannel(uint32_t (&table)[256], unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    const uint64_t top = mask;
    for (uint32_t c = 0; c < 256; ++c) {
        table[c] = static_cast<uint32_t>(((c * top + 127) / 255) << shift);
    }
}

void FreeImage(Presenter& p) {
    if (p.image == nullptr) {
        return;
    }
    if (p.shared) {
        if (p.completionPending) {
            XSync(p.display, False);
        }
        XShmDetach(p.display, &p.segment);
        XDestroyImage(p.image);
        shmdt(p.segment.shmaddr);
    } else {
        XDestroyImage(p.image); // frees its pixels
    }
    p.image = nullptr;
    p.shared = false;
    p.completionPending = false;
}

bool MakeSharedImage(Presenter& p, unsigned width, unsigned height) {
    if (!XShmQueryExtension(p.display)) {
        return false;
    }
    p.segment = {};
    p.image = XShmCreateImage(p.display, p.visual, static_cast<unsigned>(p.depth), ZPixmap, nullptr,
                              &p.segment, width, height);
    if (p.image == nullptr) {
        return false;
    }
    const size_t size = static_cast<size_t>(p.image->bytes_per_line) * height;
    p.segment.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (p.segment.shmid < 0) {
        XDestroyImage(p.image);
        p.image = nullptr;
        return false;
    }
    void* memory = shmat(p.segment.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(p.segment.shmid, IPC_RMID, nullptr);
        XDestroyImage(p.image);
        p.image = nullptr;
        return false;
    }
    p.segment.shmaddr = p.image->data = static_cast<char*>(memory);
    p.segment.readOnly = True;
    // A remote server, or one that may not read our memory, refuses the attach.
    BeginTrap();
    const Bool attached = XShmAttach(p.display, &p.segment);
    const bool refused = EndTrap(p.display) != 0 || !attached;
    // Gone once both sides have let go, whatever ends the process.
    shmctl(p.segment.shmid, IPC_RMID, nullptr);
    if (refused) {
        XDestroyImage(p.image);
        shmdt(memory);
        p.image = nullptr;
        return false;
    }
    p.shared = true;
    p.completionEvent = XShmGetEventBase(p.display) + ShmCompletion;
    return true;
}

bool MakeImage(Presenter& p, unsigned width, unsigned height) {
    FreeImage(p);
    if (!MakeSharedImage(p, width, height)) {
        p.image = XCreateImage(p.display, p.visual, static_cast<unsigned>(p.depth), ZPixmap, 0,
                               nullptr, width, height, 32, 0);
        if (p.image == nullptr) {
            return false;
        }
        p.image->data = static_cast<char*>(
            std::calloc(static_cast<size_t>(p.image->bytes_per_line) * height, 1));
        if (p.image->data == nullptr) {
            XDestroyImage(p.image);
            p.image = nullptr;
            return false;
        }
    }
    const uint32_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    const int hostOrder = first == 1 ? LSBFirst : MSBFirst;
    p.direct = p.image->bits_per_pixel == 32 && p.image->byte_order == hostOrder;
    FillChannel(p.red, p.visual->red_mask);
    FillChannel(p.green, p.visual->green_mask);
    FillChannel(p.blue, p.visual->blue_mask);
    return true;
}

// COLORREF pixels (red | green << 8 | blue << 16) of one rectangle into the image.
void ConvertRect(Presenter& p, const soft::Pixels& screen, const DirtyRect& r) {
    for (int32_t y = r.y; y < r.y + r.height; ++y) {
        const uint32_t* from = screen.data + static_cast<size_t>(y) * screen.width + r.x;
        if (p.direct) {
            auto* to = reinterpret_cast<uint32_t*>(p.image->data + static_cast<size_t>(y) *
                                                                       p.image->bytes_per_line) +
                       r.x;
            for (int32_t i = 0; i < r.width; ++i) {
                const uint32_t c = from[i];
                to[i] = p.red[c & 0xFF] | p.green[(c >> 8) & 0xFF] | p.blue[(c >> 16) & 0xFF];
            }
            continue;
        }
        for (int32_t i = 0; i < r.width; ++i) {
            const uint32_t c = from[i];
            XPutPixel(p.image, r.x + i, y,
                      p.red[c & 0xFF] | p.green[(c >> 8) & 0xFF] | p.blue[(c >> 16) & 0xFF]);
        }
    }
}

void Present(Presenter& p, const soft::Pixels& screen, const std::vector<DirtyRect>& rects) {
    if (rects.empty()) {
        return;
    }
    if (p.completionPending) {
        // Rare: the last copy was sent a frame ago and is normally long done.
        XSync(p.display, False);
    }
    for (size_t i = 0; i < rects.size(); ++i) {
        const DirtyRect& r = rects[i];
        ConvertRect(p, screen, r);
        const unsigned w = static_cast<unsigned>(r.width);
        const unsigned h = static_cast<unsigned>(r.height);
        if (p.shared) {
            // Only the last copy reports its end: the server takes them in order.
            const bool last = i + 1 == rects.size();
            XShmPutImage(p.display, p.window, p.gc, p.image, r.x, r.y, r.x, r.y, w, h,
                         last ? True : False);
            p.completionPending = p.completionPending || last;
        } else {
            XPutImage(p.display, p.window, p.gc, p.image, r.x, r.y, r.x, r.y, w, h);
        }
    }
    XFlush(p.display);
}

struct Host {
    const HackOptions* options = nullptr;
    Display* display = nullptr;
    Window window = 0;
    bool ownWindow = false;
    Atom deleteWindow = None;
    int width = 0;
    int height = 0;
    Presenter presenter;
    DirtyScreen screen;
    Saver core;
    uint32_t seed = 0;
    bool running = false;
    int64_t nextDue = 0;     // when the wait the saver stands in ends
    int64_t lastPresent = 0; // when the window was last brought up to date
    bool quit = false;
    bool failed = false; // a restart at a new size could not be made
    std::vector<DirtyRect> rects;
};

uint32_t SeedTicks(void* clock) {
    return *static_cast<const uint32_t*>(clock);
}

void StopSaver(Host& h) {
    if (h.running) {
        BoxAnimatorEnd(h.core);
        h.running = false;
    }
    FreeDirtyScreen(h.screen);
    FreeImage(h.presenter);
}

// A fresh saver at the window's size: a new black screen, all of it to be shown.
bool StartSaver(Host& h, int width, int height) {
    StopSaver(h);
    h.width = width;
    h.height = height;
    if (!NewDirtyScreen(h.screen, width, height)) {
        std::fprintf(stderr, "tavorinex: a window of %dx%d is larger than the saver draws\n", width,
                     height);
        return false;
    }
    if (!MakeImage(h.presenter, static_cast<unsigned>(width), static_cast<unsigned>(height))) {
        std::fprintf(stderr, "tavorinex: cannot make a %dx%d image\n", width, height);
        return false;
    }
    // Without --seed, the tick count Windows would give: any millisecond count.
    h.seed = h.options->HasSeed ? h.options->Seed
                                : static_cast<uint32_t>(static_cast<uint64_t>(NowMicros() / 1000));
    SaverPlatform platform = DirtyPlatformOn(h.screen);
    platform.TickCount = SeedTicks;
    platform.Clock = &h.seed;
    h.core = Saver{};
    BoxAnimatorStart(h.core, platform, h.screen.Screen, h.options->Parameters);
    h.running = true;
    h.nextDue = NowMicros();
    return true;
}

bool UseWindow(Host& h, Window window, const char* what) {
    XWindowAttributes attributes;
    BeginTrap();
    const Status found = XGetWindowAttributes(h.display, window, &attributes);
    if (EndTrap(h.display) != 0 || found == 0) {
        std::fprintf(stderr, "tavorinex: cannot use %s 0x%lx\n", what, window);
        return false;
    }
    if (attributes.visual->c_class != TrueColor) {
        std::fprintf(stderr, "tavorinex: %s 0x%lx has no TrueColor visual\n", what, window);
        return false;
    }
    h.window = window;
    h.presenter.display = h.display;
    h.presenter.window = window;
    h.presenter.visual = attributes.visual;
    h.presenter.depth = attributes.depth;
    if (!h.ownWindow) {
        // Another client's window: only what every client may watch.
        BeginTrap();
        XSelectInput(h.display, window, StructureNotifyMask | ExposureMask);
        if (EndTrap(h.display) != 0) {
            std::fprintf(stderr, "tavorinex: cannot use %s 0x%lx\n", what, window);
            return false;
        }
    }
    h.presenter.gc = XCreateGC(h.display, window, 0, nullptr);
    return StartSaver(h, attributes.width, attributes.height);
}

bool MakeOwnWindow(Host& h) {
    const int screen = DefaultScreen(h.display);
    const unsigned width = std::min<unsigned>(OwnWidth, DisplayWidth(h.display, screen));
    const unsigned height = std::min<unsigned>(OwnHeight, DisplayHeight(h.display, screen));
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = BlackPixel(h.display, screen);
    attributes.event_mask = StructureNotifyMask | ExposureMask | KeyPressMask;
    Window window = XCreateWindow(h.display, RootWindow(h.display, screen), 0, 0, width, height, 0,
                                  CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixel | CWEventMask, &attributes);
    XStoreName(h.display, window, "Tavorinex");
    XClassHint hint = {const_cast<char*>("tavorinex"), const_cast<char*>("Tavorinex")};
    XSetClassHint(h.display, window, &hint);
    h.deleteWindow = XInternAtom(h.display, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(h.display, window, &h.deleteWindow, 1);
    h.ownWindow = true;
    if (!UseWindow(h, window, "window")) {
        return false;
    }
    XMapWindow(h.display, window);
    return true;
}

void HandleEvent(Host& h, XEvent& event) {
    switch (event.type) {
    case Expose:
        MarkRect(h.screen.Rows, event.xexpose.x, event.xexpose.y,
                 int64_t{event.xexpose.x} + event.xexpose.width,
                 int64_t{event.xexpose.y} + event.xexpose.height);
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == h.window &&
            (event.xconfigure.width != h.width || event.xconfigure.height != h.height)) {
            h.failed = !StartSaver(h, event.xconfigure.width, event.xconfigure.height);
            h.quit = h.quit || h.failed;
        }
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == h.window) {
            h.quit = true;
            Errors.WindowGone = true;
        }
        break;
    case KeyPress: {
        const KeySym key = XLookupKeysym(&event.xkey, 0);
        h.quit = h.quit || key == XK_q || key == XK_Q || key == XK_Escape;
        break;
    }
    case ClientMessage:
        h.quit = h.quit || (event.xclient.format == 32 &&
                            static_cast<Atom>(event.xclient.data.l[0]) == h.deleteWindow);
        break;
    default:
        if (event.type == h.presenter.completionEvent) {
            h.presenter.completionPending = false;
        }
        break;
    }
}

// Advances the saver through every wait that has fallen due.
void CatchUp(Host& h, int64_t now) {
    if (now - h.nextDue > BacklogMicros) {
        h.nextDue = now;
    }
    while (h.nextDue <= now) {
        const SaverWait wait = BoxAnimatorAdvance(h.core);
        h.nextDue += int64_t{wait.Polls} * 1000;
    }
}

int Run(Host& h) {
    const int connection = ConnectionNumber(h.display);
    for (;;) {
        while (!h.quit && XPending(h.display) > 0) {
            XEvent event;
            XNextEvent(h.display, &event);
            HandleEvent(h, event);
        }
        if (h.quit || Errors.WindowGone || Errors.Unexpected != 0) {
            break;
        }
        const int64_t now = NowMicros();
        // Steps are drawn when the display can next show them, which batches the short
        // waits of a fast saver into one wake-up per frame.
        const int64_t nextFrame = h.lastPresent + FrameMicros;
        if (now >= nextFrame) {
            CatchUp(h, now);
            if (IsDirty(h.screen.Rows)) {
                TakeDirtyRects(h.screen.Rows, h.rects);
                Present(h.presenter, soft::PixelsOf(h.screen.Surface, h.screen.Screen), h.rects);
                h.lastPresent = now;
            }
        }
        int64_t wake =
            std::max(IsDirty(h.screen.Rows) ? 0 : h.nextDue, h.lastPresent + FrameMicros);
        const int64_t millis =
            std::clamp<int64_t>((wake - NowMicros() + 999) / 1000, 0, LongestSleepMillis);
        if (XPending(h.display) > 0) {
            continue;
        }
        pollfd fds[2] = {{connection, POLLIN, 0}, {SignalPipe[0], POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(millis)) > 0 && (fds[1].revents & POLLIN) != 0) {
            break;
        }
    }
    if (h.failed) {
        return 1;
    }
    if (Errors.Unexpected != 0 && !Errors.WindowGone) {
        std::fprintf(stderr, "tavorinex: X error %d on request %d\n", Errors.Unexpected,
                     Errors.Request);
        return 1;
    }
    return 0;
}

} // namespace

int RunX11Hack(const HackOptions& options) {
    if (!WatchSignals()) {
        std::fputs("tavorinex: cannot watch signals\n", stderr);
        return 1;
    }
    Display* display = XOpenDisplay(options.Display.empty() ? nullptr : options.Display.c_str());
    if (display == nullptr) {
        std::fprintf(stderr, "tavorinex: cannot open display \"%s\"\n",
                     XDisplayName(options.Display.empty() ? nullptr : options.Display.c_str()));
        return 1;
    }
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
    Host h;
    h.options = &options;
    h.display = display;
    bool ready = false;
    switch (options.Target) {
    case HackTarget::Window:
        ready = UseWindow(h, options.WindowId, "window");
        break;
    case HackTarget::Root:
        ready = UseWindow(h, DefaultRootWindow(display), "root window");
        break;
    case HackTarget::OwnWindow:
        ready = MakeOwnWindow(h);
        break;
    }
    const int code = ready ? Run(h) : 1;
    StopSaver(h);
    // A GC outlives its window; the window itself may already be gone.
    if (h.presenter.gc != nullptr) {
        XFreeGC(display, h.presenter.gc);
    }
    if (h.ownWindow && !Errors.WindowGone) {
        XDestroyWindow(display, h.window);
    }
    XCloseDisplay(display);
    return code;
}

int RunHack(int argc, char** argv) {
    HackOptions options;
    std::vector<std::string> warnings;
    std::string error;
    if (!ParseHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), options, warnings,
                          error)) {
        std::fprintf(stderr, "tavorinex: %s (tavorinex --help shows the options)\n", error.c_str());
        return 2;
    }
    if (options.Help) {
        std::fputs(HackUsage().c_str(), stdout);
        return 0;
    }
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "tavorinex: %s\n", warning.c_str());
    }
    return RunX11Hack(options);
}

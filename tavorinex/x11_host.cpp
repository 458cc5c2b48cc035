#include "tavorinex/x11_host.h"

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
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cli/host_loop.h"
#include "saver/box_animator.h"
#include "saver/dirty_rows.h"
#include "tavorinex/x11_pixels.h"

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

// The image the window is shown from, and the copy to the window. Where the image holds
// 32-bit pixels in a format the surface draws in, the saver's screen is the image itself;
// otherwise the screen is the surface's own and each copy converts what changed.
struct Presenter {
    Display* XDisplay = nullptr;
    Window XWindow = 0;
    GC Gc = nullptr;
    Visual* XVisual = nullptr;
    int Depth = 0;
    XImage* Image = nullptr;
    bool Shared = false; // MIT-SHM: the server reads the image from shared memory
    XShmSegmentInfo Segment = {};
    int CompletionEvent = -1;
    bool CompletionPending = false; // the server may still be reading the shared image
    bool DrawnIn = false;           // the saver draws in the image (in ImageFormat)
    soft::PixelFormat ImageFormat = soft::PixelFormat::ColorRef;
    bool Words = false; // otherwise: 32-bit pixels in this machine's byte order
    PixelChannels Channels = {};
};

void FreeImage(Presenter& p) {
    if (p.Image == nullptr) {
        return;
    }
    if (p.Shared) {
        // No wait for a copy still being made: the server detaches after it, and the segment
        // lives on until both sides have let go.
        XShmDetach(p.XDisplay, &p.Segment);
        XDestroyImage(p.Image);
        shmdt(p.Segment.shmaddr);
    } else {
        XDestroyImage(p.Image); // frees its pixels
    }
    p.Image = nullptr;
    p.Shared = false;
    p.CompletionPending = false;
}

bool MakeSharedImage(Presenter& p, unsigned width, unsigned height) {
    if (!XShmQueryExtension(p.XDisplay)) {
        return false;
    }
    p.Segment = {};
    p.Image = XShmCreateImage(p.XDisplay, p.XVisual, static_cast<unsigned>(p.Depth), ZPixmap,
                              nullptr, &p.Segment, width, height);
    if (p.Image == nullptr) {
        return false;
    }
    const size_t size = static_cast<size_t>(p.Image->bytes_per_line) * height;
    p.Segment.shmid = shmget(IPC_PRIVATE, size, IPC_CREAT | 0600);
    if (p.Segment.shmid < 0) {
        XDestroyImage(p.Image);
        p.Image = nullptr;
        return false;
    }
    void* memory = shmat(p.Segment.shmid, nullptr, 0);
    if (memory == reinterpret_cast<void*>(-1)) {
        shmctl(p.Segment.shmid, IPC_RMID, nullptr);
        XDestroyImage(p.Image);
        p.Image = nullptr;
        return false;
    }
    p.Segment.shmaddr = p.Image->data = static_cast<char*>(memory);
    p.Segment.readOnly = True;
    // A remote server, or one that may not read our memory, refuses the attach.
    BeginTrap();
    const Bool attached = XShmAttach(p.XDisplay, &p.Segment);
    const bool refused = EndTrap(p.XDisplay) != 0 || !attached;
    // Gone once both sides have let go, whatever ends the process.
    shmctl(p.Segment.shmid, IPC_RMID, nullptr);
    if (refused) {
        XDestroyImage(p.Image);
        shmdt(memory);
        p.Image = nullptr;
        return false;
    }
    p.Shared = true;
    p.CompletionEvent = XShmGetEventBase(p.XDisplay) + ShmCompletion;
    return true;
}

bool MakeImage(Presenter& p, unsigned width, unsigned height) {
    FreeImage(p);
    if (!MakeSharedImage(p, width, height)) {
        p.Image = XCreateImage(p.XDisplay, p.XVisual, static_cast<unsigned>(p.Depth), ZPixmap, 0,
                               nullptr, width, height, 32, 0);
        if (p.Image == nullptr) {
            return false;
        }
        p.Image->data = static_cast<char*>(
            std::calloc(static_cast<size_t>(p.Image->bytes_per_line) * height, 1));
        if (p.Image->data == nullptr) {
            XDestroyImage(p.Image);
            p.Image = nullptr;
            return false;
        }
    }
    const uint32_t one = 1;
    unsigned char first = 0;
    std::memcpy(&first, &one, 1);
    const int hostOrder = first == 1 ? LSBFirst : MSBFirst;
    p.Words = p.Image->bits_per_pixel == 32 && p.Image->byte_order == hostOrder;
    const unsigned long red = p.XVisual->red_mask;
    const unsigned long green = p.XVisual->green_mask;
    const unsigned long blue = p.XVisual->blue_mask;
    p.DrawnIn = p.Words && green == 0xFF00 &&
                ((red == 0xFF0000 && blue == 0xFF) || (red == 0xFF && blue == 0xFF0000));
    p.ImageFormat = red == 0xFF ? soft::PixelFormat::ColorRef : soft::PixelFormat::Xrgb8888;
    FillPixelChannels(p.Channels, red, green, blue);
    return true;
}

// One rectangle of the screen into the image.
void ConvertRect(Presenter& p, const soft::Pixels& screen, const DirtyRect& r) {
    if (p.Words) {
        ConvertRect32(p.Channels, screen, r, p.Image->data,
                      static_cast<size_t>(p.Image->bytes_per_line));
        return;
    }
    for (int32_t y = r.Y; y < r.Y + r.Height; ++y) {
        const uint32_t* from = screen.Data + static_cast<size_t>(y) * screen.Stride + r.X;
        for (int32_t i = 0; i < r.Width; ++i) {
            XPutPixel(p.Image, r.X + i, y, ConvertPixel(p.Channels, from[i]));
        }
    }
}

void Present(Presenter& p, const soft::Pixels& screen, const std::vector<DirtyRect>& rects) {
    if (rects.empty()) {
        return;
    }
    for (size_t i = 0; i < rects.size(); ++i) {
        const DirtyRect& r = rects[i];
        if (!p.DrawnIn) {
            ConvertRect(p, screen, r);
        }
        const unsigned w = static_cast<unsigned>(r.Width);
        const unsigned h = static_cast<unsigned>(r.Height);
        if (p.Shared) {
            // Only the last copy reports its end: the server takes them in order.
            const bool last = i + 1 == rects.size();
            XShmPutImage(p.XDisplay, p.XWindow, p.Gc, p.Image, r.X, r.Y, r.X, r.Y, w, h,
                         last ? True : False);
            p.CompletionPending = p.CompletionPending || last;
        } else {
            XPutImage(p.XDisplay, p.XWindow, p.Gc, p.Image, r.X, r.Y, r.X, r.Y, w, h);
        }
    }
    XFlush(p.XDisplay);
}

struct Host {
    const HackOptions* Options = nullptr;
    Display* XDisplay = nullptr;
    Window XWindow = 0;
    bool OwnWindow = false;
    Atom DeleteWindow = None;
    int Width = 0;
    int Height = 0;
    Presenter Copy;
    DirtyScreen Screen;
    Saver Core;
    bool Running = false;
    int64_t NextDue = 0;     // when the wait the saver stands in ends
    int64_t LastPresent = 0; // when the window was last brought up to date
    bool Quit = false;
    bool Failed = false;    // a restart at a new size could not be made
    bool Signalled = false; // ended by SIGTERM, SIGINT, SIGHUP or SIGQUIT
    std::vector<DirtyRect> Rects;
};

void StopSaver(Host& h) {
    if (h.Running) {
        BoxAnimatorEnd(h.Core);
        h.Running = false;
    }
    FreeDirtyScreen(h.Screen);
    FreeImage(h.Copy);
}

// A fresh saver at the window's size: a new black screen, all of it to be shown. The image
// comes first, so that the saver can draw in it.
bool StartSaver(Host& h, int width, int height) {
    StopSaver(h);
    h.Width = width;
    h.Height = height;
    bool made = MakeImage(h.Copy, static_cast<unsigned>(width), static_cast<unsigned>(height));
    if (made && h.Copy.DrawnIn) {
        const soft::ScreenMemory memory = {reinterpret_cast<uint32_t*>(h.Copy.Image->data),
                                           static_cast<size_t>(h.Copy.Image->bytes_per_line) / 4,
                                           h.Copy.ImageFormat};
        made = NewDirtyScreen(h.Screen, width, height, &memory);
    } else if (made) {
        made = NewDirtyScreen(h.Screen, width, height);
    }
    if (!made) {
        std::fprintf(stderr, "tavorinex: cannot allocate memory for a window of %dx%d\n", width,
                     height);
        return false;
    }
    const SaverOptions& saver = h.Options->Saver;
    h.Core = Saver{};
    BoxAnimatorStart(h.Core, soft::PlatformOn(h.Screen.Surface), h.Screen.Screen, saver.Parameters,
                     saver.HasSeed ? saver.Seed : ClockSeed());
    h.Running = true;
    h.NextDue = NowMicros();
    return true;
}

bool UseWindow(Host& h, Window window, const char* what) {
    XWindowAttributes attributes;
    BeginTrap();
    const Status found = XGetWindowAttributes(h.XDisplay, window, &attributes);
    if (EndTrap(h.XDisplay) != 0 || found == 0) {
        std::fprintf(stderr, "tavorinex: cannot use %s 0x%lx\n", what, window);
        return false;
    }
    if (attributes.visual->c_class != TrueColor) {
        std::fprintf(stderr, "tavorinex: %s 0x%lx has no TrueColor visual\n", what, window);
        return false;
    }
    h.XWindow = window;
    h.Copy.XDisplay = h.XDisplay;
    h.Copy.XWindow = window;
    h.Copy.XVisual = attributes.visual;
    h.Copy.Depth = attributes.depth;
    if (!h.OwnWindow) {
        // Another client's window: only what every client may watch.
        BeginTrap();
        XSelectInput(h.XDisplay, window, StructureNotifyMask | ExposureMask);
        if (EndTrap(h.XDisplay) != 0) {
            std::fprintf(stderr, "tavorinex: cannot use %s 0x%lx\n", what, window);
            return false;
        }
    }
    h.Copy.Gc = XCreateGC(h.XDisplay, window, 0, nullptr);
    return StartSaver(h, attributes.width, attributes.height);
}

bool MakeOwnWindow(Host& h) {
    const int screen = DefaultScreen(h.XDisplay);
    const unsigned width = std::min<unsigned>(OwnWidth, DisplayWidth(h.XDisplay, screen));
    const unsigned height = std::min<unsigned>(OwnHeight, DisplayHeight(h.XDisplay, screen));
    XSetWindowAttributes attributes = {};
    attributes.background_pixel = BlackPixel(h.XDisplay, screen);
    attributes.event_mask = StructureNotifyMask | ExposureMask | KeyPressMask;
    Window window = XCreateWindow(h.XDisplay, RootWindow(h.XDisplay, screen), 0, 0, width, height,
                                  0, CopyFromParent, InputOutput, CopyFromParent,
                                  CWBackPixel | CWEventMask, &attributes);
    XStoreName(h.XDisplay, window, "Tavorinex");
    XClassHint hint = {const_cast<char*>("tavorinex"), const_cast<char*>("Tavorinex")};
    XSetClassHint(h.XDisplay, window, &hint);
    h.DeleteWindow = XInternAtom(h.XDisplay, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(h.XDisplay, window, &h.DeleteWindow, 1);
    h.OwnWindow = true;
    if (!UseWindow(h, window, "window")) {
        return false;
    }
    XMapWindow(h.XDisplay, window);
    return true;
}

void HandleEvent(Host& h, XEvent& event) {
    switch (event.type) {
    case Expose:
        MarkRect(h.Screen.Rows, event.xexpose.x, event.xexpose.y,
                 int64_t{event.xexpose.x} + event.xexpose.width,
                 int64_t{event.xexpose.y} + event.xexpose.height);
        break;
    case ConfigureNotify:
        if (event.xconfigure.window == h.XWindow &&
            (event.xconfigure.width != h.Width || event.xconfigure.height != h.Height)) {
            h.Failed = !StartSaver(h, event.xconfigure.width, event.xconfigure.height);
            h.Quit = h.Quit || h.Failed;
        }
        break;
    case DestroyNotify:
        if (event.xdestroywindow.window == h.XWindow) {
            h.Quit = true;
            Errors.WindowGone = true;
        }
        break;
    case KeyPress: {
        const KeySym key = XLookupKeysym(&event.xkey, 0);
        h.Quit = h.Quit || key == XK_q || key == XK_Q || key == XK_Escape;
        break;
    }
    case ClientMessage:
        h.Quit = h.Quit || (event.xclient.format == 32 &&
                            static_cast<Atom>(event.xclient.data.l[0]) == h.DeleteWindow);
        break;
    default:
        // The end of the last copy from this image, not one from before a new size.
        if (event.type == h.Copy.CompletionEvent &&
            reinterpret_cast<XShmCompletionEvent&>(event).shmseg == h.Copy.Segment.shmseg) {
            h.Copy.CompletionPending = false;
        }
        break;
    }
}

// Advances the saver through every wait that has fallen due.
void CatchUp(Host& h, int64_t now) {
    if (now - h.NextDue > BacklogMicros) {
        h.NextDue = now;
    }
    while (h.NextDue <= now) {
        const SaverWait wait = BoxAnimatorAdvance(h.Core);
        h.NextDue += int64_t{wait.Polls} * 1000;
    }
}

int Run(Host& h) {
    const int connection = ConnectionNumber(h.XDisplay);
    for (;;) {
        while (!h.Quit && XPending(h.XDisplay) > 0) {
            XEvent event;
            XNextEvent(h.XDisplay, &event);
            HandleEvent(h, event);
        }
        if (h.Quit || Errors.WindowGone || Errors.Unexpected != 0) {
            break;
        }
        const int64_t now = NowMicros();
        // Steps are drawn when the display can next show them, which batches the short
        // waits of a fast saver into one wake-up per frame. A frame waits for the server to
        // have read the last one from the shared image, which the saver may draw in: that
        // comes as an event, so the wait is the poll below, open to signals and to the
        // window's end even if the server stops.
        const int64_t nextFrame = h.LastPresent + FrameMicros;
        if (now >= nextFrame && !h.Copy.CompletionPending) {
            CatchUp(h, now);
            if (IsDirty(h.Screen.Rows)) {
                TakeDirtyRects(h.Screen.Rows, h.Rects);
                Present(h.Copy, soft::PixelsOf(h.Screen.Surface, h.Screen.Screen), h.Rects);
                h.LastPresent = now;
            }
        }
        int64_t wake =
            std::max(IsDirty(h.Screen.Rows) ? 0 : h.NextDue, h.LastPresent + FrameMicros);
        const int64_t millis =
            h.Copy.CompletionPending
                ? LongestSleepMillis
                : std::clamp<int64_t>((wake - NowMicros() + 999) / 1000, 0, LongestSleepMillis);
        if (XPending(h.XDisplay) > 0) {
            continue;
        }
        pollfd fds[2] = {{connection, POLLIN, 0}, {HostSignalFd(), POLLIN, 0}};
        if (poll(fds, 2, static_cast<int>(millis)) > 0 && (fds[1].revents & POLLIN) != 0) {
            h.Signalled = true;
            break;
        }
    }
    if (h.Failed) {
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
    Display* display = XOpenDisplay(options.Display.empty() ? nullptr : options.Display.c_str());
    if (display == nullptr) {
        std::fprintf(
            stderr, "tavorinex: cannot open display \"%s\"\n",
            OneLine(XDisplayName(options.Display.empty() ? nullptr : options.Display.c_str()))
                .c_str());
        return 1;
    }
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
    Host h;
    h.Options = &options;
    h.XDisplay = display;
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
    if (h.Signalled) {
        // Ended from outside: nothing more that waits for the server, which may be stopped or
        // gone; it frees the window and the rest of ours when the connection closes.
        std::_Exit(code);
    }
    StopSaver(h);
    // A GC outlives its window; the window itself may already be gone.
    if (h.Copy.Gc != nullptr) {
        XFreeGC(display, h.Copy.Gc);
    }
    if (h.OwnWindow && !Errors.WindowGone) {
        XDestroyWindow(display, h.XWindow);
    }
    XCloseDisplay(display);
    return code;
}

int RunHack(int argc, char** argv, bool withSubcommands) {
    // Before the settings file is read, which may take long.
    if (!WatchHostSignals()) {
        std::fputs("tavorinex: cannot watch signals\n", stderr);
        return 1;
    }
    HackOptions options;
    std::vector<std::string> warnings;
    std::string error;
    const bool parsed =
        ParseHackOptions(argc, argv, std::getenv("XSCREENSAVER_WINDOW"), options, warnings, error);
    HostLoopBegins();
    if (!parsed) {
        std::fprintf(stderr, "tavorinex: %s (tavorinex --help shows the options)\n",
                     OneLine(error).c_str());
        return 2;
    }
    if (options.Saver.Help || options.Saver.Version) {
        std::fputs((options.Saver.Help ? HackUsage(withSubcommands) : VersionText()).c_str(),
                   stdout);
        return 0;
    }
    for (const std::string& warning : warnings) {
        std::fprintf(stderr, "tavorinex: %s\n", OneLine(warning).c_str());
    }
    const char* display = std::getenv("DISPLAY");
    if (options.Display.empty() && (display == nullptr || *display == '\0')) {
        std::fputs("tavorinex: cannot find an X display: DISPLAY is not set, and no --display "
                   "names one\n",
                   stderr);
        return 1;
    }
    return RunX11Hack(options);
}

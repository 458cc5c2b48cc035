#include "wayland/wayland_host.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "cli/host_loop.h"
#include "saver/box_animator.h"
#include "saver/dirty_rows.h"
#include "xdg-shell-client-protocol.h"

namespace {

// A wait that fell due longer ago than this (the process was stopped, the machine slept, the
// compositor stopped asking for frames) starts counting again from now: the drawing is the
// same, only later.
constexpr int64_t BacklogMicros = 250000;
// Longest single sleep; a wait of billions of polls is slept in pieces.
constexpr int64_t LongestSleepMillis = 60000;

struct Host;

// One of an output's two shared-memory buffers, in the compositor's 32-bit format.
struct Buffer {
    wl_buffer* Handle = nullptr;
    uint32_t* Pixels = nullptr;
    bool Busy = false; // the compositor may still read it
    DirtyRows Stale;   // where it lags the other buffer, which was shown last
};

// An output, its window and the saver running in it.
struct Output {
    Host* Owner = nullptr;
    uint32_t GlobalName = 0;
    uint32_t Index = 0; // in the order the compositor announced its outputs
    wl_output* Handle = nullptr;
    int32_t Scale = 1;
    int32_t ModeWidth = 0;
    int32_t ModeHeight = 0;
    bool Turned = false; // rotated by 90 or 270 degrees: the mode's sides swap
    wl_surface* Surface = nullptr;
    xdg_surface* ShellSurface = nullptr;
    xdg_toplevel* Toplevel = nullptr;
    int32_t ConfiguredWidth = 0; // in surface coordinates; 0 leaves the size to us
    int32_t ConfiguredHeight = 0;
    int32_t BufferScale = 1;
    wl_callback* Frame = nullptr; // the compositor has not yet asked for the next frame
    // The saver, at the window's size in pixels.
    bool Running = false;
    int32_t Width = 0;
    int32_t Height = 0;
    DirtyScreen Screen;
    Saver Core;
    int64_t NextDue = 0; // when the wait the saver stands in ends
    void* Memory = nullptr;
    size_t MemorySize = 0;
    Buffer Buffers[2];
    std::vector<DirtyRect> Damage;
    std::vector<DirtyRect> Copy;
};

struct Seat {
    Host* Owner = nullptr;
    uint32_t GlobalName = 0;
    wl_seat* Handle = nullptr;
    wl_pointer* Pointer = nullptr;
    wl_keyboard* Keyboard = nullptr;
    wl_touch* Touch = nullptr;
    bool HasPosition = false; // the pointer is over a window of ours, at (x, y)
    int32_t x = 0;
    int32_t y = 0;
};

struct Host {
    const SaverOptions* Options = nullptr;
    uint32_t FirstSeed = 0;
    wl_display* Display = nullptr;
    wl_registry* Registry = nullptr;
    wl_compositor* Compositor = nullptr;
    wl_shm* Shm = nullptr;
    bool HasXrgb = false;
    xdg_wm_base* WmBase = nullptr;
    bool Ready = false; // the first globals are known: windows may open
    uint32_t OutputsAnnounced = 0;
    std::vector<std::unique_ptr<Output>> Outputs;
    std::vector<std::unique_ptr<Seat>> Seats;
    bool Quit = false;
    bool Failed = false;
};

uint32_t VersionOf(void* proxy) {
    return wl_proxy_get_version(static_cast<wl_proxy*>(proxy));
}

// ------------------------------------------------------------------------------------ buffers

void OnBufferRelease(void* data, wl_buffer*) {
    static_cast<Buffer*>(data)->Busy = false;
}
const wl_buffer_listener BufferListener = {OnBufferRelease};

void FreeBuffers(Output& o) {
    for (Buffer& b : o.Buffers) {
        if (b.Handle != nullptr) {
            wl_buffer_destroy(b.Handle);
        }
        b = Buffer{};
    }
    if (o.Memory != nullptr) {
        munmap(o.Memory, o.MemorySize);
        o.Memory = nullptr;
    }
}

bool MakeBuffers(Output& o, int32_t width, int32_t height) {
    const size_t one = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    const int fd = memfd_create("tavorinex-wayland", MFD_CLOEXEC);
    if (fd < 0 || one * 2 > INT32_MAX || ftruncate(fd, static_cast<off_t>(one * 2)) != 0) {
        if (fd >= 0) {
            close(fd);
        }
        return false;
    }
    void* memory = mmap(nullptr, one * 2, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (memory == MAP_FAILED) {
        close(fd);
        return false;
    }
    o.Memory = memory;
    o.MemorySize = one * 2;
    wl_shm_pool* pool = wl_shm_create_pool(o.Owner->Shm, fd, static_cast<int32_t>(one * 2));
    close(fd);
    // Every compositor takes ARGB8888 and nearly all XRGB8888; the pixels are opaque either way.
    const uint32_t format = o.Owner->HasXrgb ? WL_SHM_FORMAT_XRGB8888 : WL_SHM_FORMAT_ARGB8888;
    for (size_t i = 0; i < 2; ++i) {
        Buffer& b = o.Buffers[i];
        b.Handle = wl_shm_pool_create_buffer(pool, static_cast<int32_t>(i * one), width, height,
                                             width * 4, format);
        wl_buffer_add_listener(b.Handle, &BufferListener, &b);
        b.Pixels = reinterpret_cast<uint32_t*>(static_cast<char*>(memory) + i * one);
        ResetDirty(b.Stale, width, height);
    }
    wl_shm_pool_destroy(pool);
    return true;
}

// COLORREF (red in the low byte) into an opaque ARGB pixel (blue in the low byte).
void ConvertRect(uint32_t* buffer, const soft::Pixels& screen, const DirtyRect& r) {
    for (int32_t y = r.Y; y < r.Y + r.Height; ++y) {
        const size_t row =
            static_cast<size_t>(y) * static_cast<size_t>(screen.Width) + static_cast<size_t>(r.X);
        const uint32_t* from = screen.Data + row;
        uint32_t* to = buffer + row;
        for (int32_t i = 0; i < r.Width; ++i) {
            const uint32_t c = from[i];
            to[i] = 0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
        }
    }
}

void OnFrameDone(void* data, wl_callback* callback, uint32_t) {
    wl_callback_destroy(callback);
    static_cast<Output*>(data)->Frame = nullptr;
}
const wl_callback_listener FrameListener = {OnFrameDone};

// Shows what the saver drew since the last frame, in a buffer the compositor has let go of;
// with both still held the changes wait, marked, for the next release. What the buffer lacks
// of earlier frames is copied from the other one, which is up to date with all but this frame:
// cheaper than converting it again.
void Present(Output& o) {
    Buffer* free = &o.Buffers[0];
    Buffer* other = &o.Buffers[1];
    if (free->Busy) {
        std::swap(free, other);
    }
    if (free->Busy) {
        return;
    }
    TakeDirtyRects(free->Stale, o.Copy);
    for (const DirtyRect& r : o.Copy) {
        for (int32_t y = r.Y; y < r.Y + r.Height; ++y) {
            const size_t at =
                static_cast<size_t>(y) * static_cast<size_t>(o.Width) + static_cast<size_t>(r.X);
            std::memcpy(free->Pixels + at, other->Pixels + at, static_cast<size_t>(r.Width) * 4);
        }
    }
    TakeDirtyRects(o.Screen.Rows, o.Damage);
    const soft::Pixels screen = soft::PixelsOf(o.Screen.Surface, o.Screen.Screen);
    for (const DirtyRect& r : o.Damage) {
        ConvertRect(free->Pixels, screen, r);
        MarkRect(other->Stale, r.X, r.Y, int64_t{r.X} + r.Width, int64_t{r.Y} + r.Height);
    }
    wl_surface_attach(o.Surface, free->Handle, 0, 0);
    if (VersionOf(o.Surface) < WL_SURFACE_DAMAGE_BUFFER_SINCE_VERSION) {
        wl_surface_damage(o.Surface, 0, 0, INT32_MAX, INT32_MAX); // no pixel rectangles before 4
    } else {
        for (const DirtyRect& r : o.Damage) {
            wl_surface_damage_buffer(o.Surface, r.X, r.Y, r.Width, r.Height);
        }
    }
    o.Frame = wl_surface_frame(o.Surface);
    wl_callback_add_listener(o.Frame, &FrameListener, &o);
    wl_surface_commit(o.Surface);
    free->Busy = true;
}

// ------------------------------------------------------------------------------------- savers

void StopSaver(Output& o) {
    if (o.Running) {
        BoxAnimatorEnd(o.Core);
        o.Running = false;
    }
    FreeDirtyScreen(o.Screen);
    FreeBuffers(o);
    o.Width = o.Height = 0;
}

// A fresh saver at this size: a new black screen, all of it to be shown.
bool StartSaver(Output& o, int32_t width, int32_t height) {
    StopSaver(o);
    if (!NewDirtyScreen(o.Screen, width, height)) {
        std::fprintf(stderr,
                     "tavorinex-wayland: an output of %dx%d is larger than the saver draws\n",
                     width, height);
        return false;
    }
    if (!MakeBuffers(o, width, height)) {
        std::fprintf(stderr, "tavorinex-wayland: cannot make buffers of %dx%d\n", width, height);
        return false;
    }
    o.Width = width;
    o.Height = height;
    o.Core = Saver{};
    // Each output its own seed, so no two show the same picture.
    BoxAnimatorStart(o.Core, soft::PlatformOn(o.Screen.Surface), o.Screen.Screen,
                     o.Owner->Options->Parameters, o.Owner->FirstSeed + o.Index);
    o.Running = true;
    o.NextDue = NowMicros();
    return true;
}

// The window's size in pixels: the configured size, or the output's when the compositor leaves
// it to us, at the output's scale, so that the outline stays one pixel of the screen.
void FitSaver(Output& o) {
    int32_t width = o.ConfiguredWidth;
    int32_t height = o.ConfiguredHeight;
    const int32_t scale = VersionOf(o.Surface) >= WL_SURFACE_SET_BUFFER_SCALE_SINCE_VERSION
                              ? std::max(1, o.Scale)
                              : 1;
    if (width <= 0 || height <= 0) {
        width = (o.Turned ? o.ModeHeight : o.ModeWidth) / scale;
        height = (o.Turned ? o.ModeWidth : o.ModeHeight) / scale;
    }
    const int64_t pixelsWide = int64_t{std::max(width, 1)} * scale;
    const int64_t pixelsHigh = int64_t{std::max(height, 1)} * scale;
    if (o.Running && pixelsWide == o.Width && pixelsHigh == o.Height && scale == o.BufferScale) {
        return;
    }
    if (pixelsWide > soft::MaxBitmapSide || pixelsHigh > soft::MaxBitmapSide) {
        std::fprintf(stderr,
                     "tavorinex-wayland: an output of %lldx%lld is larger than the saver "
                     "draws\n",
                     static_cast<long long>(pixelsWide), static_cast<long long>(pixelsHigh));
        o.Owner->Failed = o.Owner->Quit = true;
        return;
    }
    if (!StartSaver(o, static_cast<int32_t>(pixelsWide), static_cast<int32_t>(pixelsHigh))) {
        o.Owner->Failed = o.Owner->Quit = true;
        return;
    }
    if (scale != o.BufferScale) {
        wl_surface_set_buffer_scale(o.Surface, scale);
        o.BufferScale = scale;
    }
    if (o.Frame == nullptr) {
        Present(o);
    }
}

// ------------------------------------------------------------------------------------ windows

void OnWmPing(void*, xdg_wm_base* base, uint32_t serial) {
    xdg_wm_base_pong(base, serial);
}
const xdg_wm_base_listener WmBaseListener = {OnWmPing};

void OnShellSurfaceConfigure(void* data, xdg_surface* surface, uint32_t serial) {
    xdg_surface_ack_configure(surface, serial);
    FitSaver(*static_cast<Output*>(data));
}
const xdg_surface_listener ShellSurfaceListener = {OnShellSurfaceConfigure};

void OnToplevelConfigure(void* data, xdg_toplevel*, int32_t width, int32_t height, wl_array*) {
    auto& o = *static_cast<Output*>(data);
    o.ConfiguredWidth = width;
    o.ConfiguredHeight = height;
}
void OnToplevelClose(void* data, xdg_toplevel*) {
    static_cast<Output*>(data)->Owner->Quit = true;
}
// Bound at version 1: the later events never come.
const xdg_toplevel_listener ToplevelListener = {OnToplevelConfigure, OnToplevelClose, nullptr,
                                                nullptr};

// The compositor maps the window once a buffer is committed in answer to its first configure.
void OpenWindow(Output& o) {
    Host& h = *o.Owner;
    o.Surface = wl_compositor_create_surface(h.Compositor);
    o.ShellSurface = xdg_wm_base_get_xdg_surface(h.WmBase, o.Surface);
    xdg_surface_add_listener(o.ShellSurface, &ShellSurfaceListener, &o);
    o.Toplevel = xdg_surface_get_toplevel(o.ShellSurface);
    xdg_toplevel_add_listener(o.Toplevel, &ToplevelListener, &o);
    xdg_toplevel_set_title(o.Toplevel, "Tavorinex");
    xdg_toplevel_set_app_id(o.Toplevel, "tavorinex");
    xdg_toplevel_set_fullscreen(o.Toplevel, o.Handle);
    wl_surface_commit(o.Surface);
}

void CloseOutput(Output& o) {
    StopSaver(o);
    if (o.Frame != nullptr) {
        wl_callback_destroy(o.Frame);
    }
    if (o.Toplevel != nullptr) {
        xdg_toplevel_destroy(o.Toplevel);
        xdg_surface_destroy(o.ShellSurface);
        wl_surface_destroy(o.Surface);
    }
    if (VersionOf(o.Handle) >= WL_OUTPUT_RELEASE_SINCE_VERSION) {
        wl_output_release(o.Handle);
    } else {
        wl_output_destroy(o.Handle);
    }
}

void OnOutputGeometry(void* data, wl_output*, int32_t, int32_t, int32_t, int32_t, int32_t,
                      const char*, const char*, int32_t transform) {
    static_cast<Output*>(data)->Turned = (transform & 1) != 0;
}
void OnOutputMode(void* data, wl_output*, uint32_t flags, int32_t width, int32_t height, int32_t) {
    auto& o = *static_cast<Output*>(data);
    if ((flags & WL_OUTPUT_MODE_CURRENT) != 0) {
        o.ModeWidth = width;
        o.ModeHeight = height;
    }
}
// A new scale needs a new buffer size at once; a new mode comes with a configure of its own.
void OnOutputDone(void* data, wl_output*) {
    auto& o = *static_cast<Output*>(data);
    if (o.Running) {
        FitSaver(o);
    }
}
void OnOutputScale(void* data, wl_output*, int32_t factor) {
    static_cast<Output*>(data)->Scale = std::max(1, factor);
}
void OnOutputText(void*, wl_output*, const char*) {}
const wl_output_listener OutputListener = {OnOutputGeometry, OnOutputMode, OnOutputDone,
                                           OnOutputScale,    OnOutputText, OnOutputText};

// -------------------------------------------------------------------------------------- input

void OnPointerEnter(void* data, wl_pointer* pointer, uint32_t serial, wl_surface*, wl_fixed_t x,
                    wl_fixed_t y) {
    auto& s = *static_cast<Seat*>(data);
    wl_pointer_set_cursor(pointer, serial, nullptr, 0, 0);
    // Where the pointer enters compares with nothing before it.
    s.HasPosition = true;
    s.x = wl_fixed_to_int(x);
    s.y = wl_fixed_to_int(y);
}
void OnPointerLeave(void* data, wl_pointer*, uint32_t, wl_surface*) {
    static_cast<Seat*>(data)->HasPosition = false;
}
// Whole pixels, as the Windows saver reads the cursor; a move of one in x, y or both is a hand
// resting on the mouse.
void OnPointerMotion(void* data, wl_pointer*, uint32_t, wl_fixed_t fx, wl_fixed_t fy) {
    auto& s = *static_cast<Seat*>(data);
    const int32_t x = wl_fixed_to_int(fx);
    const int32_t y = wl_fixed_to_int(fy);
    if (s.HasPosition && (std::abs(int64_t{x} - s.x) > 1 || std::abs(int64_t{y} - s.y) > 1)) {
        s.Owner->Quit = true;
    }
    s.HasPosition = true;
    s.x = x;
    s.y = y;
}
void OnPointerButton(void* data, wl_pointer*, uint32_t, uint32_t, uint32_t, uint32_t) {
    static_cast<Seat*>(data)->Owner->Quit = true;
}
// The wheel is buttons on other systems.
void OnPointerAxis(void* data, wl_pointer*, uint32_t, uint32_t, wl_fixed_t) {
    static_cast<Seat*>(data)->Owner->Quit = true;
}
// The seat is bound at version 4 at most: the later events never come.
const wl_pointer_listener PointerListener = {
    OnPointerEnter, OnPointerLeave, OnPointerMotion, OnPointerButton, OnPointerAxis,
    nullptr,        nullptr,        nullptr,         nullptr,         nullptr};

void OnKeymap(void*, wl_keyboard*, uint32_t, int32_t fd, uint32_t) {
    close(fd);
}
void OnKeyboardEnter(void*, wl_keyboard*, uint32_t, wl_surface*, wl_array*) {}
void OnKeyboardLeave(void*, wl_keyboard*, uint32_t, wl_surface*) {}
// A release counts too: a key already down when the window got the focus is input as well.
void OnKey(void* data, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t) {
    static_cast<Seat*>(data)->Owner->Quit = true;
}
void OnModifiers(void*, wl_keyboard*, uint32_t, uint32_t, uint32_t, uint32_t, uint32_t) {}
void OnRepeatInfo(void*, wl_keyboard*, int32_t, int32_t) {}
const wl_keyboard_listener KeyboardListener = {OnKeymap, OnKeyboardEnter, OnKeyboardLeave,
                                               OnKey,    OnModifiers,     OnRepeatInfo};

void OnTouchDown(void* data, wl_touch*, uint32_t, uint32_t, wl_surface*, int32_t, wl_fixed_t,
                 wl_fixed_t) {
    static_cast<Seat*>(data)->Owner->Quit = true;
}
void OnTouchUp(void*, wl_touch*, uint32_t, uint32_t, int32_t) {}
void OnTouchMotion(void*, wl_touch*, uint32_t, int32_t, wl_fixed_t, wl_fixed_t) {}
void OnTouchNothing(void*, wl_touch*) {}
const wl_touch_listener TouchListener = {OnTouchDown,    OnTouchUp, OnTouchMotion, OnTouchNothing,
                                         OnTouchNothing, nullptr,   nullptr};

void ReleaseDevices(Seat& s, uint32_t keep) {
    const bool release = VersionOf(s.Handle) >= WL_POINTER_RELEASE_SINCE_VERSION;
    if (s.Pointer != nullptr && (keep & WL_SEAT_CAPABILITY_POINTER) == 0) {
        release ? wl_pointer_release(s.Pointer) : wl_pointer_destroy(s.Pointer);
        s.Pointer = nullptr;
        s.HasPosition = false;
    }
    if (s.Keyboard != nullptr && (keep & WL_SEAT_CAPABILITY_KEYBOARD) == 0) {
        release ? wl_keyboard_release(s.Keyboard) : wl_keyboard_destroy(s.Keyboard);
        s.Keyboard = nullptr;
    }
    if (s.Touch != nullptr && (keep & WL_SEAT_CAPABILITY_TOUCH) == 0) {
        release ? wl_touch_release(s.Touch) : wl_touch_destroy(s.Touch);
        s.Touch = nullptr;
    }
}

// Devices come and go with the seat's capabilities (a virtual keyboard adds one, for example).
void OnSeatCapabilities(void* data, wl_seat* seat, uint32_t capabilities) {
    auto& s = *static_cast<Seat*>(data);
    ReleaseDevices(s, capabilities);
    if ((capabilities & WL_SEAT_CAPABILITY_POINTER) != 0 && s.Pointer == nullptr) {
        s.Pointer = wl_seat_get_pointer(seat);
        wl_pointer_add_listener(s.Pointer, &PointerListener, &s);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_KEYBOARD) != 0 && s.Keyboard == nullptr) {
        s.Keyboard = wl_seat_get_keyboard(seat);
        wl_keyboard_add_listener(s.Keyboard, &KeyboardListener, &s);
    }
    if ((capabilities & WL_SEAT_CAPABILITY_TOUCH) != 0 && s.Touch == nullptr) {
        s.Touch = wl_seat_get_touch(seat);
        wl_touch_add_listener(s.Touch, &TouchListener, &s);
    }
}
void OnSeatName(void*, wl_seat*, const char*) {}
const wl_seat_listener SeatListener = {OnSeatCapabilities, OnSeatName};

void CloseSeat(Seat& s) {
    ReleaseDevices(s, 0);
    wl_seat_destroy(s.Handle); // its release request needs version 5
}

// ----------------------------------------------------------------------------------- registry

void OnShmFormat(void* data, wl_shm*, uint32_t format) {
    static_cast<Host*>(data)->HasXrgb |= format == WL_SHM_FORMAT_XRGB8888;
}
const wl_shm_listener ShmListener = {OnShmFormat};

template <typename T>
T* Bind(wl_registry* registry, uint32_t name, const wl_interface& interface, uint32_t offered,
        uint32_t wanted) {
    return static_cast<T*>(wl_registry_bind(registry, name, &interface, std::min(offered, wanted)));
}

void OnGlobal(void* data, wl_registry* registry, uint32_t name, const char* interface,
              uint32_t version) {
    Host& h = *static_cast<Host*>(data);
    const std::string_view what = interface;
    if (what == wl_compositor_interface.name && h.Compositor == nullptr) {
        h.Compositor = Bind<wl_compositor>(registry, name, wl_compositor_interface, version, 4);
    } else if (what == wl_shm_interface.name && h.Shm == nullptr) {
        h.Shm = Bind<wl_shm>(registry, name, wl_shm_interface, version, 1);
        wl_shm_add_listener(h.Shm, &ShmListener, &h);
    } else if (what == xdg_wm_base_interface.name && h.WmBase == nullptr) {
        h.WmBase = Bind<xdg_wm_base>(registry, name, xdg_wm_base_interface, version, 1);
        xdg_wm_base_add_listener(h.WmBase, &WmBaseListener, &h);
    } else if (what == wl_seat_interface.name) {
        auto& s = *h.Seats.emplace_back(std::make_unique<Seat>());
        s.Owner = &h;
        s.GlobalName = name;
        s.Handle = Bind<wl_seat>(registry, name, wl_seat_interface, version, 4);
        wl_seat_add_listener(s.Handle, &SeatListener, &s);
    } else if (what == wl_output_interface.name) {
        auto& o = *h.Outputs.emplace_back(std::make_unique<Output>());
        o.Owner = &h;
        o.GlobalName = name;
        o.Index = h.OutputsAnnounced++;
        o.Handle = Bind<wl_output>(registry, name, wl_output_interface, version, 4);
        wl_output_add_listener(o.Handle, &OutputListener, &o);
        // Its description arrives before the answer to the window's first commit.
        if (h.Ready) {
            OpenWindow(o);
        }
    }
}

// An output that goes away takes its window with it: the compositor would move the window to
// another output, where one is already.
void OnGlobalRemove(void* data, wl_registry*, uint32_t name) {
    Host& h = *static_cast<Host*>(data);
    for (auto it = h.Outputs.begin(); it != h.Outputs.end(); ++it) {
        if ((*it)->GlobalName == name) {
            CloseOutput(**it);
            h.Outputs.erase(it);
            return;
        }
    }
    for (auto it = h.Seats.begin(); it != h.Seats.end(); ++it) {
        if ((*it)->GlobalName == name) {
            CloseSeat(**it);
            h.Seats.erase(it);
            return;
        }
    }
}
const wl_registry_listener RegistryListener = {OnGlobal, OnGlobalRemove};

// --------------------------------------------------------------------------------------- loop

// Advances the saver through every wait that has fallen due.
void CatchUp(Output& o, int64_t now) {
    if (now - o.NextDue > BacklogMicros) {
        o.NextDue = now;
    }
    while (o.NextDue <= now) {
        const SaverWait wait = BoxAnimatorAdvance(o.Core);
        o.NextDue += int64_t{wait.Polls} * 1000;
    }
}

// Sleeps until an event, a signal or the timeout, and dispatches what came; false when the
// connection ended.
bool Dispatch(Host& h, int timeoutMillis) {
    wl_display* display = h.Display;
    while (wl_display_prepare_read(display) != 0) {
        if (wl_display_dispatch_pending(display) < 0) {
            return false;
        }
    }
    pollfd fds[2] = {{wl_display_get_fd(display), POLLIN, 0}, {HostSignalFd(), POLLIN, 0}};
    if (wl_display_flush(display) < 0 && errno == EAGAIN) {
        fds[0].events |= POLLOUT;
    }
    const int ready = h.Quit ? 0 : poll(fds, 2, timeoutMillis);
    if (ready > 0 && (fds[0].revents & (POLLIN | POLLERR | POLLHUP)) != 0) {
        if (wl_display_read_events(display) < 0) {
            return false;
        }
    } else {
        wl_display_cancel_read(display);
    }
    if (ready > 0 && (fds[1].revents & POLLIN) != 0) {
        h.Quit = true;
    }
    return wl_display_dispatch_pending(display) >= 0;
}

// Each saver draws only when the compositor has asked for its next frame: the waits that fell
// due meanwhile are drawn together, and a hidden window costs nothing.
void Run(Host& h) {
    while (!h.Quit) {
        const int64_t now = NowMicros();
        int64_t wake = INT64_MAX;
        for (const auto& output : h.Outputs) {
            Output& o = *output;
            if (!o.Running || o.Frame != nullptr) {
                continue;
            }
            if (now >= o.NextDue) {
                CatchUp(o, now);
            }
            if (IsDirty(o.Screen.Rows)) {
                Present(o);
            }
            if (o.Frame == nullptr && !IsDirty(o.Screen.Rows)) {
                wake = std::min(wake, o.NextDue);
            }
        }
        const int timeout = wake == INT64_MAX
                                ? -1
                                : static_cast<int>(std::clamp<int64_t>(
                                      (wake - NowMicros() + 999) / 1000, 0, LongestSleepMillis));
        if (!Dispatch(h, timeout)) {
            return;
        }
    }
}

int Finish(Host& h) {
    if (wl_display_get_error(h.Display) == EPROTO) {
        const wl_interface* interface = nullptr;
        const uint32_t code = wl_display_get_protocol_error(h.Display, &interface, nullptr);
        std::fprintf(stderr, "tavorinex-wayland: the compositor refused a request (%s error %u)\n",
                     interface != nullptr ? interface->name : "unknown", code);
        return 1;
    }
    return h.Failed ? 1 : 0;
}

} // namespace

int RunWaylandSaver(const SaverOptions& options) {
    HostLoopBegins();
    Host h;
    h.Options = &options;
    h.FirstSeed = options.HasSeed ? options.Seed : ClockSeed();
    h.Display = wl_display_connect(nullptr);
    if (h.Display == nullptr) {
        const char* name = std::getenv("WAYLAND_DISPLAY");
        std::fprintf(stderr, "tavorinex-wayland: cannot connect to the Wayland compositor \"%s\"\n",
                     name != nullptr ? name : "wayland-0");
        return 1;
    }
    h.Registry = wl_display_get_registry(h.Display);
    wl_registry_add_listener(h.Registry, &RegistryListener, &h);
    int code = 0;
    if (wl_display_roundtrip(h.Display) < 0) {
        code = Finish(h);
    } else if (h.Compositor == nullptr || h.Shm == nullptr || h.WmBase == nullptr) {
        std::fprintf(stderr, "tavorinex-wayland: the compositor offers no %s\n",
                     h.Compositor == nullptr ? "wl_compositor"
                     : h.Shm == nullptr      ? "wl_shm"
                                             : "xdg_wm_base (xdg-shell)");
        code = 1;
    } else {
        h.Ready = true;
        for (const auto& o : h.Outputs) {
            OpenWindow(*o);
        }
        Run(h);
        code = Finish(h);
    }
    for (const auto& o : h.Outputs) {
        CloseOutput(*o);
    }
    for (const auto& s : h.Seats) {
        CloseSeat(*s);
    }
    if (h.WmBase != nullptr) {
        xdg_wm_base_destroy(h.WmBase);
    }
    if (h.Shm != nullptr) {
        wl_shm_destroy(h.Shm);
    }
    if (h.Compositor != nullptr) {
        wl_compositor_destroy(h.Compositor);
    }
    wl_registry_destroy(h.Registry);
    wl_display_disconnect(h.Display);
    return code;
}

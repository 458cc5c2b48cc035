#include "saver/soft_surface.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace soft {
namespace {

enum class ObjectKind : uint8_t { Free, Bitmap, Brush, Pen, Context };

// Pixel memory the surface owns, from calloc: a size that memory cannot hold is refused
// instead of thrown about, and fresh pages stay untouched until drawn on.
struct FreeMemory {
    void operator()(uint32_t* pixels) const { std::free(pixels); }
};
using OwnedPixels = std::unique_ptr<uint32_t[], FreeMemory>;

struct Entry {
    ObjectKind Kind = ObjectKind::Free;
    uint16_t Generation = 0;
    bool Stock = false;
    bool DeletePending = false;
    int32_t Selections = 0; // contexts that hold it (the screen's own bitmap: its screen)
    // Bitmap
    int32_t Width = 0;
    int32_t Height = 0;
    bool Monochrome = false; // black and white COLORREF values only
    PixelFormat Format = PixelFormat::ColorRef;
    uint32_t* Data = nullptr; // rows Stride pixels apart: Owned's, or the host's screen memory
    size_t Stride = 0;
    OwnedPixels Owned;
    // Brush, pen
    uint32_t Color = 0;
    // Context
    bool Screen = false;
    uint32_t Bitmap = 0; // handle values
    uint32_t Pen = 0;
    uint32_t Brush = 0;
    int32_t CurrentX = 0;
    int32_t CurrentY = 0;
};

// A handle is the table index + 1 in the low 16 bits and the slot's generation above them,
// so that a handle of a deleted object does not name the slot's next occupant.
constexpr uint32_t IndexBits = 16;
constexpr uint32_t IndexMask = (1u << IndexBits) - 1;
constexpr uint16_t GenerationMask = 0x7FFF;

enum StockSlot : uint32_t { StockBlackPen, StockWhiteBrush, StockBitmap, StockCount };

} // namespace

struct Surface {
    std::vector<Entry> Table;
    std::vector<uint32_t> FreeSlots;
    uint32_t Screen = 0;
    int32_t Live = 0;
    ScreenListener Listener = {};
};

namespace {

uint32_t HandleOf(const Surface& s, uint32_t index) {
    return (uint32_t{s.Table[index].Generation} << IndexBits) | (index + 1);
}

void* ToPointer(uint32_t handle) {
    return reinterpret_cast<void*>(static_cast<uintptr_t>(handle));
}

uint32_t FromPointer(void* pointer) {
    uintptr_t value = reinterpret_cast<uintptr_t>(pointer);
    return value > 0xFFFFFFFFu ? 0 : static_cast<uint32_t>(value);
}

Surface& Of(void* surface) {
    return *static_cast<Surface*>(surface);
}

void MakeStock(Surface& s) {
    std::vector<Entry>& table = s.Table;
    table.resize(StockCount);
    table[StockBlackPen].Kind = ObjectKind::Pen;
    table[StockBlackPen].Color = 0;
    table[StockWhiteBrush].Kind = ObjectKind::Brush;
    table[StockWhiteBrush].Color = 0xFFFFFF;
    table[StockBitmap].Kind = ObjectKind::Bitmap;
    table[StockBitmap].Width = 1;
    table[StockBitmap].Height = 1;
    table[StockBitmap].Monochrome = true;
    table[StockBitmap].Owned.reset(static_cast<uint32_t*>(std::calloc(1, sizeof(uint32_t))));
    table[StockBitmap].Data = table[StockBitmap].Owned.get();
    table[StockBitmap].Stride = 1;
    for (Entry& e : table) {
        e.Stock = true;
        e.Generation = 1;
    }
}

// The entry a handle names, or null when it names nothing alive of that kind.
Entry* Lookup(Surface& s, uint32_t handle, ObjectKind kind) {
    std::vector<Entry>& table = s.Table;
    uint32_t index = (handle & IndexMask);
    if (index == 0 || index > table.size()) {
        return nullptr;
    }
    Entry& e = table[index - 1];
    if (e.Kind != kind || e.Generation != (handle >> IndexBits)) {
        return nullptr;
    }
    return &e;
}

Entry* LookupAny(Surface& s, uint32_t handle) {
    std::vector<Entry>& table = s.Table;
    uint32_t index = (handle & IndexMask);
    if (index == 0 || index > table.size()) {
        return nullptr;
    }
    Entry& e = table[index - 1];
    if (e.Kind == ObjectKind::Free || e.Generation != (handle >> IndexBits)) {
        return nullptr;
    }
    return &e;
}

uint32_t Allocate(Surface& s, ObjectKind kind) {
    std::vector<Entry>& table = s.Table;
    if (s.Live >= MaxObjects) {
        return 0;
    }
    uint32_t index;
    if (!s.FreeSlots.empty()) {
        index = s.FreeSlots.back();
        s.FreeSlots.pop_back();
    } else {
        if (table.size() >= IndexMask) {
            return 0;
        }
        index = static_cast<uint32_t>(table.size());
        table.emplace_back();
    }
    Entry& e = table[index];
    uint16_t generation = static_cast<uint16_t>((e.Generation + 1u) & GenerationMask);
    e = Entry{};
    e.Generation = generation == 0 ? 1 : generation;
    e.Kind = kind;
    ++s.Live;
    return HandleOf(s, index);
}

void Release(Surface& s, uint32_t handle) {
    uint32_t index = (handle & IndexMask) - 1;
    Entry& e = s.Table[index];
    uint16_t generation = e.Generation;
    e = Entry{};
    e.Generation = generation;
    s.FreeSlots.push_back(index);
    --s.Live;
}

void Deselect(Surface& s, uint32_t handle) {
    Entry* e = LookupAny(s, handle);
    if (e == nullptr || e->Stock) {
        return;
    }
    --e->Selections;
    if (e->Selections == 0 && e->DeletePending) {
        Release(s, handle);
    }
}

bool SizeAllowed(int64_t width, int64_t height) {
    return width <= MaxBitmapSide && height <= MaxBitmapSide && width * height <= MaxBitmapPixels;
}

// A bitmap of width x height (both from 1 to MaxBitmapSide): black pixels of its own, or the
// host's memory.
uint32_t MakeBitmap(Surface& s, int32_t width, int32_t height, bool monochrome,
                    const ScreenMemory* memory) {
    OwnedPixels owned;
    if (memory == nullptr) {
        owned.reset(static_cast<uint32_t*>(
            std::calloc(static_cast<size_t>(width) * static_cast<size_t>(height), 4)));
        if (owned == nullptr) {
            return 0;
        }
    }
    uint32_t handle = Allocate(s, ObjectKind::Bitmap);
    if (handle == 0) {
        return 0;
    }
    Entry& e = *Lookup(s, handle, ObjectKind::Bitmap);
    e.Width = width;
    e.Height = height;
    e.Monochrome = monochrome;
    if (memory == nullptr) {
        e.Data = owned.get();
        e.Stride = static_cast<size_t>(width);
        e.Owned = std::move(owned);
    } else {
        e.Data = memory->Pixels;
        e.Stride = memory->Stride;
        e.Format = memory->Format;
    }
    return handle;
}

uint32_t NewBitmap(Surface& s, int32_t width, int32_t height, bool monochrome) {
    // GDI: a zero side gives the stock bitmap, a negative side counts by its size.
    if (width == 0 || height == 0) {
        return HandleOf(s, StockBitmap);
    }
    int64_t w = width < 0 ? -int64_t{width} : int64_t{width};
    int64_t h = height < 0 ? -int64_t{height} : int64_t{height};
    if (!SizeAllowed(w, h)) {
        return 0;
    }
    return MakeBitmap(s, static_cast<int32_t>(w), static_cast<int32_t>(h), monochrome, nullptr);
}

// The bitmap a context draws on.
Entry* SurfaceOf(Surface& s, uint32_t dc) {
    Entry* context = Lookup(s, dc, ObjectKind::Context);
    return context == nullptr ? nullptr : Lookup(s, context->Bitmap, ObjectKind::Bitmap);
}

uint32_t SwapRedBlue(uint32_t color) {
    return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}

// A colour as a bitmap holds it. A monochrome bitmap keeps black or white: the nearer of the
// two.
uint32_t Store(const Entry& bitmap, uint32_t color) {
    color &= 0xFFFFFF;
    if (bitmap.Monochrome) {
        uint32_t sum = (color & 0xFF) + ((color >> 8) & 0xFF) + ((color >> 16) & 0xFF);
        return sum >= 384 ? 0xFFFFFF : 0;
    }
    switch (bitmap.Format) {
    case PixelFormat::Xrgb8888:
        return SwapRedBlue(color);
    case PixelFormat::RgbaBytes:
        return 0xFF000000u | color;
    case PixelFormat::ColorRef:
        break;
    }
    return color;
}

// A pixel of a bitmap as a COLORREF.
uint32_t Load(const Entry& bitmap, uint32_t pixel) {
    return bitmap.Format == PixelFormat::Xrgb8888 ? SwapRedBlue(pixel & 0xFFFFFF)
                                                  : pixel & 0xFFFFFF;
}

void DeleteContext(Surface& s, uint32_t handle) {
    Entry& context = *Lookup(s, handle, ObjectKind::Context);
    uint32_t bitmap = context.Bitmap;
    uint32_t pen = context.Pen;
    uint32_t brush = context.Brush;
    bool screen = context.Screen;
    Release(s, handle);
    if (screen) {
        Release(s, bitmap);
    } else {
        Deselect(s, bitmap);
    }
    Deselect(s, pen);
    Deselect(s, brush);
    if (handle == s.Screen) {
        s.Screen = 0;
    }
}

uint32_t NewContext(Surface& s, uint32_t bitmap, bool screen) {
    uint32_t handle = Allocate(s, ObjectKind::Context);
    if (handle == 0) {
        return 0;
    }
    Entry& e = *Lookup(s, handle, ObjectKind::Context);
    e.Screen = screen;
    e.Bitmap = bitmap;
    e.Pen = HandleOf(s, StockBlackPen);
    e.Brush = HandleOf(s, StockWhiteBrush);
    return handle;
}

// Both ends lie within the screen, whose sides are at most MaxBitmapSide.
void TellRect(Surface& s, uint32_t dc, int64_t left, int64_t top, int64_t right, int64_t bottom) {
    if (dc == s.Screen && s.Listener.Rect != nullptr) {
        s.Listener.Rect(s.Listener.Context, static_cast<int32_t>(left), static_cast<int32_t>(top),
                        static_cast<int32_t>(right), static_cast<int32_t>(bottom));
    }
}

// One pixel per step along the major axis, from the start point up to but not including the
// end point. The minor coordinate at step i is the nearest to the true line; where two are
// equally near, GDI takes the one towards the negative minor direction.
struct Line {
    int64_t Major0; // start on the major axis
    int64_t Minor0;
    int64_t MajorStep; // +1 or -1
    int64_t MinorStep;
    int64_t Length; // pixels: the major extent
    int64_t MinorExtent;
    int64_t Tie; // 1 when ties stay (minor step positive), 0 when they step
};

// floor((2 i m + L - tie) / 2L), with m the minor extent and L the length, both below 2^32:
// split so that no intermediate value passes 2^64.
int64_t MinorAt(const Line& line, int64_t i) {
    uint64_t length = static_cast<uint64_t>(line.Length);
    uint64_t product = static_cast<uint64_t>(i) * static_cast<uint64_t>(line.MinorExtent);
    uint64_t whole = product / length;
    uint64_t rest = product % length;
    return static_cast<int64_t>(whole + (2 * rest + length - static_cast<uint64_t>(line.Tie)) /
                                            (2 * length));
}

// The first step i in [lo, hi] whose minor offset is at least value (hi + 1 if none).
int64_t FirstMinorAtLeast(const Line& line, int64_t lo, int64_t hi, int64_t value) {
    while (lo <= hi) {
        int64_t mid = lo + (hi - lo) / 2;
        if (MinorAt(line, mid) >= value) {
            hi = mid - 1;
        } else {
            lo = mid + 1;
        }
    }
    return lo;
}

// The range of steps whose pixel lies within [0, size) on the major axis.
void ClipMajor(const Line& line, int64_t size, int64_t& lo, int64_t& hi) {
    if (line.MajorStep > 0) {
        lo = std::max(lo, -line.Major0);
        hi = std::min(hi, size - 1 - line.Major0);
    } else {
        lo = std::max(lo, line.Major0 - (size - 1));
        hi = std::min(hi, line.Major0);
    }
}

// The same on the minor axis: the offset is monotonic in i, so the bounds are searched.
void ClipMinor(const Line& line, int64_t size, int64_t& lo, int64_t& hi) {
    int64_t least; // smallest allowed minor offset
    int64_t most;
    if (line.MinorStep > 0) {
        least = -line.Minor0;
        most = size - 1 - line.Minor0;
    } else {
        least = line.Minor0 - (size - 1);
        most = line.Minor0;
    }
    if (lo > hi) {
        return;
    }
    int64_t first = FirstMinorAtLeast(line, lo, hi, least);
    int64_t pastLast = FirstMinorAtLeast(line, lo, hi, most + 1);
    lo = first;
    hi = pastLast - 1;
}

void DrawLine(Entry& bitmap, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t color) {
    int64_t dx = int64_t{x1} - x0;
    int64_t dy = int64_t{y1} - y0;
    int64_t adx = dx < 0 ? -dx : dx;
    int64_t ady = dy < 0 ? -dy : dy;
    bool xMajor = adx > ady;
    Line line{};
    line.Major0 = xMajor ? x0 : y0;
    line.Minor0 = xMajor ? y0 : x0;
    int64_t majorDelta = xMajor ? dx : dy;
    int64_t minorDelta = xMajor ? dy : dx;
    line.MajorStep = majorDelta < 0 ? -1 : 1;
    line.MinorStep = minorDelta < 0 ? -1 : 1;
    line.Length = xMajor ? adx : ady;
    line.MinorExtent = xMajor ? ady : adx;
    line.Tie = line.MinorStep > 0 ? 1 : 0;
    if (line.Length == 0) {
        return;
    }
    int64_t lo = 0;
    int64_t hi = line.Length - 1;
    ClipMajor(line, xMajor ? bitmap.Width : bitmap.Height, lo, hi);
    ClipMinor(line, xMajor ? bitmap.Height : bitmap.Width, lo, hi);
    if (lo > hi) {
        return;
    }
    // From the first visible step on, the minor offset follows by the remainder of the
    // division in MinorAt: add 2m per step, carry 2L.
    uint64_t length = static_cast<uint64_t>(line.Length);
    uint64_t product = static_cast<uint64_t>(lo) * static_cast<uint64_t>(line.MinorExtent);
    uint64_t rest = 2 * (product % length) + length - static_cast<uint64_t>(line.Tie);
    int64_t minorOffset = static_cast<int64_t>(product / length + rest / (2 * length));
    int64_t remainder = static_cast<int64_t>(rest % (2 * length));
    const int64_t carry = 2 * line.Length;
    const int64_t add = 2 * line.MinorExtent;
    const int64_t stride = static_cast<int64_t>(bitmap.Stride);
    const int64_t majorStride = xMajor ? line.MajorStep : line.MajorStep * stride;
    const int64_t minorStride = xMajor ? line.MinorStep * stride : line.MinorStep;
    const int64_t major = line.Major0 + line.MajorStep * lo;
    const int64_t minor = line.Minor0 + line.MinorStep * minorOffset;
    int64_t at = xMajor ? minor * stride + major : major * stride + minor;
    uint32_t* pixels = bitmap.Data;
    const uint32_t stored = Store(bitmap, color);
    if (add == 0) { // straight along an axis, as the box outline and the wipe's rows are
        if (xMajor) {
            int64_t from = line.MajorStep > 0 ? at : at - (hi - lo);
            std::fill(pixels + from, pixels + from + (hi - lo + 1), stored);
            return;
        }
        for (int64_t i = lo; i <= hi; ++i, at += majorStride) {
            pixels[at] = stored;
        }
        return;
    }
    for (int64_t i = lo; i <= hi; ++i) {
        pixels[at] = stored;
        at += majorStride;
        remainder += add;
        if (remainder >= carry) {
            remainder -= carry;
            at += minorStride;
        }
    }
}

// GDI's rectangle from a position and a signed extent: a negative extent covers the pixels
// from position + extent + 1 up to the position itself.
void Span(int64_t position, int64_t extent, int64_t& from, int64_t& to) {
    if (extent < 0) {
        from = position + extent + 1;
        to = position + 1;
    } else {
        from = position;
        to = position + extent;
    }
}

} // namespace

Surface* NewSurface() {
    Surface* surface = new Surface;
    MakeStock(*surface);
    return surface;
}

void FreeSurface(Surface* surface) {
    delete surface;
}

void SetScreenListener(Surface* surface, const ScreenListener* listener) {
    surface->Listener = listener != nullptr ? *listener : ScreenListener{};
}

SaverPlatform PlatformOn(Surface* surface) {
    return SaverPlatform{surface,
                         CreateCompatibleDC,
                         CreateCompatibleBitmap,
                         SelectObject,
                         CreateSolidBrush,
                         CreatePen,
                         DeleteObject,
                         DeleteDC,
                         FillRect,
                         MoveToEx,
                         LineTo,
                         BitBlt,
                         ScreenWidth,
                         ScreenHeight};
}

namespace {

DC NewScreen(Surface& s, int32_t width, int32_t height, const ScreenMemory* memory) {
    if (width <= 0 || height <= 0 || width > MaxBitmapSide || height > MaxBitmapSide) {
        return nullptr;
    }
    uint32_t bitmap = MakeBitmap(s, width, height, false, memory);
    if (bitmap == 0) {
        return nullptr;
    }
    uint32_t screen = NewContext(s, bitmap, true);
    if (screen == 0) {
        Release(s, bitmap);
        return nullptr;
    }
    Lookup(s, bitmap, ObjectKind::Bitmap)->Selections = 1;
    s.Screen = screen;
    return ToPointer(screen);
}

} // namespace

DC CreateScreen(Surface* surface, int32_t width, int32_t height) {
    return NewScreen(*surface, width, height, nullptr);
}

DC CreateScreenIn(Surface* surface, int32_t width, int32_t height, const ScreenMemory& memory) {
    if (memory.Pixels == nullptr || memory.Stride < static_cast<size_t>(std::max(width, 0))) {
        return nullptr;
    }
    return NewScreen(*surface, width, height, &memory);
}

int32_t ScreenWidth(void* surface) {
    Surface& s = Of(surface);
    Entry* bitmap = SurfaceOf(s, s.Screen);
    return bitmap == nullptr ? 0 : bitmap->Width;
}

int32_t ScreenHeight(void* surface) {
    Surface& s = Of(surface);
    Entry* bitmap = SurfaceOf(s, s.Screen);
    return bitmap == nullptr ? 0 : bitmap->Height;
}

DC CreateCompatibleDC(void* surface, DC dc) {
    Surface& s = Of(surface);
    if (dc != nullptr && Lookup(s, FromPointer(dc), ObjectKind::Context) == nullptr) {
        return nullptr;
    }
    // Every new memory context holds the stock 1x1 monochrome bitmap, as in GDI.
    return ToPointer(NewContext(s, HandleOf(s, StockBitmap), false));
}

bool DeleteDC(void* surface, DC dc) {
    Surface& s = Of(surface);
    uint32_t handle = FromPointer(dc);
    if (Lookup(s, handle, ObjectKind::Context) == nullptr) {
        return false;
    }
    DeleteContext(s, handle);
    return true;
}

Object CreateCompatibleBitmap(void* surface, DC dc, int32_t width, int32_t height) {
    Surface& s = Of(surface);
    Entry* context = Lookup(s, FromPointer(dc), ObjectKind::Context);
    if (context == nullptr) {
        return nullptr;
    }
    // Compatible with a memory context means the format of its bitmap: monochrome while it
    // still holds the stock one (the classic GDI trap).
    Entry* bitmap = Lookup(s, context->Bitmap, ObjectKind::Bitmap);
    bool monochrome = bitmap != nullptr && bitmap->Monochrome;
    return ToPointer(NewBitmap(s, width, height, monochrome));
}

Object SelectObject(void* surface, DC dc, Object object) {
    Surface& s = Of(surface);
    uint32_t dcHandle = FromPointer(dc);
    uint32_t handle = FromPointer(object);
    Entry* context = Lookup(s, dcHandle, ObjectKind::Context);
    Entry* e = LookupAny(s, handle);
    if (context == nullptr || e == nullptr || e->DeletePending) {
        return nullptr;
    }
    uint32_t* slot;
    switch (e->Kind) {
    case ObjectKind::Bitmap:
        // Only a memory context takes a bitmap, and a bitmap sits in one context at a time.
        if (context->Screen) {
            return nullptr;
        }
        if (handle != context->Bitmap && !e->Stock && e->Selections > 0) {
            return nullptr;
        }
        slot = &context->Bitmap;
        break;
    case ObjectKind::Pen:
        slot = &context->Pen;
        break;
    case ObjectKind::Brush:
        slot = &context->Brush;
        break;
    default:
        return nullptr;
    }
    uint32_t previous = *slot;
    if (previous == handle) {
        return ToPointer(previous);
    }
    if (!e->Stock) {
        ++e->Selections;
    }
    *slot = handle;
    Deselect(s, previous);
    // The previous object may be gone now (a pending delete); its handle is still the answer.
    return ToPointer(previous);
}

Object CreateSolidBrush(void* surface, uint32_t color) {
    Surface& s = Of(surface);
    uint32_t handle = Allocate(s, ObjectKind::Brush);
    if (handle != 0) {
        Lookup(s, handle, ObjectKind::Brush)->Color = color & 0xFFFFFF;
    }
    return ToPointer(handle);
}

Object CreatePen(void* surface, uint32_t color) {
    Surface& s = Of(surface);
    uint32_t handle = Allocate(s, ObjectKind::Pen);
    if (handle != 0) {
        Lookup(s, handle, ObjectKind::Pen)->Color = color & 0xFFFFFF;
    }
    return ToPointer(handle);
}

bool DeleteObject(void* surface, Object object) {
    Surface& s = Of(surface);
    uint32_t handle = FromPointer(object);
    Entry* e = LookupAny(s, handle);
    if (e == nullptr) {
        return false;
    }
    if (e->Stock) {
        return true;
    }
    if (e->Kind == ObjectKind::Context) {
        DeleteContext(s, handle);
        return true;
    }
    if (e->Selections > 0) {
        e->DeletePending = true;
        return true;
    }
    Release(s, handle);
    return true;
}

void FillRect(void* surface, DC dc, const gdi::Rect& rect, Object brush) {
    Surface& s = Of(surface);
    Entry* bitmap = SurfaceOf(s, FromPointer(dc));
    Entry* b = Lookup(s, FromPointer(brush), ObjectKind::Brush);
    if (bitmap == nullptr || b == nullptr) {
        return;
    }
    int64_t left;
    int64_t right;
    int64_t top;
    int64_t bottom;
    Span(rect.left, int64_t{rect.right} - rect.left, left, right);
    Span(rect.top, int64_t{rect.bottom} - rect.top, top, bottom);
    left = std::max<int64_t>(left, 0);
    top = std::max<int64_t>(top, 0);
    right = std::min<int64_t>(right, bitmap->Width);
    bottom = std::min<int64_t>(bottom, bitmap->Height);
    if (left >= right || top >= bottom) {
        return;
    }
    const uint32_t stored = Store(*bitmap, b->Color);
    uint32_t* pixels = bitmap->Data;
    const int64_t stride = static_cast<int64_t>(bitmap->Stride);
    TellRect(s, FromPointer(dc), left, top, right, bottom);
    // One row by hand, the others copied from it: the C library's copy is the fast loop.
    uint32_t* first = pixels + top * stride + left;
    std::fill(first, first + (right - left), stored);
    for (int64_t y = top + 1; y < bottom; ++y) {
        std::memcpy(pixels + y * stride + left, first, static_cast<size_t>(right - left) * 4);
    }
}

void MoveToEx(void* surface, DC dc, int32_t x, int32_t y) {
    Entry* context = Lookup(Of(surface), FromPointer(dc), ObjectKind::Context);
    if (context == nullptr) {
        return;
    }
    context->CurrentX = x;
    context->CurrentY = y;
}

void LineTo(void* surface, DC dc, int32_t x, int32_t y) {
    Surface& s = Of(surface);
    Entry* context = Lookup(s, FromPointer(dc), ObjectKind::Context);
    if (context == nullptr) {
        return;
    }
    Entry* bitmap = Lookup(s, context->Bitmap, ObjectKind::Bitmap);
    Entry* pen = Lookup(s, context->Pen, ObjectKind::Pen);
    if (bitmap != nullptr && pen != nullptr) {
        DrawLine(*bitmap, context->CurrentX, context->CurrentY, x, y, pen->Color);
        if (FromPointer(dc) == s.Screen && s.Listener.Line != nullptr) {
            s.Listener.Line(s.Listener.Context, context->CurrentX, context->CurrentY, x, y);
        }
    }
    context->CurrentX = x;
    context->CurrentY = y;
}

void BitBlt(void* surface, DC dest, int32_t x, int32_t y, int32_t width, int32_t height, DC source,
            int32_t sx, int32_t sy) {
    Surface& s = Of(surface);
    Entry* to = SurfaceOf(s, FromPointer(dest));
    Entry* from = SurfaceOf(s, FromPointer(source));
    if (to == nullptr || from == nullptr) {
        return;
    }
    int64_t left;
    int64_t right;
    int64_t top;
    int64_t bottom;
    int64_t sLeft;
    int64_t sRight;
    int64_t sTop;
    int64_t sBottom;
    Span(x, width, left, right);
    Span(y, height, top, bottom);
    Span(sx, width, sLeft, sRight);
    Span(sy, height, sTop, sBottom);
    // Clip to the source, then to the destination; each cut moves the other side with it.
    int64_t cut = std::max<int64_t>(0, -sLeft);
    left += cut;
    sLeft += cut;
    cut = std::max<int64_t>(0, -sTop);
    top += cut;
    sTop += cut;
    right -= std::max<int64_t>(0, sRight - from->Width);
    bottom -= std::max<int64_t>(0, sBottom - from->Height);
    cut = std::max<int64_t>(0, -left);
    left += cut;
    sLeft += cut;
    cut = std::max<int64_t>(0, -top);
    top += cut;
    sTop += cut;
    right = std::min<int64_t>(right, to->Width);
    bottom = std::min<int64_t>(bottom, to->Height);
    if (left >= right || top >= bottom) {
        return;
    }
    TellRect(s, FromPointer(dest), left, top, right, bottom);
    // Source and destination may be the same bitmap: rows move with memmove, and from the
    // bottom up when the source lies above the destination.
    const size_t count = static_cast<size_t>(right - left);
    const int64_t rows = bottom - top;
    const bool upwards = to == from && sTop < top;
    // Pixels go as they are between bitmaps of one format; otherwise each one is converted,
    // the box image into a screen in the host's format, say (never the same bitmap).
    const bool asTheyAre = from->Format == to->Format && (from->Monochrome || !to->Monochrome);
    const int64_t fromStride = static_cast<int64_t>(from->Stride);
    const int64_t toStride = static_cast<int64_t>(to->Stride);
    for (int64_t n = 0; n < rows; ++n) {
        const int64_t r = upwards ? rows - 1 - n : n;
        const uint32_t* in = from->Data + (sTop + r) * fromStride + sLeft;
        uint32_t* out = to->Data + (top + r) * toStride + left;
        if (asTheyAre) {
            std::memmove(out, in, count * sizeof(uint32_t));
        } else {
            for (size_t i = 0; i < count; ++i) {
                out[i] = Store(*to, Load(*from, in[i]));
            }
        }
    }
}

uint32_t GetPixel(Surface* surface, DC dc, int32_t x, int32_t y) {
    Entry* bitmap = SurfaceOf(*surface, FromPointer(dc));
    if (bitmap == nullptr || x < 0 || y < 0 || x >= bitmap->Width || y >= bitmap->Height) {
        return InvalidPixel;
    }
    return Load(*bitmap,
                bitmap->Data[static_cast<size_t>(y) * bitmap->Stride + static_cast<size_t>(x)]);
}

Pixels PixelsOf(Surface* surface, DC dc) {
    Entry* bitmap = SurfaceOf(*surface, FromPointer(dc));
    if (bitmap == nullptr) {
        return Pixels{0, 0, nullptr, 0, PixelFormat::ColorRef};
    }
    return Pixels{bitmap->Width, bitmap->Height, bitmap->Data, bitmap->Stride, bitmap->Format};
}

int32_t LiveObjectCount(Surface* surface) {
    return surface->Live;
}

} // namespace soft

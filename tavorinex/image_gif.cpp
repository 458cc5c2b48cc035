#include "tavorinex/image_gif.h"

#include <gif_lib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

int WriteBytes(GifFileType* file, const GifByteType* bytes, int length) {
    auto* output = static_cast<std::FILE*>(file->UserData);
    return static_cast<int>(std::fwrite(bytes, 1, static_cast<size_t>(length), output));
}

void Fail(GifAnimation& gif, int code) {
    if (gif.Error.empty()) {
        const char* text = GifErrorString(code);
        gif.Error = text != nullptr ? text : "GIF write failed";
    }
}

int ChannelDistance(uint32_t a, uint32_t b) {
    int total = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        int d = static_cast<int>((a >> shift) & 0xFFu) - static_cast<int>((b >> shift) & 0xFFu);
        total += d * d;
    }
    return total;
}

// GIF colour tables hold a power of two entries, at least 2.
int TableSize(size_t colors) {
    int size = 2;
    while (static_cast<size_t>(size) < colors) {
        size *= 2;
    }
    return size;
}

void WriteFrame(GifAnimation& gif, const GifPendingFrame& frame, uint32_t delay) {
    if (!gif.Error.empty()) {
        return;
    }
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT; // later frames draw over this one
    control.UserInputFlag = false;
    control.DelayTime = static_cast<int>(delay);
    control.TransparentColor =
        frame.TransparentIndex >= 0 ? frame.TransparentIndex : NO_TRANSPARENT_COLOR;
    GifByteType extension[4];
    size_t length = EGifGCBToExtension(&control, extension);
    if (EGifPutExtension(gif.File, GRAPHICS_EXT_FUNC_CODE, static_cast<int>(length), extension) ==
        GIF_ERROR) {
        Fail(gif, gif.File->Error);
        return;
    }
    std::vector<GifColorType> table(static_cast<size_t>(TableSize(frame.Palette.size())));
    for (size_t i = 0; i < frame.Palette.size(); ++i) {
        table[i].Red = static_cast<GifByteType>(frame.Palette[i] & 0xFFu);
        table[i].Green = static_cast<GifByteType>((frame.Palette[i] >> 8) & 0xFFu);
        table[i].Blue = static_cast<GifByteType>((frame.Palette[i] >> 16) & 0xFFu);
    }
    ColorMapObject* map = GifMakeMapObject(static_cast<int>(table.size()), table.data());
    if (map == nullptr) {
        gif.Error = "out of memory";
        return;
    }
    int result = EGifPutImageDesc(gif.File, frame.Rect.Left, frame.Rect.Top, frame.Rect.Width,
                                  frame.Rect.Height, false, map);
    GifFreeMapObject(map);
    if (result == GIF_ERROR) {
        Fail(gif, gif.File->Error);
        return;
    }
    std::vector<GifByteType> row(static_cast<size_t>(frame.Rect.Width));
    for (int32_t y = 0; y < frame.Rect.Height; ++y) {
        const uint8_t* source = frame.Indices.data() + static_cast<size_t>(y) * row.size();
        std::copy(source, source + row.size(), row.begin());
        if (EGifPutLine(gif.File, row.data(), frame.Rect.Width) == GIF_ERROR) {
            Fail(gif, gif.File->Error);
            return;
        }
    }
    ++gif.FramesWritten;
}

// Writes the pending frame to last until endMs; a delay longer than one frame can carry
// continues in empty one-pixel frames.
void FlushPending(GifAnimation& gif, uint64_t endMs, bool last) {
    uint32_t delay = GifDelayBetween(gif.Pending.StartMs, endMs);
    if (last && delay == 0) {
        delay = 1; // a zero delay would be shown as a default of about a tenth of a second
    }
    uint32_t first = std::min(delay, GifMaxDelay);
    WriteFrame(gif, gif.Pending, first);
    delay -= first;
    while (delay > 0) {
        GifPendingFrame empty;
        empty.Rect = GifRect{0, 0, 1, 1};
        empty.Indices = {0};
        empty.Palette = {0};
        empty.TransparentIndex = 0;
        uint32_t part = std::min(delay, GifMaxDelay);
        WriteFrame(gif, empty, part);
        delay -= part;
    }
}

bool FindChanges(const GifAnimation& gif, const uint32_t* screen, GifRect& rect) {
    int32_t left = gif.Width;
    int32_t right = -1;
    int32_t top = -1;
    int32_t bottom = -1;
    size_t rowBytes = static_cast<size_t>(gif.Width) * sizeof(uint32_t);
    for (int32_t y = 0; y < gif.Height; ++y) {
        size_t row = static_cast<size_t>(y) * static_cast<size_t>(gif.Width);
        const uint32_t* now = screen + row;
        const uint32_t* before = gif.Shown.data() + row;
        if (std::memcmp(now, before, rowBytes) == 0) {
            continue;
        }
        int32_t first = 0;
        while (now[first] == before[first]) {
            ++first;
        }
        int32_t last = gif.Width - 1;
        while (now[last] == before[last]) {
            --last;
        }
        left = std::min(left, first);
        right = std::max(right, last);
        if (top < 0) {
            top = y;
        }
        bottom = y;
    }
    if (top < 0) {
        return false;
    }
    rect = GifRect{left, top, right - left + 1, bottom - top + 1};
    return true;
}

// Runs of one colour are the rule on this screen: the last answer is kept.
struct PaletteLookup {
    const GifPalette& Palette;
    uint32_t LastColor = 0;
    uint8_t LastIndex = 0;
    bool HasLast = false;

    uint8_t IndexOf(uint32_t color) {
        if (HasLast && color == LastColor) {
            return LastIndex;
        }
        auto found = std::lower_bound(Palette.Map.begin(), Palette.Map.end(), color,
                                      [](const std::pair<uint32_t, uint8_t>& entry,
                                         uint32_t value) { return entry.first < value; });
        LastColor = color;
        LastIndex = found->second;
        HasLast = true;
        return LastIndex;
    }
};

} // namespace

uint32_t GifDelayBetween(uint64_t startMs, uint64_t endMs) {
    uint64_t start = (startMs + 5) / 10;
    uint64_t end = (endMs + 5) / 10;
    uint64_t delay = end > start ? end - start : 0;
    return delay > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(delay);
}

GifPalette BuildGifPalette(std::vector<uint32_t> colors, size_t maxColors) {
    std::vector<GifColorCount> counts;
    for (uint32_t color : colors) {
        counts.push_back(GifColorCount{color, 1});
    }
    return BuildGifPalette(std::move(counts), maxColors);
}

GifPalette BuildGifPalette(std::vector<GifColorCount> counts, size_t maxColors) {
    GifPalette palette;
    std::sort(counts.begin(), counts.end(),
              [](const GifColorCount& a, const GifColorCount& b) { return a.Color < b.Color; });
    // Merge the entries of each colour.
    size_t kept = 0;
    for (size_t i = 0; i < counts.size(); ++i) {
        if (kept > 0 && counts[kept - 1].Color == counts[i].Color) {
            counts[kept - 1].Count += counts[i].Count;
        } else {
            counts[kept++] = counts[i];
        }
    }
    counts.resize(kept);
    palette.Map.reserve(counts.size());
    if (counts.size() <= maxColors) {
        for (const GifColorCount& entry : counts) {
            palette.Map.emplace_back(entry.Color, static_cast<uint8_t>(palette.Colors.size()));
            palette.Colors.push_back(entry.Color);
        }
        return palette;
    }
    // Too many: the most frequent colours stay exact, the rest take the nearest of them. Of
    // equally frequent colours the lower value comes first. Only those kept are copied, so a
    // frame's memory stays within GifFrameBytesPerPixel.
    palette.Exact = false;
    std::vector<GifColorCount> top(maxColors);
    std::partial_sort_copy(counts.begin(), counts.end(), top.begin(), top.end(),
                           [](const GifColorCount& a, const GifColorCount& b) {
                               return a.Count != b.Count ? a.Count > b.Count : a.Color < b.Color;
                           });
    for (const GifColorCount& entry : top) {
        palette.Colors.push_back(entry.Color);
    }
    for (const GifColorCount& entry : counts) {
        size_t best = 0;
        int bestDistance = ChannelDistance(entry.Color, palette.Colors[0]);
        for (size_t i = 1; i < palette.Colors.size() && bestDistance > 0; ++i) {
            int distance = ChannelDistance(entry.Color, palette.Colors[i]);
            if (distance < bestDistance) {
                best = i;
                bestDistance = distance;
            }
        }
        palette.Map.emplace_back(entry.Color, static_cast<uint8_t>(best));
    }
    return palette;
}

bool GifBegin(GifAnimation& gif, const std::string& path, int32_t width, int32_t height) {
    if (!OutputOpen(gif.Output, path, gif.Error)) {
        return false;
    }
    int code = 0;
    gif.File = EGifOpen(gif.Output.Stream, WriteBytes, &code);
    if (gif.File == nullptr) {
        Fail(gif, code);
        OutputDiscard(gif.Output);
        return false;
    }
    gif.Width = width;
    gif.Height = height;
    EGifSetGifVersion(gif.File, true);
    // Play forever, as the saver does.
    static const GifByteType application[] = {'N', 'E', 'T', 'S', 'C', 'A',
                                              'P', 'E', '2', '.', '0'};
    static const GifByteType loop[] = {1, 0, 0};
    if (EGifPutScreenDesc(gif.File, width, height, 8, 0, nullptr) == GIF_ERROR ||
        EGifPutExtensionLeader(gif.File, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif.File, sizeof application, application) == GIF_ERROR ||
        EGifPutExtensionBlock(gif.File, sizeof loop, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif.File) == GIF_ERROR) {
        Fail(gif, gif.File->Error);
        EGifCloseFile(gif.File, &code);
        gif.File = nullptr;
        OutputDiscard(gif.Output);
        return false;
    }
    return true;
}

void GifAddFrame(GifAnimation& gif, const uint32_t* screen, uint64_t timeMs) {
    if (gif.File == nullptr || !gif.Error.empty()) {
        return;
    }
    GifRect rect{0, 0, gif.Width, gif.Height};
    bool first = !gif.HasFrame;
    if (first) {
        gif.Shown.assign(static_cast<size_t>(gif.Width) * static_cast<size_t>(gif.Height), 0);
    } else {
        if (!FindChanges(gif, screen, rect)) {
            return;
        }
        FlushPending(gif, timeMs, false);
    }
    size_t width = static_cast<size_t>(rect.Width);
    size_t stride = static_cast<size_t>(gif.Width);
    auto at = [&](int32_t y) {
        return static_cast<size_t>(y) * stride + static_cast<size_t>(rect.Left);
    };
    // The colours of the changed pixels, counted in runs: first how many runs, so that the
    // counts take no more memory than they need.
    size_t changed = 0;
    size_t runs = 0;
    uint32_t runColor = 0;
    for (int32_t y = rect.Top; y < rect.Top + rect.Height; ++y) {
        const uint32_t* now = screen + at(y);
        const uint32_t* before = gif.Shown.data() + at(y);
        for (size_t x = 0; x < width; ++x) {
            if (!first && now[x] == before[x]) {
                continue;
            }
            ++changed;
            runs += runs > 0 && runColor == now[x] ? 0 : 1;
            runColor = now[x];
        }
    }
    std::vector<GifColorCount> counts;
    counts.reserve(runs);
    for (int32_t y = rect.Top; y < rect.Top + rect.Height; ++y) {
        const uint32_t* now = screen + at(y);
        const uint32_t* before = gif.Shown.data() + at(y);
        for (size_t x = 0; x < width; ++x) {
            if (!first && now[x] == before[x]) {
                continue;
            }
            if (!counts.empty() && counts.back().Color == now[x]) {
                ++counts.back().Count;
            } else {
                counts.push_back(GifColorCount{now[x], 1});
            }
        }
    }
    // The first frame covers the whole picture; later ones leave unchanged pixels see-through.
    bool transparent = !first && changed < width * static_cast<size_t>(rect.Height);
    GifPalette palette = BuildGifPalette(std::move(counts), transparent ? 255 : 256);
    if (!palette.Exact) {
        ++gif.FramesQuantised;
    }
    GifPendingFrame& frame = gif.Pending;
    frame.Rect = rect;
    frame.Palette = palette.Colors;
    frame.TransparentIndex = transparent ? static_cast<int32_t>(palette.Colors.size()) : -1;
    if (transparent) {
        frame.Palette.push_back(0);
    }
    frame.StartMs = timeMs;
    frame.Indices.resize(width * static_cast<size_t>(rect.Height));
    uint8_t seeThrough = static_cast<uint8_t>(transparent ? frame.TransparentIndex : 0);
    PaletteLookup lookup{palette};
    uint8_t* out = frame.Indices.data();
    for (int32_t y = rect.Top; y < rect.Top + rect.Height; ++y) {
        const uint32_t* now = screen + at(y);
        uint32_t* before = gif.Shown.data() + at(y);
        for (size_t x = 0; x < width; ++x) {
            bool same = !first && now[x] == before[x];
            *out++ = same ? seeThrough : lookup.IndexOf(now[x]);
        }
        std::copy(now, now + width, before);
    }
    gif.HasFrame = true;
}

bool GifFinish(GifAnimation& gif, uint64_t endMs) {
    if (gif.File == nullptr) {
        return false;
    }
    if (gif.HasFrame) {
        FlushPending(gif, endMs, true);
    }
    int code = 0;
    if (EGifCloseFile(gif.File, &code) == GIF_ERROR) {
        Fail(gif, code);
    }
    gif.File = nullptr;
    std::string error;
    if (!gif.Error.empty()) {
        OutputDiscard(gif.Output);
    } else if (!OutputFinish(gif.Output, error)) {
        gif.Error = error;
    }
    return gif.Error.empty();
}

bool GifEnd(GifAnimation& gif, uint64_t endMs) {
    std::string error;
    if (GifFinish(gif, endMs) && !OutputRename(gif.Output, error)) {
        gif.Error = error;
    }
    return gif.Error.empty();
}

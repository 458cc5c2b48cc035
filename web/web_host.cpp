// The saver as a WebAssembly module: the core on a software surface whose changed rows the
// page copies to its canvas. The page's script (page.js) owns the clock, the input and the
// canvas, and asks everything of the saver through these functions.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "saver/box_animator.h"
#include "saver/dirty_rows.h"
#include "settings/settings.h"
#include "settings/settings_scan.h"

namespace {

// The settings text comes in pieces of this size, as a file is read.
constexpr int32_t ChunkBytes = 4096;

struct WebHost {
    DirtyScreen Screen;
    Saver Core;
    bool Running = false;
    double Due = 0; // the saver's clock in polls: when the wait it stands in ends
    double Steps = 0;
    SettingsScan Scan;
    Settings Sliders = SettingsDefaults;
    SaverParameters Parameters = SaverParametersWithoutFile;
    std::vector<uint32_t> Canvas; // the canvas's RGBA bytes
    std::vector<DirtyRect> Rects;
    std::string File;
    char Chunk[ChunkBytes];
};

WebHost Host;

void Stop() {
    if (Host.Running) {
        BoxAnimatorEnd(Host.Core);
        Host.Running = false;
    }
    FreeDirtyScreen(Host.Screen);
}

} // namespace

extern "C" {

EMSCRIPTEN_KEEPALIVE char* WebChunk() {
    return Host.Chunk;
}

EMSCRIPTEN_KEEPALIVE int32_t WebChunkSize() {
    return ChunkBytes;
}

EMSCRIPTEN_KEEPALIVE void WebScanBegin() {
    Host.Scan = SettingsScan{};
}

// True once the scan needs no more of the text.
EMSCRIPTEN_KEEPALIVE bool WebScan(int32_t length) {
    return ScanSettingsText(Host.Scan, std::string_view(Host.Chunk, static_cast<size_t>(length)));
}

// The text as the saver window and the settings window each read the file.
EMSCRIPTEN_KEEPALIVE void WebScanEnd() {
    Host.Parameters = SaverParametersFromFields(Host.Scan.Fields);
    Host.Sliders = SettingsFromFields(Host.Scan.Fields);
}

EMSCRIPTEN_KEEPALIVE int32_t WebSettingCount() {
    return SettingCount;
}

// The panel's texts of a setting: its name, its low end and its high end, each in the settings
// window's Japanese and in English, then its option name.
EMSCRIPTEN_KEEPALIVE const char* WebSettingText(int32_t row, int32_t which) {
    const SettingFacts& facts = SettingsTable[row];
    const char* texts[] = {facts.Dialog.Name.Text,    facts.Names.Label,
                           facts.Dialog.LowEnd.Text,  facts.Names.LowLabel,
                           facts.Dialog.HighEnd.Text, facts.Names.HighLabel,
                           facts.Names.OptionName};
    return texts[which];
}

// A setting's slider: its range, its value, and its row in the settings window.
EMSCRIPTEN_KEEPALIVE int32_t WebSettingValue(int32_t row, int32_t which) {
    const SettingFacts& facts = SettingsTable[row];
    const int32_t values[] = {facts.Range.Minimum, facts.Range.Maximum, Host.Sliders.*facts.Value,
                              facts.Dialog.Row};
    return values[which];
}

EMSCRIPTEN_KEEPALIVE void WebSetSlider(int32_t row, int32_t value) {
    Host.Sliders.*SettingsTable[row].Value = value;
}

// The file the settings window writes for the sliders, its closing zero byte included.
EMSCRIPTEN_KEEPALIVE const char* WebSettingsFile() {
    Host.File = FormatSettingsText(Host.Sliders);
    Host.File += '\0';
    return Host.File.data();
}

EMSCRIPTEN_KEEPALIVE int32_t WebSettingsFileSize() {
    return static_cast<int32_t>(Host.File.size());
}

// A fresh saver on a black screen of width x height, all of it to be shown; false when the
// surface cannot hold it.
EMSCRIPTEN_KEEPALIVE bool WebStart(int32_t width, int32_t height, uint32_t seed) {
    Stop();
    if (!NewDirtyScreen(Host.Screen, width, height)) {
        return false;
    }
    Host.Canvas.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0xFF000000u);
    Host.Core = Saver{};
    BoxAnimatorStart(Host.Core, soft::PlatformOn(Host.Screen.Surface), Host.Screen.Screen,
                     Host.Parameters, seed);
    Host.Running = true;
    Host.Due = 0;
    Host.Steps = 0;
    return true;
}

EMSCRIPTEN_KEEPALIVE double WebDue() {
    return Host.Due;
}

// Draws every wait that has begun by `polls` on the saver's clock.
EMSCRIPTEN_KEEPALIVE void WebAdvanceTo(double polls) {
    while (Host.Running && Host.Due <= polls) {
        const SaverWait wait = BoxAnimatorAdvance(Host.Core);
        Host.Due += wait.Polls;
        Host.Steps += wait.EndsStep ? 1 : 0;
    }
}

// Draws whole steps until `steps` have ended since the start, as `tavorinex render --steps`
// counts them; returns how many have.
EMSCRIPTEN_KEEPALIVE double WebStepTo(double steps) {
    while (Host.Running && Host.Steps < steps) {
        WebAdvanceTo(Host.Due);
    }
    return Host.Steps;
}

// Brings the canvas image up to date where the screen changed since the last call; the
// rectangles follow at WebRects.
EMSCRIPTEN_KEEPALIVE int32_t WebTakeChanges() {
    Host.Rects.clear();
    if (!Host.Running || !IsDirty(Host.Screen.Rows)) {
        return 0;
    }
    TakeDirtyRects(Host.Screen.Rows, Host.Rects);
    const soft::Pixels pixels = soft::PixelsOf(Host.Screen.Surface, Host.Screen.Screen);
    for (const DirtyRect& rect : Host.Rects) {
        for (int32_t y = rect.Y; y < rect.Y + rect.Height; ++y) {
            const size_t start = static_cast<size_t>(y) * static_cast<size_t>(pixels.Width) +
                                 static_cast<size_t>(rect.X);
            // A COLORREF lies in memory as red, green, blue, 0; the canvas wants alpha 255.
            for (size_t i = start; i < start + static_cast<size_t>(rect.Width); ++i) {
                Host.Canvas[i] = pixels.Data[i] | 0xFF000000u;
            }
        }
    }
    return static_cast<int32_t>(Host.Rects.size());
}

EMSCRIPTEN_KEEPALIVE const DirtyRect* WebRects() {
    return Host.Rects.data();
}

EMSCRIPTEN_KEEPALIVE uint32_t* WebCanvas() {
    return Host.Canvas.data();
}

} // extern "C"

EM_JS(void, PageReady, (), { pageReady(); });

// Runs once the module is instantiated; the page takes over from there.
int main() {
    PageReady();
    return 0;
}

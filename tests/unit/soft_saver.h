// A saver on a software screen of its own, driven the way a host drives it.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "saver/box_animator.h"
#include "saver/screen_wipe.h"
#include "saver/soft_surface.h"

struct SoftSaver {
    soft::Surface* surface = nullptr;
    gdi::DC screen = nullptr;
    Saver saver;
    SaverParameters params = {80, 50, 7, 960, 4};
    uint32_t seed = 12345;
    uint64_t polls = 0; // of every wait handed back so far
    // Told of every wait handed back, with its polls: the screen holds still through them.
    std::function<void(uint32_t)> onWait;

    SoftSaver() = default;
    SoftSaver(const SoftSaver&) = delete;
    SoftSaver& operator=(const SoftSaver&) = delete;
    ~SoftSaver() { soft::FreeSurface(surface); }

    // A fresh surface with a black screen; the saver is not started.
    void NewScreen(int32_t width, int32_t height) {
        soft::FreeSurface(surface);
        surface = soft::NewSurface();
        screen = soft::CreateScreen(surface, width, height);
        saver = Saver{};
        polls = 0;
    }

    SaverPlatform Platform() { return soft::PlatformOn(surface); }

    void Start() { BoxAnimatorStart(saver, Platform(), screen, params, seed); }

    // The platform, screen and parameters in place without starting: a wipe can run on the
    // state a test sets.
    void Attach() {
        saver.Platform = Platform();
        saver.ScreenDC = screen;
        saver.Parameters = params;
    }

    void Wait(int32_t count) {
        if (count > 0) {
            polls += static_cast<uint32_t>(count);
            if (onWait) {
                onWait(static_cast<uint32_t>(count));
            }
        }
    }

    SaverWait Advance() {
        SaverWait wait = BoxAnimatorAdvance(saver);
        Wait(static_cast<int32_t>(wait.Polls));
        return wait;
    }

    void Step() {
        while (!Advance().EndsStep) {
        }
    }

    // One whole wipe on the saver as it stands, closing pause included.
    void RunWipe() {
        Wait(ScreenWipeBegin(saver));
        while (saver.WaitPoint != SaverWaitPoint::AfterClosingPause) {
            Wait(ScreenWipeAdvance(saver));
        }
    }

    uint32_t Pixel(int32_t x, int32_t y) { return soft::GetPixel(surface, screen, x, y); }

    std::vector<uint32_t> Pixels() {
        soft::Pixels p = soft::PixelsOf(surface, screen);
        return std::vector<uint32_t>(p.Data, p.Data + static_cast<size_t>(p.Width) *
                                                          static_cast<size_t>(p.Height));
    }
};

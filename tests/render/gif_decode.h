// Test helper: plays a GIF back the way a viewer shows it, frame by frame.
#pragma once

#include <gif_lib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "tavorinex/image_io.h"

struct ShownFrame {
    RgbImage screen; // the whole picture once this frame is drawn
    int delay;       // hundredths of a second
};

struct DecodedGif {
    bool ok = false;
    int32_t width = 0;
    int32_t height = 0;
    bool loops = false; // NETSCAPE2.0 loop extension present
    std::vector<ShownFrame> frames;
};

inline DecodedGif DecodeGif(const std::string& path) {
    DecodedGif result;
    int code = 0;
    GifFileType* file = DGifOpenFileName(path.c_str(), &code);
    if (file == nullptr) {
        return result;
    }
    if (DGifSlurp(file) == GIF_ERROR) {
        DGifCloseFile(file, &code);
        return result;
    }
    result.width = file->SWidth;
    result.height = file->SHeight;
    RgbImage canvas;
    canvas.Width = result.width;
    canvas.Height = result.height;
    canvas.Pixels.assign(static_cast<size_t>(result.width) * result.height, 0xFFFFFFFFu);
    for (int i = 0; i < file->ImageCount; ++i) {
        const SavedImage& image = file->SavedImages[i];
        for (int e = 0; e < image.ExtensionBlockCount; ++e) {
            const ExtensionBlock& block = image.ExtensionBlocks[e];
            if (block.Function == APPLICATION_EXT_FUNC_CODE && block.ByteCount == 11 &&
                std::string(reinterpret_cast<const char*>(block.Bytes), 11) == "NETSCAPE2.0") {
                result.loops = true;
            }
        }
        GraphicsControlBlock control{};
        control.TransparentColor = NO_TRANSPARENT_COLOR;
        DGifSavedExtensionToGCB(file, i, &control);
        const ColorMapObject* map =
            image.ImageDesc.ColorMap != nullptr ? image.ImageDesc.ColorMap : file->SColorMap;
        const GifImageDesc& desc = image.ImageDesc;
        for (int y = 0; y < desc.Height; ++y) {
            for (int x = 0; x < desc.Width; ++x) {
                int index = image.RasterBits[y * desc.Width + x];
                if (index == control.TransparentColor) {
                    continue;
                }
                const GifColorType& c = map->Colors[index];
                canvas.Pixels[static_cast<size_t>(desc.Top + y) * result.width + desc.Left + x] =
                    static_cast<uint32_t>(c.Red) | static_cast<uint32_t>(c.Green) << 8 |
                    static_cast<uint32_t>(c.Blue) << 16;
            }
        }
        result.frames.push_back(ShownFrame{canvas, control.DelayTime});
    }
    DGifCloseFile(file, &code);
    result.ok = true;
    return result;
}

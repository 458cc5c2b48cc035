#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tavorinex/image_gif.h"
#include "tavorinex/image_io.h"
#include "tests/render/gif_decode.h"
#include "tests/render/test_files.h"

namespace {

RgbImage Filled(int32_t width, int32_t height, uint32_t color) {
    RgbImage image;
    image.Width = width;
    image.Height = height;
    image.Pixels.assign(static_cast<size_t>(width) * height, color);
    return image;
}

void Put(RgbImage& image, int32_t x, int32_t y, uint32_t color) {
    image.Pixels[static_cast<size_t>(y) * image.Width + x] = color;
}

// Every channel at its extremes and in between, so swapped or shifted channels show.
RgbImage Sampler() {
    RgbImage image = Filled(5, 3, 0);
    const uint32_t colors[] = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF,
                               0x123456, 0x654321, 0x010203, 0xFEFDFC, 0x808080,
                               0x7F7F7F, 0x00FF01, 0xABCDEF, 0x0A0B0C, 0xC0FFEE};
    for (size_t i = 0; i < image.Pixels.size(); ++i) {
        image.Pixels[i] = colors[i];
    }
    return image;
}

TEST(ImageFiles, PngDecodesToTheSamePixelsAndRepeatsByteForByte) {
    RgbImage image = Sampler();
    std::string error;
    ASSERT_TRUE(WritePng(image, TempPath("a.png"), error)) << error;
    ASSERT_TRUE(WritePng(image, TempPath("b.png"), error)) << error;
    EXPECT_EQ(FileBytes(TempPath("a.png")), FileBytes(TempPath("b.png")));
    RgbImage read;
    ASSERT_TRUE(ReadPng(TempPath("a.png"), read, error)) << error;
    EXPECT_EQ(read.Width, 5);
    EXPECT_EQ(read.Height, 3);
    EXPECT_EQ(read.Pixels, image.Pixels);
}

TEST(ImageFiles, PpmIsAHeaderAndRedGreenBlueBytes) {
    RgbImage image = Filled(2, 1, 0);
    image.Pixels = {0x030201, 0xFFFEFD};
    std::string error;
    ASSERT_TRUE(WritePpm(image, TempPath("a.ppm"), error)) << error;
    EXPECT_EQ(FileBytes(TempPath("a.ppm")), std::string("P6\n2 1\n255\n\x01\x02\x03\xFD\xFE\xFF"));
}

TEST(ImageFiles, UnwritablePathsFailWithAReason) {
    RgbImage image = Filled(1, 1, 0);
    std::string missingDir = TempPath("no/such/dir/x");
    std::string error;
    EXPECT_FALSE(WritePng(image, missingDir + ".png", error));
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_FALSE(WritePpm(image, missingDir + ".ppm", error));
    EXPECT_FALSE(error.empty());
    GifAnimation gif;
    EXPECT_FALSE(GifBegin(gif, missingDir + ".gif", 1, 1));
    EXPECT_FALSE(gif.Error.empty());
    EXPECT_FALSE(GifEnd(gif, 0));
}

TEST(GifDelays, RoundedAtBothEndsSoTheyAddUp) {
    const struct {
        uint64_t start;
        uint64_t end;
        uint32_t delay;
    } cases[] = {
        {0, 40, 4}, {0, 25, 3}, {25, 50, 2}, {50, 75, 3},        {0, 4, 0},
        {0, 5, 1},  {5, 14, 0}, {80, 60, 0}, {0, 655350, 65535},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GifDelayBetween(c.start, c.end), c.delay) << c.start << ".." << c.end;
    }
    uint64_t total = 0;
    for (uint64_t t = 0; t < 2500; t += 25) {
        total += GifDelayBetween(t, t + 25);
    }
    EXPECT_EQ(total, 250u);
}

TEST(GifPalettes, ExactWhenTheColoursFitNearestOtherwise) {
    GifPalette exact = BuildGifPalette({9, 3, 9, 5}, 255);
    EXPECT_TRUE(exact.Exact);
    EXPECT_EQ(exact.Colors, (std::vector<uint32_t>{3, 5, 9}));
    ASSERT_EQ(exact.Map.size(), 3u);
    EXPECT_EQ(exact.Map[2], (std::pair<uint32_t, uint8_t>{9, 2}));

    // 256 grey levels, each twice, plus one rare near-white: the rare one gives way.
    std::vector<uint32_t> colors;
    for (uint32_t level = 0; level < 256; ++level) {
        colors.push_back(level * 0x010101u);
        colors.push_back(level * 0x010101u);
    }
    colors.push_back(0xFEFFFEu);
    GifPalette reduced = BuildGifPalette(colors, 256);
    EXPECT_FALSE(reduced.Exact);
    EXPECT_EQ(reduced.Colors.size(), 256u);
    for (const auto& [color, index] : reduced.Map) {
        if (color == 0xFEFFFEu) {
            EXPECT_EQ(reduced.Colors[index], 0xFEFEFEu); // nearest grey
        } else {
            EXPECT_EQ(reduced.Colors[index], color);
        }
    }
}

TEST(GifAnimations, FramesCarryOnlyChangesAndPlayBackExactly) {
    std::string path = TempPath("a.gif");
    GifAnimation gif;
    ASSERT_TRUE(GifBegin(gif, path, 6, 4)) << gif.Error;
    RgbImage first = Filled(6, 4, 0);
    Put(first, 1, 1, 0x0000FF);
    RgbImage second = first;
    Put(second, 2, 1, 0x00FF00);
    Put(second, 4, 3, 0xFF0000);
    GifAddFrame(gif, first.Pixels.data(), 0);
    GifAddFrame(gif, first.Pixels.data(), 40);   // unchanged: the first frame lasts longer
    GifAddFrame(gif, second.Pixels.data(), 120); // changed rectangle x 2..4, y 1..3
    ASSERT_TRUE(GifEnd(gif, 150)) << gif.Error;
    EXPECT_EQ(gif.FramesQuantised, 0);

    DecodedGif decoded = DecodeGif(path);
    ASSERT_TRUE(decoded.ok);
    EXPECT_TRUE(decoded.loops);
    EXPECT_EQ(decoded.width, 6);
    EXPECT_EQ(decoded.height, 4);
    ASSERT_EQ(decoded.frames.size(), 2u);
    EXPECT_EQ(decoded.frames[0].screen.Pixels, first.Pixels);
    EXPECT_EQ(decoded.frames[0].delay, 12);
    EXPECT_EQ(decoded.frames[1].screen.Pixels, second.Pixels);
    EXPECT_EQ(decoded.frames[1].delay, 3);

    int code = 0;
    GifFileType* file = DGifOpenFileName(path.c_str(), &code);
    ASSERT_NE(file, nullptr);
    ASSERT_NE(DGifSlurp(file), GIF_ERROR);
    const GifImageDesc& desc = file->SavedImages[1].ImageDesc;
    EXPECT_EQ(desc.Left, 2);
    EXPECT_EQ(desc.Top, 1);
    EXPECT_EQ(desc.Width, 3);
    EXPECT_EQ(desc.Height, 3);
    DGifCloseFile(file, &code);
}

TEST(GifAnimations, ManyColoursKeepTheCommonOnesExact) {
    std::string path = TempPath("many.gif");
    RgbImage image = Filled(32, 20, 0);
    for (int32_t i = 0; i < 300; ++i) {
        Put(image, i % 32, i / 32, static_cast<uint32_t>(i) * 3 + 1); // 300 rare colours
    }
    GifAnimation gif;
    ASSERT_TRUE(GifBegin(gif, path, 32, 20)) << gif.Error;
    GifAddFrame(gif, image.Pixels.data(), 0);
    ASSERT_TRUE(GifEnd(gif, 100)) << gif.Error;
    EXPECT_EQ(gif.FramesQuantised, 1);
    DecodedGif decoded = DecodeGif(path);
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.frames.size(), 1u);
    const std::vector<uint32_t>& shown = decoded.frames[0].screen.Pixels;
    EXPECT_EQ(shown.back(), 0u); // black, the commonest, stays exact
    // All rare colours are equally rare: the lowest 255 stay, the others take the nearest.
    auto distance = [](uint32_t a, uint32_t b) {
        int total = 0;
        for (int shift = 0; shift < 24; shift += 8) {
            int d = static_cast<int>((a >> shift) & 0xFFu) - static_cast<int>((b >> shift) & 0xFFu);
            total += d * d;
        }
        return total;
    };
    for (size_t i = 0; i < 300; ++i) {
        uint32_t wanted = image.Pixels[i];
        if (i < 255) {
            EXPECT_EQ(shown[i], wanted) << i;
            continue;
        }
        int best = distance(wanted, 0);
        for (size_t k = 0; k < 255; ++k) {
            best = std::min(best, distance(wanted, image.Pixels[k]));
        }
        EXPECT_EQ(distance(wanted, shown[i]), best) << i;
    }
}

TEST(GifAnimations, DelaysBeyondOneFrameContinueInEmptyFrames) {
    std::string path = TempPath("long.gif");
    RgbImage image = Filled(2, 2, 0x0000FF);
    GifAnimation gif;
    ASSERT_TRUE(GifBegin(gif, path, 2, 2)) << gif.Error;
    GifAddFrame(gif, image.Pixels.data(), 0);
    ASSERT_TRUE(GifEnd(gif, 700000)) << gif.Error;
    DecodedGif decoded = DecodeGif(path);
    ASSERT_TRUE(decoded.ok);
    ASSERT_EQ(decoded.frames.size(), 2u);
    EXPECT_EQ(decoded.frames[0].delay, 65535);
    EXPECT_EQ(decoded.frames[1].delay, 70000 - 65535);
    EXPECT_EQ(decoded.frames[1].screen.Pixels, image.Pixels);
}

} // namespace

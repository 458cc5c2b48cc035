// Still images of the saver's screen: an RGB picture and its PNG and PPM files.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tavorinex/output_file.h"

// Pixels row by row from the top, each a COLORREF (red | green << 8 | blue << 16).
struct RgbImage {
    int32_t Width = 0;
    int32_t Height = 0;
    std::vector<uint32_t> Pixels;
};

// Each returns false and sets error (one line, without the file name) when the file
// cannot be written.
bool WritePng(const RgbImage& image, const std::string& path, std::string& error);
bool WritePpm(const RgbImage& image, const std::string& path, std::string& error);
// The same into a temporary file that OutputOpen made; finished (OutputFinish) but not yet
// renamed into place. On failure it is removed.
bool WriteImageTo(const RgbImage& image, bool png, OutputFile& file, std::string& error);

// For checking what was written.
bool ReadPng(const std::string& path, RgbImage& image, std::string& error);

// The image as packed 8-bit red, green, blue triples.
std::vector<uint8_t> RgbBytes(const RgbImage& image);

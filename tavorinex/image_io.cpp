#include "tavorinex/image_io.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "tavorinex/output_file.h"

std::vector<uint8_t> RgbBytes(const RgbImage& image) {
    std::vector<uint8_t> bytes;
    bytes.reserve(image.Pixels.size() * 3);
    for (uint32_t color : image.Pixels) {
        bytes.push_back(static_cast<uint8_t>(color & 0xFFu));
        bytes.push_back(static_cast<uint8_t>((color >> 8) & 0xFFu));
        bytes.push_back(static_cast<uint8_t>((color >> 16) & 0xFFu));
    }
    return bytes;
}

static bool WritePngStream(const RgbImage& image, std::FILE* stream, std::string& error) {
    std::vector<uint8_t> bytes = RgbBytes(image);
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = static_cast<png_uint_32>(image.Width);
    png.height = static_cast<png_uint_32>(image.Height);
    png.format = PNG_FORMAT_RGB;
    // The simplified API writes no time stamp, so the same pixels give the same bytes.
    errno = 0;
    if (png_image_write_to_stdio(&png, stream, 0, bytes.data(), 0, nullptr) == 0) {
        // The system's reason says more than libpng's "Write Error".
        error = std::ferror(stream) != 0 && errno != 0 ? std::strerror(errno) : png.message;
        png_image_free(&png);
        return false;
    }
    return true;
}

static bool WritePpmStream(const RgbImage& image, std::FILE* stream, std::string& error) {
    std::vector<uint8_t> bytes = RgbBytes(image);
    if (std::fprintf(stream, "P6\n%d %d\n255\n", static_cast<int>(image.Width),
                     static_cast<int>(image.Height)) < 0 ||
        std::fwrite(bytes.data(), 1, bytes.size(), stream) != bytes.size()) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

bool WriteImageTo(const RgbImage& image, bool png, OutputFile& file, std::string& error) {
    if (!(png ? WritePngStream(image, file.Stream, error)
              : WritePpmStream(image, file.Stream, error))) {
        OutputDiscard(file);
        return false;
    }
    return OutputFinish(file, error);
}

static bool WriteImage(const RgbImage& image, bool png, const std::string& path,
                       std::string& error) {
    OutputFile file;
    return OutputOpen(file, path, error) && WriteImageTo(image, png, file, error) &&
           OutputRename(file, error);
}

bool WritePng(const RgbImage& image, const std::string& path, std::string& error) {
    return WriteImage(image, true, path, error);
}

bool WritePpm(const RgbImage& image, const std::string& path, std::string& error) {
    return WriteImage(image, false, path, error);
}

bool ReadPng(const std::string& path, RgbImage& image, std::string& error) {
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (png_image_begin_read_from_file(&png, path.c_str()) == 0) {
        error = png.message;
        return false;
    }
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> bytes(PNG_IMAGE_SIZE(png));
    if (png_image_finish_read(&png, nullptr, bytes.data(), 0, nullptr) == 0) {
        error = png.message;
        png_image_free(&png);
        return false;
    }
    image.Width = static_cast<int32_t>(png.width);
    image.Height = static_cast<int32_t>(png.height);
    image.Pixels.resize(bytes.size() / 3);
    for (size_t i = 0; i < image.Pixels.size(); ++i) {
        image.Pixels[i] = static_cast<uint32_t>(bytes[3 * i]) |
                          static_cast<uint32_t>(bytes[3 * i + 1]) << 8 |
                          static_cast<uint32_t>(bytes[3 * i + 2]) << 16;
    }
    return true;
}

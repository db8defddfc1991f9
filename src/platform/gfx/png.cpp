#include "platform/gfx/png.h"

#include "platform/files/safe_write.h"

#include <cmath>
#include <csetjmp>
#include <cstdio>
#include <png.h>
#include <vector>

namespace vemora::gfx {

namespace {

// Pictures beyond this are not ours: refusing them early keeps a damaged header from
// asking for gigabytes.
constexpr png_uint_32 kMaxSide = 1u << 15;
constexpr size_t kMaxPixels = size_t{1} << 26;

// libpng reports errors through these; the default ones print to stderr, and a library
// has no business printing. The error one must not return, so it jumps back to the
// setjmp of the call in progress.
[[noreturn]] void OnPngError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}
void OnPngWarning(png_structp, png_const_charp) {}

class File {
public:
    File(const std::string& path, const char* mode) : file_(std::fopen(path.c_str(), mode)) {}
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    ~File() {
        if (file_) {
            std::fclose(file_);
        }
    }
    std::FILE* Get() const { return file_; }
    // Closes now, so that a failure to flush the last bytes counts.
    bool Close() {
        std::FILE* f = file_;
        file_ = nullptr;
        return f && std::fclose(f) == 0;
    }

private:
    std::FILE* file_;
};

bool WriteRows(png_structp png, png_infop info, std::FILE* file, const Bitmap& bitmap, double scale,
               std::vector<png_byte>& row) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(bitmap.Width()),
                 static_cast<png_uint_32>(bitmap.Height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    const png_uint_32 density = PngPixelsPerMetre(scale);
    png_set_pHYs(png, info, density, density, PNG_RESOLUTION_METER);
    png_write_info(png, info);
    for (int y = 0; y < bitmap.Height(); ++y) {
        const Pixel* src = bitmap.Row(y);
        for (int x = 0; x < bitmap.Width(); ++x) {
            row[3 * x] = static_cast<png_byte>(src[x] >> 16);
            row[3 * x + 1] = static_cast<png_byte>(src[x] >> 8);
            row[3 * x + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    return true;
}

bool ReadHeader(png_structp png, png_infop info, std::FILE* file, png_uint_32& width,
                png_uint_32& height) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, file);
    png_set_sig_bytes(png, 8);
    png_set_user_limits(png, kMaxSide, kMaxSide);
    png_read_info(png, info);
    width = png_get_image_width(png, info);
    height = png_get_image_height(png, info);
    if (static_cast<size_t>(width) * height > kMaxPixels) {
        return false;
    }
    const png_byte colorType = png_get_color_type(png, info);
    png_set_expand(png);
    png_set_strip_16(png);
    png_set_strip_alpha(png);
    if (colorType == PNG_COLOR_TYPE_GRAY || colorType == PNG_COLOR_TYPE_GRAY_ALPHA) {
        png_set_gray_to_rgb(png);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return png_get_rowbytes(png, info) == static_cast<size_t>(width) * 3;
}

bool ReadImage(png_structp png, png_bytepp rows) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_read_image(png, rows);
    png_read_end(png, nullptr);
    return true;
}

bool ReadPixels(png_structp png, png_infop info, std::FILE* file, std::vector<png_byte>& pixels,
                png_uint_32& width, png_uint_32& height) {
    if (!ReadHeader(png, info, file, width, height)) {
        return false;
    }
    // Both buffers live outside the jumps, so an error in the image data cannot skip their
    // release.
    pixels.resize(static_cast<size_t>(width) * height * 3);
    std::vector<png_bytep> rows(height);
    for (png_uint_32 y = 0; y < height; ++y) {
        rows[y] = pixels.data() + static_cast<size_t>(y) * width * 3;
    }
    return ReadImage(png, rows.data());
}

} // namespace

namespace {

// The PNG into an open file; the file stays open.
bool WriteToFile(const Bitmap& bitmap, std::FILE* file, double scale) {
    png_structp png =
        png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    bool ok = false;
    if (info) {
        // Allocated here rather than after the setjmp, so that a jump out of libpng cannot
        // skip its destructor.
        std::vector<png_byte> row(static_cast<size_t>(bitmap.Width()) * 3);
        ok = WriteRows(png, info, file, bitmap, scale, row);
    }
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    return ok && std::fflush(file) == 0 && !std::ferror(file);
}

} // namespace

uint32_t PngPixelsPerMetre(double scale) {
    constexpr long double kInchesPerMetre = 1 / 0.0254L;
    return static_cast<uint32_t>(std::lround(96 * scale * kInchesPerMetre));
}

bool WritePng(const Bitmap& bitmap, std::FILE* file, double scale) {
    return !bitmap.Empty() && WriteToFile(bitmap, file, scale);
}

bool WritePng(const Bitmap& bitmap, const std::string& path, double scale) {
    return SavePng(bitmap, path, scale).empty();
}

std::string SavePng(const Bitmap& bitmap, const std::string& path, double scale) {
    if (bitmap.Empty())
        return "the picture is empty";
    const int err = platform::WriteFileSafely(
        path, [&](std::FILE* file) { return WriteToFile(bitmap, file, scale); });
    return err == 0 ? std::string() : platform::ErrorText(err);
}

bool ReadPng(const std::string& path, Bitmap& out) {
    File file(path, "rb");
    if (!file.Get()) {
        return false;
    }
    png_byte signature[8];
    if (std::fread(signature, 1, sizeof(signature), file.Get()) != sizeof(signature) ||
        png_sig_cmp(signature, 0, sizeof(signature)) != 0) {
        return false;
    }
    png_structp png =
        png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnPngError, OnPngWarning);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    std::vector<png_byte> pixels;
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    const bool ok = info && ReadPixels(png, info, file.Get(), pixels, width, height);
    png_destroy_read_struct(png ? &png : nullptr, info ? &info : nullptr, nullptr);
    if (!ok) {
        return false;
    }
    Bitmap result(static_cast<int>(width), static_cast<int>(height), 0);
    for (png_uint_32 y = 0; y < height; ++y) {
        const png_byte* src = pixels.data() + static_cast<size_t>(y) * width * 3;
        Pixel* dst = result.Row(static_cast<int>(y));
        for (png_uint_32 x = 0; x < width; ++x) {
            dst[x] = (Pixel{src[3 * x]} << 16) | (Pixel{src[3 * x + 1]} << 8) | src[3 * x + 2];
        }
    }
    out = std::move(result);
    return true;
}

} // namespace vemora::gfx

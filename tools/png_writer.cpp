#include "tools/png_writer.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <vector>

#include "image/dib_image.h"

namespace {

// Fills out with one row of the picture (top row first) as the file stores it.
using RowSource = void (*)(const CDibImage& image, int topRow, png_byte* out);

const BYTE* StoredRow(const CDibImage& image, int topRow)
{
    // The first stored row is the bottom of the picture.
    const int stored = image.Height() - 1 - topRow;
    return image.Info().pixels + std::size_t(stored) * std::size_t(image.Info().stride);
}

std::size_t RowBytes(int width, int bitsPerPixel) { return (std::size_t(width) * std::size_t(bitsPerPixel) + 7) / 8; }

void IndexedOrRgbRow(const CDibImage& image, int topRow, png_byte* out)
{
    const std::size_t bytes = RowBytes(image.Width(), image.BitCount());
    const BYTE* row = StoredRow(image, topRow);
    std::copy(row, row + bytes, out);
    if (image.BitCount() == 24) {
        for (std::size_t i = 0; i + 2 < bytes; i += 3) std::swap(out[i], out[i + 2]);  // BGR to RGB
    }
}

void RgbaRow(const CDibImage& image, int topRow, png_byte* out)
{
    const int width = image.Width();
    const int stored = image.Height() - 1 - topRow;
    const BYTE* alpha = image.AlphaPlane() + std::size_t(stored) * std::size_t(width);
    const BYTE* row = StoredRow(image, topRow);
    for (int x = 0; x < width; ++x) {
        png_byte* pixel = out + std::size_t(x) * 4;
        if (image.BitCount() == 24) {
            pixel[0] = row[3 * x + 2];
            pixel[1] = row[3 * x + 1];
            pixel[2] = row[3 * x];
        } else {
            const RGBQUAD colour = image.GetPaletteColour(image.GetPixelIndex(x, stored));
            pixel[0] = colour.rgbRed;
            pixel[1] = colour.rgbGreen;
            pixel[2] = colour.rgbBlue;
        }
        pixel[3] = alpha[x];
    }
}

struct PngLayout {
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    std::vector<png_color> palette;
    std::vector<png_byte> transparency;  // tRNS of a palette file, empty for none
    RowSource row = IndexedOrRgbRow;
    std::size_t rowBytes = 0;
};

PngLayout LayoutOf(const CDibImage& image)
{
    PngLayout layout;
    if (image.AlphaPlane()) {
        layout.colourType = PNG_COLOR_TYPE_RGB_ALPHA;
        layout.row = RgbaRow;
        layout.rowBytes = RowBytes(image.Width(), 32);
        return layout;
    }
    layout.rowBytes = RowBytes(image.Width(), image.BitCount());
    if (image.BitCount() == 24) return layout;

    layout.colourType = PNG_COLOR_TYPE_PALETTE;
    layout.bitDepth = image.BitCount();
    const int entries = 1 << image.BitCount();
    const RGBQUAD* table = image.GetPalette();
    const int held = table ? int(std::min<DWORD>(image.Header().biClrUsed, DWORD(entries))) : 0;
    layout.palette.assign(std::size_t(entries), png_color{0, 0, 0});
    std::vector<png_byte> alpha(std::size_t(entries), 255);
    for (int i = 0; i < held; ++i) {
        layout.palette[std::size_t(i)] = png_color{table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue};
        if (image.Info().paletteHasAlpha) alpha[std::size_t(i)] = table[i].rgbReserved;
    }
    const int transparent = image.Info().transparentIndex;
    if (transparent >= 0 && transparent < entries) alpha[std::size_t(transparent)] = 0;

    // tRNS stops after the last entry that is not opaque.
    std::size_t count = alpha.size();
    while (count > 0 && alpha[count - 1] == 255) --count;
    alpha.resize(count);
    layout.transparency = std::move(alpha);
    return layout;
}

void ReportError(png_structp png, png_const_charp message)
{
    auto* error = static_cast<std::string*>(png_get_error_ptr(png));
    if (error) *error = message ? message : "libpng failed";
    png_longjmp(png, 1);
}

void IgnoreWarning(png_structp, png_const_charp) {}

// Everything that must outlive libpng's jump back to the recovery point is
// made before it: the jump leaves no object half way through its life.
struct WriteJob {
    const CDibImage& image;
    const PngLayout& layout;
    FILE* file;
    std::string& error;
    std::vector<png_byte>& row;
};

bool Encode(WriteJob& job)
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, &job.error, ReportError, IgnoreWarning);
    if (!png) {
        job.error = "no memory for the PNG writer";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        job.error = "no memory for the PNG writer";
        return false;
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_init_io(png, job.file);
    const CDibImage& image = job.image;
    const PngLayout& layout = job.layout;
    png_set_IHDR(png, info, png_uint_32(image.Width()), png_uint_32(image.Height()), layout.bitDepth,
                 layout.colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    if (!layout.palette.empty())
        png_set_PLTE(png, info, layout.palette.data(), int(layout.palette.size()));
    if (!layout.transparency.empty())
        png_set_tRNS(png, info, layout.transparency.data(), int(layout.transparency.size()), nullptr);
    png_write_info(png, info);
    for (int y = 0; y < image.Height(); ++y) {
        layout.row(image, y, job.row.data());
        png_write_row(png, job.row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

}  // namespace

bool WritePngFile(const CDibImage& image, const std::string& path, std::string& error)
{
    const int depth = image.BitCount();
    if (image.IsEmpty() || image.Width() <= 0 || image.Height() <= 0 ||
        (depth != 1 && depth != 4 && depth != 8 && depth != 24)) {
        error = "the image has no pixels a PNG file can hold";
        return false;
    }
    const PngLayout layout = LayoutOf(image);
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        error = "cannot create the file";
        return false;
    }
    std::vector<png_byte> row(layout.rowBytes);
    WriteJob job{image, layout, file, error, row};
    bool ok = Encode(job);
    if (std::fclose(file) != 0 && ok) {
        error = "cannot finish the file";
        ok = false;
    }
    if (!ok) std::remove(path.c_str());
    return ok;
}

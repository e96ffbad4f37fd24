// PNG reader on libpng.
//
// What it reads, in order:
//  1. libpng's read and info structures, then a recovery point that every
//     libpng error jumps back to ("Error reading PNG file").
//  2. The header chunks (png_read_info): size, bit depth, colour type,
//     interlace, palette, tRNS and bKGD.
//  3. Transformations: images without an alpha channel of 8 bits per sample
//     (file pixel depth other than 32) are blended over the file's bKGD
//     colour, or over grey 0 / RGB (192, 192, 192); 16-bit samples are cut to
//     8 bits; 8-bit RGBA and 16-bit grey-alpha rows arrive as R, G, B, A.
//  4. The image: the bit count follows the file pixel depth (above 16 gives
//     24, 16 gives 8, 2 gives 4, else the depth itself); the colour table is
//     the file's palette (copied before libpng composes its own copy over the
//     background), the greys 0, 85, 170, 255 for 2-bit grey, or a grey ramp.
//  5. tRNS alpha bytes go into the reserved bytes of the colour table: one
//     fully transparent entry becomes transparentIndex 0, anything else
//     palette alpha. Grey and RGB files have no such bytes; libpng has already
//     blended their tRNS colour over the background.
//  6. Rows, top first, into the bottom-up rows: red and blue swapped for RGB,
//     2-bit values widened to 4 bits, alpha split into the alpha plane.
//     Interlaced files are read pass by pass over what earlier passes stored.
//
// Damage: every libpng error (bad signature, bad chunk, CRC error, truncated
// data) frees everything and reports "Error reading PNG file"; an image too
// large to allocate reports "Can't allocate memory for PNG image". The row
// buffer is sized for the larger of the file's and the transformed row, so a
// header that lies about the depth cannot make libpng write past it.
//
// The recovery point uses setjmp/longjmp: the functions a jump can leave
// (ReadGuarded, ReadPicture) hold only plain values, and everything that must
// be freed lives in PngSession, which Decode owns.
#include "formats/png_image.h"

#include <png.h>

#include <csetjmp>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "formats/packed_rows.h"

struct PngSession {
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_bytep row = nullptr;
};

namespace {

constexpr const char* MSG_NO_STRUCT = "Failed to create PNG structure";
constexpr const char* MSG_NO_INFO = "Failed to initialize PNG info structure";
constexpr const char* MSG_READ = "Error reading PNG file";
constexpr const char* MSG_NO_MEMORY = "Can't allocate memory for PNG image";

// Used when the file has no bKGD chunk: grey files blend over black, colour
// files over a light grey.
constexpr png_color_16 DEFAULT_BACKGROUND = {0, 192, 192, 192, 0};

}  // namespace

bool CPngImage::Decode(FILE* file)
{
    if (!file) return false;
    return DecodeGuarded([&] {
        PngSession session;
        session.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        if (!session.png) throw MSG_NO_STRUCT;
        session.info = png_create_info_struct(session.png);
        if (!session.info) {
            png_destroy_read_struct(&session.png, nullptr, nullptr);
            throw MSG_NO_INFO;
        }
        const char* failure = ReadGuarded(file, session);
        std::free(session.row);
        png_destroy_read_struct(&session.png, &session.info, nullptr);
        if (failure) throw failure;
        return true;
    });
}

// The recovery point. A libpng error anywhere below returns here with
// MSG_READ; Decode then frees the session.
const char* CPngImage::ReadGuarded(FILE* file, PngSession& session)
{
    if (setjmp(png_jmpbuf(session.png))) return MSG_READ;
    return ReadPicture(file, session);
}

const char* CPngImage::ReadPicture(FILE* file, PngSession& session)
{
    png_structp png = session.png;
    png_infop info = session.info;

    png_init_io(png, file);
#ifdef PNG_IGNORE_ADLER32
    // Every chunk's CRC already guards the data; zlib's second sum over the
    // whole picture costs a twentieth of the decode.
    png_set_option(png, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif
    png_read_info(png, info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    int interlaceType = 0;
    png_get_IHDR(png, info, &width, &height, &bitDepth, &colourType, &interlaceType, nullptr,
                 nullptr);
    const int pixelDepth = bitDepth * png_get_channels(png, info);
    int workingType = colourType;

    // libpng 1.6 composes in linear light whenever the file carries a gamma
    // (gAMA, sRGB); pin file and screen gamma to 1.0 so the blend is the plain
    // weighted sum of the stored values, whatever the file says.
    png_set_gamma(png, 1.0, 1.0);

    png_color_16p fileBackground = nullptr;
    const bool hasBackground = png_get_bKGD(png, info, &fileBackground) != 0 && fileBackground;
    if (pixelDepth != 32) {
        if (hasBackground)
            png_set_background(png, fileBackground, PNG_BACKGROUND_GAMMA_FILE, 1, 1.0);
        else
            png_set_background(png, &DEFAULT_BACKGROUND, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
        if (pixelDepth > 16) workingType = PNG_COLOR_TYPE_RGB;
    } else if (hasBackground) {
        m_info.transparentColour = RGBQUAD{BYTE(fileBackground->blue), BYTE(fileBackground->green),
                                           BYTE(fileBackground->red), 0};
    }
    if (bitDepth == 16) png_set_strip_16(png);

    const int bitCount = pixelDepth > 16 ? 24 : pixelDepth == 16 ? 8 : pixelDepth;
    if (width > png_uint_32(INT32_MAX) || height > png_uint_32(INT32_MAX) ||
        !Create(int(width), int(height), bitCount, ImageFormat(0)))
        return MSG_NO_MEMORY;

    // The palette is copied now: once rows are read, libpng has composed its
    // own copy (the same array) over the background.
    png_colorp palette = nullptr;
    int paletteCount = 0;
    if (png_get_PLTE(png, info, &palette, &paletteCount) && palette && paletteCount > 0) {
        static_assert(sizeof(png_color) == 3, "png_color is one RGB triple");
        SetPaletteFromRgb(reinterpret_cast<const BYTE*>(palette), DWORD(paletteCount));
    } else if (bitDepth == 2) {
        for (int i = 0; i < 4; ++i) SetPaletteEntry(BYTE(i), BYTE(85 * i), BYTE(85 * i), BYTE(85 * i), 0);
    } else {
        SetGreyPalette();
    }

    // tRNS: only palette files come with alpha bytes (grey and RGB files give
    // a colour, which the blend above has already dealt with).
    png_bytep transAlpha = nullptr;
    int transCount = 0;
    png_get_tRNS(png, info, &transAlpha, &transCount, nullptr);
    RGBQUAD* table = GetPalette();
    if (transCount > 0 && transAlpha && table) {
        const int colours = int(m_header.biClrUsed);
        int i = 0;
        for (; i < colours && i < transCount; ++i) table[i].rgbReserved = transAlpha[i];
        if (transCount == 1 && table[0].rgbReserved == 0) {
            m_info.transparentIndex = 0;
        } else {
            m_info.paletteHasAlpha = 1;
            for (; i < colours; ++i) table[i].rgbReserved = 255;
        }
    }

    const bool withAlpha = workingType == PNG_COLOR_TYPE_RGB_ALPHA ||
                           (workingType == PNG_COLOR_TYPE_GRAY_ALPHA && pixelDepth == 32);
    if (withAlpha) {
        if (workingType == PNG_COLOR_TYPE_GRAY_ALPHA) {
            png_set_gray_to_rgb(png);
            png_set_expand(png);
        }
        png_set_filler(png, 255, PNG_FILLER_AFTER);
        if (!CreateAlpha()) return MSG_NO_MEMORY;
    }

    const bool interlaced = interlaceType != PNG_INTERLACE_NONE;
    const int passes = interlaced ? png_set_interlace_handling(png) : 1;
    png_read_update_info(png, info);

    // Room for a whole file row (plus slack) and for a whole transformed row.
    const std::uint64_t fileRowBytes = std::uint64_t((pixelDepth + 7) / 8) * width + 10;
    const std::uint64_t outRowBytes = png_get_rowbytes(png, info);
    const std::uint64_t rowBytes = fileRowBytes > outRowBytes ? fileRowBytes : outRowBytes;
    if (rowBytes > SIZE_MAX) return MSG_NO_MEMORY;
    session.row = static_cast<png_bytep>(std::calloc(std::size_t(rowBytes), 1));
    if (!session.row) return MSG_NO_MEMORY;
    png_bytep row = session.row;

    const std::size_t stride = std::size_t(m_info.stride);
    const std::size_t w = width;
    for (int pass = 0; pass < passes; ++pass) {
        const bool refill = interlaced && pass > 0;
        const bool lastPass = pass == passes - 1;
        for (png_uint_32 j = 0; j < height; ++j) {
            const int y = int(height - 1 - j);
            BYTE* stored = m_info.pixels + std::size_t(y) * stride;
            if (!withAlpha) {
                // Later passes fill in pixels around those already stored.
                if (refill) std::memcpy(row, stored, stride);
                png_read_row(png, row, nullptr);
                if (lastPass) {
                    if (workingType == PNG_COLOR_TYPE_RGB) SwapRedBlue(row, int(stride));
                    if (bitDepth == 2) ExpandTwoBitRow(row);
                }
                std::memcpy(stored, row, stride);
            } else {
                const BYTE* alpha = m_pAlpha + std::size_t(y) * w;
                if (refill) {
                    for (std::size_t x = 0; x < w; ++x) {
                        row[4 * x] = stored[3 * x + 2];
                        row[4 * x + 1] = stored[3 * x + 1];
                        row[4 * x + 2] = stored[3 * x];
                        row[4 * x + 3] = alpha[x];
                    }
                }
                png_read_row(png, row, nullptr);
                for (std::size_t x = 0; x < w; ++x) {
                    SetAlpha(int(x), y, row[4 * x + 3]);
                    stored[3 * x] = row[4 * x + 2];
                    stored[3 * x + 1] = row[4 * x + 1];
                    stored[3 * x + 2] = row[4 * x];
                }
            }
        }
    }

    png_read_end(png, nullptr);
    return nullptr;
}

void CPngImage::ExpandTwoBitRow(BYTE* row) const
{
    WidenTwoBitRow(row, row, std::size_t(m_header.biWidth));
}

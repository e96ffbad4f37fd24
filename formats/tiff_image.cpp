// TIFF reader on libtiff.
//
// What it reads, in order:
//  1. A libtiff handle over the open stream (see tiff_stream.h); the handle's
//     errors and warnings are dropped and libtiff's global error output is
//     off, so nothing reaches stderr.
//  2. The pages: libtiff's chain of directories, counted by their offsets
//     alone, without reading their entries (libtiff stops at a directory
//     that loops back); at most 65536 pages, as page numbers have 16 bits.
//     Then the page frameIndex.
//  3. Its tags: Compression (every scheme libtiff decodes, LZW included),
//     ImageWidth, ImageLength, SamplesPerPixel, BitsPerSample, RowsPerStrip, Photometric,
//     PlanarConfiguration, X/YResolution (taken as dots per inch).
//  4. The picture, on one of two paths:
//     - RGBA: RGB of 8 bits or more, separated (CMYK), YCbCr and LogLuv
//       pages, and pages of several samples in separate planes, through
//       libtiff's RGBA reader into a 24-bit image; alpha is dropped.
//       Uncompressed tiled pages are read from a copy of the whole stream,
//       the only way libtiff 4.5's RGBA reader reads them.
//     - Rows: everything else, strip by strip (or tile by tile) into a 1-, 4-
//       or 8-bit image with a colour table from the photometric or the
//       colour map (tiff_rows.cpp).
//
// Damage: a stream libtiff cannot open, a missing page, a size that cannot be
// held and any libtiff read failure end the read with a message; no row is
// written before the image and its buffers exist. Strips (or tiles) that
// together hold more bytes than the file are damage too: sound strips never
// share bytes, and strips that all point at one block would let a small
// file inflate to the image cap.
#include "formats/tiff_image.h"

#include <tiffio.h>

#include <sys/types.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "formats/tiff_messages.h"
#include "formats/tiff_stream.h"

namespace {

// Page numbers are 16-bit.
constexpr int MAX_PAGES = 65536;
// Resolutions whose pels-per-metre fit the header's 32-bit field.
constexpr float MAX_DPI = 50'000'000.0f;

int DropMessage(TIFF*, void*, const char*, const char*, va_list)
{
    return 1;
}

struct HandleCloser {
    void operator()(TIFF* handle) const { TIFFClose(handle); }
};
struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};
struct RasterFreer {
    void operator()(std::uint32_t* raster) const { _TIFFfree(raster); }
};
struct CFreer {
    void operator()(void* block) const { std::free(block); }
};

TiffPageTags ReadTags(TIFF* handle)
{
    TiffPageTags tags;
    TIFFGetField(handle, TIFFTAG_COMPRESSION, &tags.compression);
    TIFFGetField(handle, TIFFTAG_IMAGEWIDTH, &tags.width);
    TIFFGetField(handle, TIFFTAG_IMAGELENGTH, &tags.height);
    TIFFGetField(handle, TIFFTAG_SAMPLESPERPIXEL, &tags.samplesPerPixel);
    TIFFGetField(handle, TIFFTAG_BITSPERSAMPLE, &tags.bitsPerSample);
    TIFFGetField(handle, TIFFTAG_ROWSPERSTRIP, &tags.rowsPerStrip);
    TIFFGetField(handle, TIFFTAG_PHOTOMETRIC, &tags.photometric);
    TIFFGetField(handle, TIFFTAG_PLANARCONFIG, &tags.planarConfig);
    return tags;
}

bool UsesRgbaPath(const TiffPageTags& tags)
{
    switch (tags.photometric) {
        case PHOTOMETRIC_RGB:
            if (tags.bitsPerSample >= 8) return true;
            break;
        case PHOTOMETRIC_SEPARATED:
        case PHOTOMETRIC_YCBCR:
        case PHOTOMETRIC_LOGLUV:
            return true;
        default:
            break;
    }
    // A strip of separate planes holds one sample: only the RGBA reader
    // brings the planes together.
    return tags.planarConfig == PLANARCONFIG_SEPARATE && tags.samplesPerPixel > 1;
}

// Depth of the image on the rows path. Grey and palette pages of one sample
// of 1, 2 or 4 bits keep their depth (2 bits are widened to 4).
int RowsBitCount(const TiffPageTags& tags)
{
    const bool grey =
        tags.photometric == PHOTOMETRIC_MINISWHITE || tags.photometric == PHOTOMETRIC_MINISBLACK;
    const bool palette = tags.photometric == PHOTOMETRIC_PALETTE;
    const bool oneSample = tags.samplesPerPixel == 1;
    if (grey && tags.bitsPerSample == 1) return 1;
    if ((grey || palette) && oneSample && tags.bitsPerSample <= 2)
        return tags.bitsPerSample == 1 ? 1 : 4;
    return tags.bitsPerSample == 4 ? 4 : 8;
}

// The bytes the page's strips (or tiles) take from the file, each counted as
// far as the file reaches, are at most the file.
bool StripsFitTheFile(TIFF* handle)
{
    const std::uint64_t size = TIFFGetSizeProc(handle)(TIFFClientdata(handle));
    const std::uint32_t strips = TIFFNumberOfStrips(handle);
    std::uint64_t taken = 0;
    for (std::uint32_t i = 0; i < strips; ++i) {
        const std::uint64_t offset = TIFFGetStrileOffset(handle, i);
        if (offset >= size) continue;
        taken += std::min(TIFFGetStrileByteCount(handle, i), size - offset);
        if (taken > size) return false;
    }
    return true;
}

}  // namespace

bool CTiffImage::Decode(FILE* file)
{
    if (!file) return false;
    return DecodeGuarded([&] {
        TIFFSetErrorHandler(nullptr);
        const off_t start = ftello(file);
        std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
        if (options) {
            TIFFOpenOptionsSetErrorHandlerExtR(options.get(), DropMessage, nullptr);
            TIFFOpenOptionsSetWarningHandlerExtR(options.get(), DropMessage, nullptr);
            // libtiff's own buffers stay within what an image may take.
            TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), tmsize_t(MAX_DIB_BYTES));
        }
        std::unique_ptr<TIFF, HandleCloser> handle(OpenTiffOverStream(file, options.get()));
        if (!handle) throw tiff_messages::OPEN;

        const TiffPageTags tags = SelectPage(handle.get());
        if (!StripsFitTheFile(handle.get())) throw tiff_messages::CORRUPT;
        const bool rgba = UsesRgbaPath(tags);
        CreateImage(tags, rgba ? 24 : RowsBitCount(tags));
        if (!rgba) {
            ReadRowsPage(handle.get(), tags);
            return true;
        }
        if (TIFFIsTiled(handle.get()) && tags.compression == COMPRESSION_NONE) {
            // libtiff 4.5's RGBA reader gives up on uncompressed tiles read
            // through the stream, but reads them from a mapped copy.
            handle.reset();
            if (start < 0 || fseeko(file, start, SEEK_SET) != 0) throw tiff_messages::CORRUPT;
            handle.reset(OpenTiffOverStream(file, options.get(), true));
            if (!handle || !TIFFSetDirectory(handle.get(), tdir_t(m_info.frameIndex)))
                throw tiff_messages::CORRUPT;
        }
        ReadRgbaPage(handle.get(), tags);
        return true;
    });
}

TiffPageTags CTiffImage::SelectPage(TIFF* handle)
{
    const tdir_t pages = TIFFNumberOfDirectories(handle);
    m_info.frameCount = pages < tdir_t(MAX_PAGES) ? int(pages) : MAX_PAGES;
    if (m_info.frameIndex < 0 || m_info.frameIndex >= m_info.frameCount ||
        !TIFFSetDirectory(handle, tdir_t(m_info.frameIndex)))
        throw tiff_messages::NO_PAGE;

    const TiffPageTags tags = ReadTags(handle);

    // Taken as dots per inch whatever the ResolutionUnit; out-of-range values
    // leave the default.
    float resolution = 0;
    if (TIFFGetField(handle, TIFFTAG_XRESOLUTION, &resolution) && resolution >= 0 &&
        resolution < MAX_DPI)
        SetXDpi(int(resolution));
    if (TIFFGetField(handle, TIFFTAG_YRESOLUTION, &resolution) && resolution >= 0 &&
        resolution < MAX_DPI)
        SetYDpi(int(resolution));
    return tags;
}

// Nothing is written to the image unless this succeeds.
void CTiffImage::CreateImage(const TiffPageTags& tags, int bitCount)
{
    m_info.transparentIndex = -1;
    if (tags.width > std::uint32_t(INT32_MAX) || tags.height > std::uint32_t(INT32_MAX) ||
        !Create(int(tags.width), int(tags.height), bitCount, ImageFormat(0)))
        throw tiff_messages::NO_IMAGE;
}

void CTiffImage::ReadRowsPage(TIFF* handle, const TiffPageTags& tags)
{
    BuildColourTable(handle, tags);
    if (TIFFIsTiled(handle))
        ReadTiles(handle, tags);
    else
        ReadStrips(handle, tags);
}

// libtiff's raster holds the bottom row first, as the stored rows do; each
// word is red, green, blue, alpha from the low byte up.
void CTiffImage::ReadRgbaPage(TIFF* handle, const TiffPageTags& tags)
{
    const std::uint64_t words = std::uint64_t(tags.width) * tags.height;
    if (words > std::uint64_t(TIFF_TMSIZE_T_MAX) / 4) throw tiff_messages::NO_RASTER;
    const std::unique_ptr<std::uint32_t, RasterFreer> raster(
        static_cast<std::uint32_t*>(_TIFFmalloc(tmsize_t(words == 0 ? 4 : 4 * words))));
    if (!raster) throw tiff_messages::NO_RASTER;
    if (!TIFFReadRGBAImage(handle, tags.width, tags.height, raster.get(), 1))
        throw tiff_messages::CORRUPT;

    const std::size_t stride = std::size_t(m_info.stride);
    for (std::size_t r = 0; r < tags.height; ++r) {
        const std::uint32_t* in = raster.get() + r * tags.width;
        BYTE* out = m_info.pixels + r * stride;
        for (std::size_t x = 0; x < tags.width; ++x, out += 3) {
            const std::uint32_t v = in[x];
            out[0] = BYTE(v >> 16);
            out[1] = BYTE(v >> 8);
            out[2] = BYTE(v);
        }
    }
}

// Grey pages get a ramp (reversed for min-is-white), palette pages the
// colour map, anything else stays black.
void CTiffImage::BuildColourTable(TIFF* handle, const TiffPageTags& tags)
{
    const std::unique_ptr<RGBQUAD, CFreer> block(
        static_cast<RGBQUAD*>(std::calloc(256, sizeof(RGBQUAD))));
    if (!block) throw tiff_messages::NO_PALETTE;
    RGBQUAD* table = block.get();
    const int colours = int(m_header.biClrUsed);
    const bool twoBit = tags.bitsPerSample == 2 && m_header.biBitCount == 4;

    if (tags.photometric == PHOTOMETRIC_MINISBLACK || tags.photometric == PHOTOMETRIC_MINISWHITE) {
        // Two-bit greys use four of the sixteen entries: 0, 85, 170, 255.
        const int levels = twoBit ? 4 : colours;
        const int step = 255 / (levels - 1);
        for (int i = 0; i < levels; ++i) {
            BYTE level = BYTE(i * step);
            if (tags.photometric == PHOTOMETRIC_MINISWHITE) level = BYTE(255 - level);
            table[i] = RGBQUAD{level, level, level, 0};
        }
    } else if (tags.photometric == PHOTOMETRIC_PALETTE) {
        std::uint16_t* red = nullptr;
        std::uint16_t* green = nullptr;
        std::uint16_t* blue = nullptr;
        // libtiff holds 2^BitsPerSample entries per colour, and no map at all
        // from 24 bits up.
        if (tags.bitsPerSample < 24 &&
            TIFFGetField(handle, TIFFTAG_COLORMAP, &red, &green, &blue) && red && green && blue) {
            const std::size_t entries = std::size_t(1) << tags.bitsPerSample;
            // Maps written with 16-bit values are scaled; maps of byte values
            // (as some writers make them) are used as they are.
            bool sixteenBit = false;
            for (std::size_t i = 0; i < entries && !sixteenBit; ++i)
                sixteenBit = red[i] >= 256 || green[i] >= 256 || blue[i] >= 256;
            auto level = [sixteenBit](std::uint16_t v) {
                return BYTE(sixteenBit ? std::uint32_t(v) * 255 / 65535 : v);
            };
            for (std::size_t i = entries < 256 ? entries : 256; i-- > 0;)
                table[i] = RGBQUAD{level(blue[i]), level(green[i]), level(red[i]), 0};
        }
    }
    SetPalette(table, colours);
}

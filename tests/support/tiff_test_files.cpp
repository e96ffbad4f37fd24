#include "tests/support/tiff_test_files.h"

#include <algorithm>
#include <cstdio>

#include "tests/support/test_paths.h"

namespace kestrel::test {

namespace {

std::size_t Planes(const TiffPageRecipe& page)
{
    return page.planarConfig == PLANARCONFIG_SEPARATE ? page.samplesPerPixel : 1;
}

std::size_t PlaneBytes(const TiffPageRecipe& page)
{
    return TiffRowBytes(page) * page.height;
}

void CopyBitsSlowly(const std::uint8_t* src, std::size_t srcBit, std::uint8_t* dst,
                    std::size_t dstBit, std::size_t count)
{
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t from = srcBit + i;
        const std::size_t to = dstBit + i;
        if ((src[from / 8] >> (7 - from % 8)) & 1) dst[to / 8] |= std::uint8_t(0x80 >> (to % 8));
    }
}

bool SetTags(TIFF* tiff, const TiffPageRecipe& page)
{
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, page.width) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, page.height) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, page.bitsPerSample) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, page.samplesPerPixel) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, page.photometric) &&
              TIFFSetField(tiff, TIFFTAG_COMPRESSION, page.compression) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, page.planarConfig);
    if (page.tileWidth && page.tileLength) {
        ok = ok && TIFFSetField(tiff, TIFFTAG_TILEWIDTH, page.tileWidth) &&
             TIFFSetField(tiff, TIFFTAG_TILELENGTH, page.tileLength);
    } else {
        ok = ok && TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP,
                                page.rowsPerStrip ? page.rowsPerStrip : page.height);
    }
    if (page.alphaSample) {
        const std::uint16_t extra[] = {EXTRASAMPLE_UNASSALPHA};
        ok = ok && TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    if (!page.colourMap.empty()) {
        const std::size_t n = page.colourMap.size() / 3;
        std::uint16_t* map = const_cast<std::uint16_t*>(page.colourMap.data());
        ok = ok && TIFFSetField(tiff, TIFFTAG_COLORMAP, map, map + n, map + 2 * n);
    }
    if (page.xResolution || page.yResolution)
        ok = ok && TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH);
    if (page.xResolution) ok = ok && TIFFSetField(tiff, TIFFTAG_XRESOLUTION, *page.xResolution);
    if (page.yResolution) ok = ok && TIFFSetField(tiff, TIFFTAG_YRESOLUTION, *page.yResolution);
    return ok;
}

// libtiff swaps the bytes it is given in place for Motorola files, so each
// strip or tile goes through a copy.
bool WriteStrips(TIFF* tiff, const TiffPageRecipe& page)
{
    const std::size_t rowBytes = TiffRowBytes(page);
    const std::uint32_t rowsPerStrip = page.rowsPerStrip ? page.rowsPerStrip : page.height;
    const std::uint32_t stripsPerPlane = (page.height + rowsPerStrip - 1) / rowsPerStrip;
    for (std::size_t plane = 0; plane < Planes(page); ++plane) {
        for (std::uint32_t s = 0; s < stripsPerPlane; ++s) {
            const std::uint32_t first = s * rowsPerStrip;
            const std::uint32_t rows = std::min(rowsPerStrip, page.height - first);
            const auto begin =
                page.pixels.begin() + std::ptrdiff_t(plane * PlaneBytes(page) + first * rowBytes);
            std::vector<std::uint8_t> strip(begin, begin + std::ptrdiff_t(rows * rowBytes));
            if (TIFFWriteEncodedStrip(tiff, std::uint32_t(plane * stripsPerPlane + s), strip.data(),
                                      tmsize_t(strip.size())) < 0)
                return false;
        }
    }
    return true;
}

bool WriteTiles(TIFF* tiff, const TiffPageRecipe& page)
{
    const std::size_t bitsPerPixel =
        std::size_t(page.bitsPerSample) * (Planes(page) == 1 ? page.samplesPerPixel : 1);
    const std::size_t rowBytes = TiffRowBytes(page);
    const std::size_t tileRowBytes = (bitsPerPixel * page.tileWidth + 7) / 8;
    for (std::size_t plane = 0; plane < Planes(page); ++plane) {
        const std::uint8_t* planeStart = page.pixels.data() + plane * PlaneBytes(page);
        for (std::uint32_t y0 = 0; y0 < page.height; y0 += page.tileLength) {
            for (std::uint32_t x0 = 0; x0 < page.width; x0 += page.tileWidth) {
                std::vector<std::uint8_t> tile(tileRowBytes * page.tileLength, 0);
                const std::uint32_t columns = std::min(page.tileWidth, page.width - x0);
                for (std::uint32_t k = 0; k < page.tileLength && y0 + k < page.height; ++k)
                    CopyBitsSlowly(planeStart + (y0 + k) * rowBytes, x0 * bitsPerPixel,
                                   tile.data() + k * tileRowBytes, 0, columns * bitsPerPixel);
                const std::uint32_t index = TIFFComputeTile(tiff, x0, y0, 0, std::uint16_t(plane));
                if (TIFFWriteEncodedTile(tiff, index, tile.data(), tmsize_t(tile.size())) < 0)
                    return false;
            }
        }
    }
    return true;
}

void Put16(std::string& out, std::uint16_t v)
{
    out += char(v & 0xFF);
    out += char(v >> 8);
}

void Put32(std::string& out, std::uint32_t v)
{
    Put16(out, std::uint16_t(v & 0xFFFF));
    Put16(out, std::uint16_t(v >> 16));
}

}  // namespace

std::size_t TiffRowBytes(const TiffPageRecipe& page)
{
    const std::size_t samples = Planes(page) == 1 ? page.samplesPerPixel : 1;
    return (samples * page.bitsPerSample * page.width + 7) / 8;
}

std::string WriteTiff(const std::vector<TiffPageRecipe>& pages, bool bigEndian)
{
    const std::string dir = MakeTempDir("kestrel-tiff");
    if (dir.empty()) return {};
    const std::string path = dir + "/written.tif";
    TIFF* tiff = TIFFOpen(path.c_str(), bigEndian ? "wb" : "wl");
    bool ok = tiff != nullptr;
    for (const TiffPageRecipe& page : pages) {
        if (!ok) break;
        ok = page.pixels.size() >= PlaneBytes(page) * Planes(page) && SetTags(tiff, page) &&
             (page.tileWidth && page.tileLength ? WriteTiles(tiff, page)
                                                : WriteStrips(tiff, page)) &&
             TIFFWriteDirectory(tiff);
    }
    if (tiff) TIFFClose(tiff);
    std::string bytes = ok ? ReadFileBytes(path) : std::string();
    std::remove(path.c_str());
    std::remove(dir.c_str());
    return bytes;
}

std::string WriteTiff(const TiffPageRecipe& page, bool bigEndian)
{
    return WriteTiff(std::vector<TiffPageRecipe>{page}, bigEndian);
}

std::vector<std::uint8_t> PackRows(const std::vector<unsigned>& values, unsigned bits,
                                   std::size_t perRow)
{
    const std::size_t rowBytes = (perRow * bits + 7) / 8;
    const std::size_t rows = perRow ? (values.size() + perRow - 1) / perRow : 0;
    std::vector<std::uint8_t> out(rows * rowBytes, 0);
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::size_t bit = (i / perRow) * rowBytes * 8 + (i % perRow) * bits;
        for (unsigned b = 0; b < bits; ++b)
            if ((values[i] >> (bits - 1 - b)) & 1)
                out[(bit + b) / 8] |= std::uint8_t(0x80 >> ((bit + b) % 8));
    }
    return out;
}

std::string HandBuiltTiff(std::vector<TiffEntry> entries, const std::string& data)
{
    std::sort(entries.begin(), entries.end(),
              [](const TiffEntry& a, const TiffEntry& b) { return a.tag < b.tag; });
    std::string out = "II";
    Put16(out, 42);
    std::string body = data;
    if (body.size() % 2) body += '\0';
    Put32(out, std::uint32_t(8 + body.size()));
    out += body;
    Put16(out, std::uint16_t(entries.size()));
    for (const TiffEntry& entry : entries) {
        Put16(out, entry.tag);
        Put16(out, entry.type);
        Put32(out, 1);
        if (entry.type == 3) {
            Put16(out, std::uint16_t(entry.value));
            Put16(out, 0);
        } else {
            Put32(out, entry.value);
        }
    }
    Put32(out, 0);
    return out;
}

}  // namespace kestrel::test

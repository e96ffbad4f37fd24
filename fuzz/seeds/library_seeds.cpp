// PNG, JPEG and TIFF seeds, written with the same libraries the readers use:
// every PNG colour type and depth, grey, colour and CMYK JPEGs (baseline and
// progressive), and TIFF pages of the photometric kinds the reader sorts by.
#include <png.h>
#include <stdio.h>
#include <tiffio.h>
#include <unistd.h>

#include <cstdlib>
#include <jpeglib.h>
#include <fstream>
#include <sstream>

#include "fuzz/seeds/seed_files.h"

namespace kestrel::fuzz {
namespace {

struct PngImage {
    int colourType = PNG_COLOR_TYPE_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    bool trns = false;
    bool bkgd = false;
    int width = 7;
    int height = 5;
};

void AppendToString(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<std::string*>(png_get_io_ptr(png))->append(reinterpret_cast<char*>(data), length);
}

std::string MakePng(const PngImage& p)
{
    std::string out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, AppendToString, nullptr);
    png_set_IHDR(png, info, p.width, p.height, p.bitDepth, p.colourType,
                 p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (p.colourType == PNG_COLOR_TYPE_PALETTE) {
        png_color palette[256];
        for (int i = 0; i < 256; ++i) palette[i] = {png_byte(i), png_byte(255 - i), png_byte(i * 3)};
        png_set_PLTE(png, info, palette, 1 << p.bitDepth);
    }
    if (p.trns) {
        png_byte alpha[4] = {0, 128, 200, 255};
        png_color_16 key{};
        key.gray = 1;
        key.red = key.green = key.blue = 1;
        png_set_tRNS(png, info, alpha, p.colourType == PNG_COLOR_TYPE_PALETTE ? 3 : 1, &key);
    }
    if (p.bkgd) {
        png_color_16 background{};
        background.index = 1;
        background.red = background.green = background.blue = background.gray = 1;
        png_set_bKGD(png, info, &background);
    }
    png_write_info(png, info);
    const int passes = png_set_interlace_handling(png);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    std::vector<png_byte> row(rowBytes);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < p.height; ++y) {
            for (std::size_t i = 0; i < rowBytes; ++i) row[i] = png_byte(i * 29 + y * 7);
            png_write_row(png, row.data());
        }
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::string MakeJpeg(int components, J_COLOR_SPACE space, bool progressive)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = 11;
    cinfo.image_height = 9;
    cinfo.input_components = components;
    cinfo.in_color_space = space;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 60, TRUE);
    if (progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(cinfo.image_width * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        for (std::size_t i = 0; i < row.size(); ++i) row[i] = JSAMPLE(i * 23 + cinfo.next_scanline * 11);
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::string out(reinterpret_cast<char*>(buffer), size);
    std::free(buffer);
    return out;
}

struct TiffPage {
    int photometric = PHOTOMETRIC_MINISBLACK;
    int bits = 8;
    int samples = 1;
    int compression = COMPRESSION_NONE;
    int planar = PLANARCONFIG_CONTIG;
    bool tiled = false;
    int width = 9;
    int height = 7;
    int rowsPerStrip = 3;
};

void WriteTiffPage(TIFF* tiff, const TiffPage& page)
{
    TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, page.width);
    TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, page.height);
    TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, page.bits);
    TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, page.samples);
    TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, page.photometric);
    TIFFSetField(tiff, TIFFTAG_COMPRESSION, page.compression);
    TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, page.planar);
    TIFFSetField(tiff, TIFFTAG_XRESOLUTION, 150.0f);
    TIFFSetField(tiff, TIFFTAG_YRESOLUTION, 75.5f);
    if (page.samples == 4 && page.photometric == PHOTOMETRIC_RGB) {
        uint16_t extra[1] = {EXTRASAMPLE_UNASSALPHA};
        TIFFSetField(tiff, TIFFTAG_EXTRASAMPLES, 1, extra);
    }
    std::vector<uint16_t> map;
    if (page.photometric == PHOTOMETRIC_PALETTE) {
        const int entries = 1 << page.bits;
        map.resize(3 * entries);
        for (int i = 0; i < 3 * entries; ++i) map[i] = uint16_t(i * 997);
        TIFFSetField(tiff, TIFFTAG_COLORMAP, map.data(), map.data() + entries, map.data() + 2 * entries);
    }
    if (page.tiled) {
        TIFFSetField(tiff, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(tiff, TIFFTAG_TILELENGTH, 16);
        std::vector<unsigned char> tile(TIFFTileSize(tiff), 0x5C);
        for (uint32_t y = 0; y < uint32_t(page.height); y += 16)
            for (uint32_t x = 0; x < uint32_t(page.width); x += 16)
                TIFFWriteTile(tiff, tile.data(), x, y, 0, 0);
    } else {
        TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, page.rowsPerStrip);
        const int planes = page.planar == PLANARCONFIG_SEPARATE ? page.samples : 1;
        std::vector<unsigned char> line(TIFFScanlineSize(tiff));
        for (int plane = 0; plane < planes; ++plane) {
            for (int y = 0; y < page.height; ++y) {
                for (std::size_t i = 0; i < line.size(); ++i) line[i] = (unsigned char)(i * 41 + y * 3 + plane);
                TIFFWriteScanline(tiff, line.data(), y, uint16_t(plane));
            }
        }
    }
    TIFFWriteDirectory(tiff);
}

std::string MakeTiff(const std::vector<TiffPage>& pages)
{
    char path[] = "/tmp/kestrel-seed-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) return {};
    close(fd);
    if (TIFF* tiff = TIFFOpen(path, "w")) {
        for (const TiffPage& page : pages) WriteTiffPage(tiff, page);
        TIFFClose(tiff);
    }
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    unlink(path);
    return content.str();
}

}  // namespace

std::vector<SeedFile> LibraryFormatSeeds()
{
    std::vector<SeedFile> seeds;
    auto png = [&](const char* name, const PngImage& p) {
        seeds.push_back({name, ImageFormat::Png, 0, MakePng(p)});
    };
    png("png-grey1", {PNG_COLOR_TYPE_GRAY, 1});
    png("png-grey2-trns", {PNG_COLOR_TYPE_GRAY, 2, false, true});
    png("png-grey4", {PNG_COLOR_TYPE_GRAY, 4});
    png("png-grey8-bkgd", {PNG_COLOR_TYPE_GRAY, 8, false, false, true});
    png("png-grey16", {PNG_COLOR_TYPE_GRAY, 16});
    png("png-palette1", {PNG_COLOR_TYPE_PALETTE, 1});
    png("png-palette2-trns", {PNG_COLOR_TYPE_PALETTE, 2, false, true});
    png("png-palette4", {PNG_COLOR_TYPE_PALETTE, 4, true});
    png("png-palette8-trns", {PNG_COLOR_TYPE_PALETTE, 8, false, true});
    png("png-grey-alpha8", {PNG_COLOR_TYPE_GRAY_ALPHA, 8});
    png("png-grey-alpha16", {PNG_COLOR_TYPE_GRAY_ALPHA, 16, true});
    png("png-rgb8-interlaced", {PNG_COLOR_TYPE_RGB, 8, true});
    png("png-rgb16-bkgd", {PNG_COLOR_TYPE_RGB, 16, false, false, true});
    png("png-rgba8-bkgd", {PNG_COLOR_TYPE_RGBA, 8, false, false, true});
    png("png-rgba8-interlaced", {PNG_COLOR_TYPE_RGBA, 8, true});
    png("png-rgba16", {PNG_COLOR_TYPE_RGBA, 16});

    seeds.push_back({"jpeg-grey", ImageFormat::Jpeg, 0, MakeJpeg(1, JCS_GRAYSCALE, false)});
    seeds.push_back({"jpeg-rgb", ImageFormat::Jpeg, 0, MakeJpeg(3, JCS_RGB, false)});
    seeds.push_back({"jpeg-rgb-progressive", ImageFormat::Jpeg, 0, MakeJpeg(3, JCS_RGB, true)});
    seeds.push_back({"jpeg-cmyk", ImageFormat::Jpeg, 0, MakeJpeg(4, JCS_CMYK, false)});

    auto tiff = [&](const char* name, int frame, const std::vector<TiffPage>& pages) {
        seeds.push_back({name, ImageFormat::Tiff, frame, MakeTiff(pages)});
    };
    tiff("tiff-bilevel-white", 0, {{PHOTOMETRIC_MINISWHITE, 1}});
    tiff("tiff-grey4", 0, {{PHOTOMETRIC_MINISBLACK, 4}});
    tiff("tiff-grey8-packbits", 0, {{PHOTOMETRIC_MINISBLACK, 8, 1, COMPRESSION_PACKBITS}});
    tiff("tiff-grey16-deflate", 0, {{PHOTOMETRIC_MINISBLACK, 16, 1, COMPRESSION_ADOBE_DEFLATE}});
    tiff("tiff-palette4", 0, {{PHOTOMETRIC_PALETTE, 4}});
    tiff("tiff-palette8", 0, {{PHOTOMETRIC_PALETTE, 8}});
    tiff("tiff-rgb", 0, {{PHOTOMETRIC_RGB, 8, 3}});
    tiff("tiff-rgba-separate", 0, {{PHOTOMETRIC_RGB, 8, 4, COMPRESSION_NONE, PLANARCONFIG_SEPARATE}});
    tiff("tiff-rgb-tiled", 0, {{PHOTOMETRIC_RGB, 8, 3, COMPRESSION_NONE, PLANARCONFIG_CONTIG, true, 20, 18}});
    tiff("tiff-rgb2bit", 0, {{PHOTOMETRIC_RGB, 2, 3}});
    tiff("tiff-separated-cmyk", 0, {{PHOTOMETRIC_SEPARATED, 8, 4}});
    tiff("tiff-lzw", 0, {{PHOTOMETRIC_MINISBLACK, 8, 1, COMPRESSION_LZW}});
    const std::vector<TiffPage> pages = {{PHOTOMETRIC_MINISBLACK, 1}, {PHOTOMETRIC_RGB, 8, 3}, {PHOTOMETRIC_PALETTE, 8}};
    tiff("tiff-pages-0", 0, pages);
    tiff("tiff-pages-2", 2, pages);
    return seeds;
}

}  // namespace kestrel::fuzz

// Every file of libtiff's test images in ../shared/testdata/tiff: each page
// loads or fails with one of the reader's messages (damaged and looping
// files included), what each known file becomes, and pixels against the
// .ppm/.pgm/.pbm references and, where there is none, ImageMagick.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "tests/support/decode_bytes.h"
#include "tests/support/external_decoders.h"
#include "tests/support/test_paths.h"

namespace {

namespace fs = std::filesystem;
using kestrel::test::PixelAt;
using kestrel::test::ReferenceImage;
using kestrel::test::SeenPixel;

constexpr const char* MSG_CORRUPT = "Corrupted TIFF file!";

const std::set<std::string>& ReaderMessages()
{
    static const std::set<std::string> messages = {"Error encountered while opening TIFF file",
                                                   "Error: page not present in TIFF file",
                                                   "No space for raster buffer",
                                                   MSG_CORRUPT,
                                                   "Unable to allocate TIFF palette",
                                                   "Can't allocate memory for TIFF image",
                                                   "No space for TIFF strip buffer",
                                                   "No space for TIFF tile buffer"};
    return messages;
}

std::string SuiteDir()
{
    const std::string root = kestrel::test::SharedTestDataDir();
    if (root.empty() || !fs::is_directory(root + "/tiff")) return {};
    return root + "/tiff";
}

std::vector<std::string> SuiteFiles()
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(SuiteDir())) {
        const std::string extension = entry.path().extension().string();
        if (extension == ".tif" || extension == ".tiff")
            names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

bool LoadPage(CDibImage& image, const std::string& path, int frame)
{
    image.SetFrameIndex(frame);
    return image.Load(path.c_str(), ImageFormat::Tiff);
}

// Binary PBM, PGM and PPM with comments, maxval up to 65535 (16-bit
// samples keep their high byte), into RGBA top row first.
bool ReadPnm(const std::string& path, ReferenceImage& image)
{
    std::ifstream in(path, std::ios::binary);
    std::string magic;
    in >> magic;
    auto number = [&in]() {
        while (in >> std::ws && in.peek() == '#') in.ignore(1 << 20, '\n');
        long value = -1;
        in >> value;
        return value;
    };
    image.width = int(number());
    image.height = int(number());
    const long maxval = magic == "P4" ? 1 : number();
    in.get();
    if (!in || image.width <= 0 || image.height <= 0 || maxval <= 0 || maxval > 65535) return false;
    const std::size_t w = std::size_t(image.width);
    const std::size_t h = std::size_t(image.height);
    image.rgba.assign(w * h * 4, 255);
    if (magic == "P4") {
        const std::size_t rowBytes = (w + 7) / 8;
        std::vector<char> row(rowBytes);
        for (std::size_t y = 0; y < h; ++y) {
            if (!in.read(row.data(), std::streamsize(rowBytes))) return false;
            for (std::size_t x = 0; x < w; ++x) {
                const bool black = (std::uint8_t(row[x / 8]) >> (7 - x % 8)) & 1;
                std::fill_n(&image.rgba[(y * w + x) * 4], 3, black ? 0 : 255);
            }
        }
        return true;
    }
    const std::size_t channels = magic == "P5" ? 1 : magic == "P6" ? 3 : 0;
    if (channels == 0) return false;
    const std::size_t sampleBytes = maxval > 255 ? 2 : 1;
    std::vector<char> raw(w * h * channels * sampleBytes);
    if (!in.read(raw.data(), std::streamsize(raw.size()))) return false;
    for (std::size_t i = 0; i < w * h; ++i) {
        for (std::size_t c = 0; c < 3; ++c) {
            const std::size_t sample = i * channels + (channels == 1 ? 0 : c);
            image.rgba[i * 4 + c] = std::uint8_t(raw[sample * sampleBytes]);  // high byte first
        }
    }
    return true;
}

// Largest difference of any colour channel between image and reference.
int LargestDifference(const CDibImage& image, const ReferenceImage& reference)
{
    if (image.Width() != reference.width || image.Height() != reference.height) return 256;
    int largest = 0;
    for (int row = 0; row < reference.height; ++row) {
        for (int x = 0; x < reference.width; ++x) {
            const SeenPixel ours = PixelAt(image, x, reference.height - 1 - row);
            const std::uint8_t* ref =
                &reference
                     .rgba[(std::size_t(row) * std::size_t(reference.width) + std::size_t(x)) * 4];
            largest = std::max({largest, std::abs(ours.red - ref[0]), std::abs(ours.green - ref[1]),
                                std::abs(ours.blue - ref[2])});
        }
    }
    return largest;
}

class TiffSuite : public testing::Test {
protected:
    void SetUp() override
    {
        dir_ = SuiteDir();
        if (dir_.empty())
            GTEST_SKIP() << "../shared/testdata/tiff is absent: TIFF suite checks skipped";
    }
    std::string Path(const std::string& name) const { return dir_ + "/" + name; }

    std::string dir_;
};

TEST_F(TiffSuite, EveryPageOfEveryFileLoadsOrFailsWithAReaderMessage)
{
    const std::vector<std::string> files = SuiteFiles();
    ASSERT_FALSE(files.empty());
    for (const std::string& name : files) {
        SCOPED_TRACE(name);
        CDibImage first(ImageFormat::Tiff);
        const bool ok = LoadPage(first, Path(name), 0);
        if (!ok) {
            EXPECT_TRUE(first.IsEmpty());
            EXPECT_EQ(ReaderMessages().count(first.LastError()), 1u) << first.LastError();
            continue;
        }
        const int pages = first.Info().frameCount;
        EXPECT_GE(pages, 1);
        for (int frame = 0; frame <= pages; ++frame) {
            CDibImage image(ImageFormat::Tiff);
            if (LoadPage(image, Path(name), frame)) {
                EXPECT_LT(frame, pages);
                EXPECT_EQ(image.Info().frameCount, pages);
                const int bits = image.BitCount();
                EXPECT_TRUE(bits == 1 || bits == 4 || bits == 8 || bits == 24) << bits;
                EXPECT_EQ(image.AlphaPlane(), nullptr);
            } else {
                EXPECT_EQ(ReaderMessages().count(image.LastError()), 1u) << image.LastError();
                if (frame == pages) {
                    EXPECT_STREQ(image.LastError(), "Error: page not present in TIFF file");
                }
            }
        }
    }
}

TEST_F(TiffSuite, KnownFilesBecomeWhatTheirKindGives)
{
    struct Expected {
        int bitCount;  // 0: the load fails
        int pages;
        const char* message;  // when it fails
    };
    const std::map<std::string, Expected> known = {
        {"32bpp-None-jpeg.tiff", {24, 1, ""}},
        {"32bpp-None.tiff", {24, 1, ""}},
        {"custom_dir_EXIF_GPS.tiff", {24, 1, ""}},
        {"deflate-last-strip-extra-data.tiff", {8, 1, ""}},
        {"logluv-3c-16b.tiff", {24, 1, ""}},
        {"lzw-single-strip.tiff", {1, 1, ""}},
        {"minisblack-1c-16b.tiff", {8, 1, ""}},
        {"minisblack-1c-8b.tiff", {8, 1, ""}},
        {"minisblack-2c-8b-alpha.tiff", {24, 1, ""}},  // separate planes
        {"miniswhite-1c-1b.tiff", {1, 1, ""}},
        {"ojpeg_chewey_subsamp21_multi_strip.tiff", {24, 1, ""}},
        {"ojpeg_single_strip_no_rowsperstrip.tiff", {24, 1, ""}},
        {"ojpeg_zackthecat_subsamp22_single_strip.tiff", {24, 1, ""}},
        {"palette-1c-1b.tiff", {1, 1, ""}},
        {"palette-1c-4b.tiff", {4, 1, ""}},
        {"palette-1c-8b.tiff", {8, 1, ""}},
        {"quad-lzw-compat.tiff", {24, 1, ""}},
        {"quad-tile.jpg.tiff", {24, 1, ""}},
        {"rgb-3c-16b.tiff", {24, 1, ""}},
        {"rgb-3c-8b.tiff", {24, 1, ""}},
        {"test_float64_predictor2_be_lzw.tif", {8, 1, ""}},
        {"test_float64_predictor2_le_lzw.tif", {8, 1, ""}},
        {"test_ifd_loop_subifd.tif", {24, 5, ""}},
        {"test_ifd_loop_to_first.tif", {8, 2, ""}},
        {"test_ifd_loop_to_self.tif", {8, 1, ""}},
        {"test_two_ifds.tif", {8, 2, ""}},
        {"testfax3_bug54_1dnoEOL.tif", {0, 0, MSG_CORRUPT}},
        {"testfax3_bug_513.tiff", {0, 0, MSG_CORRUPT}},
        {"testfax4.tiff", {1, 1, ""}},
        {"tiff_with_subifd_chain.tif", {8, 2, ""}},
        {"webp_lossless_rgba_alpha_fully_opaque.tif", {24, 1, ""}},
    };
    for (const auto& [name, expected] : known) {
        SCOPED_TRACE(name);
        if (!fs::exists(Path(name))) continue;
        CDibImage image(ImageFormat::Tiff);
        const bool ok = LoadPage(image, Path(name), 0);
        if (expected.bitCount == 0) {
            EXPECT_FALSE(ok);
            EXPECT_STREQ(image.LastError(), expected.message);
            continue;
        }
        ASSERT_TRUE(ok) << image.LastError();
        EXPECT_EQ(image.BitCount(), expected.bitCount);
        EXPECT_EQ(image.Info().frameCount, expected.pages);
    }
}

TEST_F(TiffSuite, PagesMatchTheirPnmReferences)
{
    struct Pair {
        const char* tiff;
        const char* reference;
        int tolerance;  // 16-bit samples: libtiff rounds where the reference is cut
    };
    const Pair pairs[] = {{"minisblack-1c-8b.tiff", "minisblack-1c-8b.pgm", 0},
                          {"miniswhite-1c-1b.tiff", "miniswhite-1c-1b.pbm", 0},
                          {"rgb-3c-8b.tiff", "rgb-3c-8b.ppm", 0},
                          {"rgb-3c-16b.tiff", "rgb-3c-16b.ppm", 1}};
    for (const Pair& pair : pairs) {
        SCOPED_TRACE(pair.tiff);
        if (!fs::exists(Path(pair.tiff)) || !fs::exists(Path(pair.reference))) continue;
        ReferenceImage reference;
        ASSERT_TRUE(ReadPnm(Path(pair.reference), reference));
        CDibImage image(ImageFormat::Tiff);
        ASSERT_TRUE(LoadPage(image, Path(pair.tiff), 0)) << image.LastError();
        EXPECT_LE(LargestDifference(image, reference), pair.tolerance);
    }
}

TEST_F(TiffSuite, PagesWithoutAReferenceMatchImageMagick)
{
    if (kestrel::test::ImageMagickConvert().empty()) GTEST_SKIP() << "ImageMagick is not installed";
    const std::string work = kestrel::test::MakeTempDir("kestrel-tiff-suite");
    ASSERT_FALSE(work.empty());
    const std::pair<const char*, int> files[] = {{"palette-1c-1b.tiff", 0},
                                                 {"palette-1c-4b.tiff", 0},
                                                 {"palette-1c-8b.tiff", 0},
                                                 {"minisblack-1c-16b.tiff", 1},
                                                 {"deflate-last-strip-extra-data.tiff", 0},
                                                 {"quad-tile.jpg.tiff", 0},
                                                 {"32bpp-None-jpeg.tiff", 0}};
    for (const auto& [name, tolerance] : files) {
        SCOPED_TRACE(name);
        if (!fs::exists(Path(name))) continue;
        ReferenceImage reference;
        ASSERT_TRUE(kestrel::test::DecodeWithImageMagick(Path(name) + "[0]", work + "/page.pam",
                                                         reference));
        CDibImage image(ImageFormat::Tiff);
        ASSERT_TRUE(LoadPage(image, Path(name), 0)) << image.LastError();
        EXPECT_LE(LargestDifference(image, reference), tolerance);
    }
    fs::remove_all(work);
}

}  // namespace

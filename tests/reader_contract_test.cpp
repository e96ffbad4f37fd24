// What every reader promises, written once and run for each of them: a null
// file fails without a message, a failed load leaves the target picture as
// it was, and files cut short or changed byte by byte never break a reader.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "formats/bmp_image.h"
#include "formats/gif_image.h"
#include "formats/ico_image.h"
#include "formats/jpeg_image.h"
#include "formats/pcx_image.h"
#include "formats/png_image.h"
#include "formats/tga_image.h"
#include "formats/tiff_image.h"
#include "tests/reader_contract.h"
#include "tests/support/gif_writer.h"
#include "tests/support/png_test_files.h"
#include "tests/support/reader_bytes.h"

namespace kestrel::test {
namespace {

// Per format: the reader, its format code, a file it refuses and the message
// it gives for it (null: any message), and for some the seeds to damage.
struct BmpTraits {
    using Reader = CBmpImage;
    static constexpr const char* NAME = "Bmp";
    static constexpr ImageFormat FORMAT = ImageFormat::Bmp;
    static std::string Refused() { return "BM"; }
    static constexpr const char* REFUSED_MESSAGE = "Not a BMP";
    static std::vector<ReaderSeed> DamageSeeds() { return BmpDamageSeeds(); }
};

struct PcxTraits {
    using Reader = CPcxImage;
    static constexpr const char* NAME = "Pcx";
    static constexpr ImageFormat FORMAT = ImageFormat::Pcx;
    static std::string Refused() { return std::string("\x0A\x05\x01\x08\x00", 5); }
    static constexpr const char* REFUSED_MESSAGE = "Can't read PCX image";
    static std::vector<ReaderSeed> DamageSeeds() { return PcxDamageSeeds(); }
};

struct TgaTraits {
    using Reader = CTgaImage;
    static constexpr const char* NAME = "Tga";
    static constexpr ImageFormat FORMAT = ImageFormat::Tga;
    static std::string Refused() { return std::string("\x00\x00\x02", 3); }
    static constexpr const char* REFUSED_MESSAGE = "Not a TGA";
    static std::vector<ReaderSeed> DamageSeeds() { return TgaDamageSeeds(); }
};

struct IcoTraits {
    using Reader = CIcoImage;
    static constexpr const char* NAME = "Ico";
    static constexpr ImageFormat FORMAT = ImageFormat::Ico;
    // One entry announced, ten of its sixteen bytes there.
    static std::string Refused() { return std::string("\x00\x00\x01\x00\x01\x00", 6) + std::string(10, '\x05'); }
    static constexpr const char* REFUSED_MESSAGE = "Icon directory is cut short";
    static std::vector<ReaderSeed> DamageSeeds() { return IcoDamageSeeds(); }
};

struct GifTraits {
    using Reader = CGifImage;
    static constexpr const char* NAME = "Gif";
    static constexpr ImageFormat FORMAT = ImageFormat::Gif;
    // 65535 x 65535 at 8 bits is 4 GiB: above what Create allocates.
    static std::string Refused()
    {
        GifWriter gif;
        gif.Header(1, 1, std::vector<GifColour>(256)).ImageDescriptor(0, 0, 65535, 65535);
        gif.Raster(8, LzwEncode(GifBytes(1000, 5), {8})).Trailer();
        const GifBytes bytes = gif.Data();
        return {bytes.begin(), bytes.end()};
    }
    static constexpr const char* REFUSED_MESSAGE = "Can't allocate memory for GIF image";
};

struct PngTraits {
    using Reader = CPngImage;
    static constexpr const char* NAME = "Png";
    static constexpr ImageFormat FORMAT = ImageFormat::Png;
    static std::string Refused()
    {
        PngRecipe recipe;
        recipe.width = 2;
        recipe.height = 2;
        recipe.pixels = {1, 2, 3, 4};
        std::string file = WritePng(recipe);
        file.resize(file.size() - 20);
        return file;
    }
    static constexpr const char* REFUSED_MESSAGE = "Error reading PNG file";
};

struct JpegTraits {
    using Reader = CJpegImage;
    static constexpr const char* NAME = "Jpeg";
    static constexpr ImageFormat FORMAT = ImageFormat::Jpeg;
    static std::string Refused() { return "\xFF\xD8\xFF\xC0"; }
    static constexpr const char* REFUSED_MESSAGE = nullptr;  // libjpeg's own words
};

struct TiffTraits {
    using Reader = CTiffImage;
    static constexpr const char* NAME = "Tiff";
    static constexpr ImageFormat FORMAT = ImageFormat::Tiff;
    static std::string Refused() { return ""; }
    static constexpr const char* REFUSED_MESSAGE = "Error encountered while opening TIFF file";
};

// Test names say the format rather than a number.
struct FormatName {
    template <typename Traits>
    static std::string GetName(int) { return Traits::NAME; }
};

template <typename Traits>
class ReaderContract : public testing::Test {};
using EveryReader =
    testing::Types<BmpTraits, PcxTraits, TgaTraits, IcoTraits, GifTraits, PngTraits, JpegTraits, TiffTraits>;
TYPED_TEST_SUITE(ReaderContract, EveryReader, FormatName);

TYPED_TEST(ReaderContract, NullFileFailsWithoutAMessage)
{
    typename TypeParam::Reader reader(TypeParam::FORMAT);
    EXPECT_FALSE(reader.Decode(nullptr));
    EXPECT_STREQ(reader.LastError(), "");
    EXPECT_TRUE(reader.IsEmpty());
}

TYPED_TEST(ReaderContract, AFailedLoadKeepsTheTargetPicture)
{
    CDibImage image(TypeParam::FORMAT);
    ASSERT_NE(image.Create(5, 4, 24, TypeParam::FORMAT), nullptr);
    image.SetPixelColour(1, 2, RGB(0x10, 0x20, 0x30));
    EXPECT_FALSE(DecodeFromBytes(image, TypeParam::Refused(), TypeParam::FORMAT));
    if (TypeParam::REFUSED_MESSAGE)
        EXPECT_STREQ(image.LastError(), TypeParam::REFUSED_MESSAGE);
    else
        EXPECT_STRNE(image.LastError(), "");
    EXPECT_EQ(image.Width(), 5);
    EXPECT_EQ(image.Height(), 4);
    EXPECT_EQ(SeenPixel(image, 1, 4 - 1 - 2), (Rgba{0x10, 0x20, 0x30, 255}));
}

// Readers whose damage is judged by the sanitizers alone; the others compare
// with a second decoder (GIF) or check each result more closely (PNG, JPEG,
// TIFF) in their own fuzz tests.
template <typename Traits>
class ReaderDamage : public testing::Test {};
using ReadersWithSeeds = testing::Types<BmpTraits, PcxTraits, TgaTraits, IcoTraits>;
TYPED_TEST_SUITE(ReaderDamage, ReadersWithSeeds, FormatName);

TYPED_TEST(ReaderDamage, TruncatedAndChangedFilesNeverBreakTheReader)
{
    for (const ReaderSeed& seed : TypeParam::DamageSeeds()) {
        CDibImage whole(TypeParam::FORMAT);
        ASSERT_TRUE(DecodeFromBytes(whole, seed.bytes, TypeParam::FORMAT, seed.frame)) << whole.LastError();
        EXPECT_GT(FuzzReader(seed.bytes, TypeParam::FORMAT, seed.frame), 0);
    }
}

}  // namespace
}  // namespace kestrel::test

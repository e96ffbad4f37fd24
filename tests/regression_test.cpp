// Replays every stored fuzz finding (tests/regressions/<format>/) through the
// same code the fuzz target ran: decode inputs are decoded, draw inputs are
// decoded and drawn. A pass means nothing crashed; the sanitizer build of the
// suite also catches out-of-bounds access, leaks and undefined behaviour.
// Finding no inputs of a target is a failure: a moved or renamed folder would
// otherwise pass having replayed nothing.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "fuzz/fuzz_cases.h"
#include "tests/support/reader_bytes.h"
#include "tests/support/test_paths.h"
#include "tests/support/tga_builder.h"

namespace {

namespace fs = std::filesystem;

// From the source tree, not from __FILE__, which is relative to the build
// folder and so depends on where the tests are run.
fs::path RegressionDir() { return fs::path(kestrel::test::ProjectSourceDir()) / "tests" / "regressions"; }

std::vector<fs::path> StoredInputs(const std::string& target)
{
    std::vector<fs::path> inputs;
    std::error_code error;
    for (fs::recursive_directory_iterator entry(RegressionDir(), error), end; !error && entry != end;
         entry.increment(error)) {
        if (entry->is_regular_file() && entry->path().filename().string().rfind(target + "-", 0) == 0)
            inputs.push_back(entry->path());
    }
    return inputs;
}

std::vector<std::uint8_t> Bytes(const fs::path& path)
{
    const std::string content = kestrel::test::ReadFileBytes(path.string());
    return {content.begin(), content.end()};
}

TEST(FuzzRegressions, StoredDecodeInputsDecodeSafely)
{
    const std::vector<fs::path> inputs = StoredInputs("decode");
    ASSERT_FALSE(inputs.empty()) << "no stored decode inputs under " << RegressionDir().string();
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        const std::vector<std::uint8_t> data = Bytes(input);
        kestrel::fuzz::RunDecodeCase(data.data(), data.size());
    }
}

TEST(FuzzRegressions, StoredDrawInputsDecodeAndDrawSafely)
{
    const std::vector<fs::path> inputs = StoredInputs("draw");
    ASSERT_FALSE(inputs.empty()) << "no stored draw inputs under " << RegressionDir().string();
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.string());
        const std::vector<std::uint8_t> data = Bytes(input);
        kestrel::fuzz::RunDrawCase(data.data(), data.size());
    }
}

// Faults the fuzzers found, kept as readable cases beside the stored inputs.

TEST(FuzzRegressions, CreateRefusesARowTooWideToMultiplyByTheHeight)
{
    // A 24-bit row of 0x5FFFFF0D pixels is about 4.8 GB; times the height it
    // overflowed 64 bits before the size checks ran.
    CDibImage image(ImageFormat::Bmp);
    EXPECT_EQ(image.Create(0x5FFFFF0D, 2046820160, 24, ImageFormat::Bmp), nullptr);
    EXPECT_TRUE(image.IsEmpty());
}

TEST(FuzzRegressions, AlphaPlaneIsHeldToTheSameCapAsTheDibBlock)
{
    // A 1-bit picture of 128 MiB has more pixels than the cap has bytes.
    CDibImage image(ImageFormat::Tiff);
    ASSERT_NE(image.Create(32768, 32769, 1, ImageFormat::Tiff), nullptr);
    EXPECT_EQ(image.CreateAlpha(), nullptr);
    EXPECT_EQ(image.AlphaPlane(), nullptr);
    EXPECT_FALSE(image.IsEmpty());
}

TEST(FuzzRegressions, TgaColourMapEntriesOfAnySizeStayInsideTheEntryBuffer)
{
    // The entry size is a byte of bits: 255 bits make 32-byte entries, which
    // overran an 8-byte buffer. Wide entries take their first three bytes.
    kestrel::test::TgaRecipe recipe;
    recipe.colourMapType = 1;
    recipe.imageType = 1;
    recipe.depth = 8;
    recipe.mapLength = 2;
    recipe.mapEntryBits = 255;
    recipe.colourMap = std::string(32, '\0') + "\x10\x20\x30" + std::string(29, '\x7F');
    recipe.data = "\x01";
    CDibImage image(ImageFormat::Tga);
    ASSERT_TRUE(kestrel::test::DecodeFromBytes(image, kestrel::test::BuildTga(recipe), ImageFormat::Tga))
        << image.LastError();
    const RGBQUAD colour = image.GetPaletteColour(1);
    EXPECT_EQ(colour.rgbBlue, 0x10);
    EXPECT_EQ(colour.rgbGreen, 0x20);
    EXPECT_EQ(colour.rgbRed, 0x30);
}

}  // namespace

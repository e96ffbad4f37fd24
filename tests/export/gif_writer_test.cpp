// The GIF writer on its own: frames of every table size, with and without
// transparency, long enough to fill the LZW table many times, written and
// read back by giflib and by our reader.
#include <gtest/gtest.h>

#include <random>

#include "formats/gif_image.h"
#include "formats/gif_writer.h"
#include "tests/export/export_test_files.h"
#include "tests/support/giflib_memory_reader.h"
#include "tests/support/memory_file.h"

namespace {

using kestrel::test::GifBytes;

struct FrameCase {
    const char* name;
    int width;
    int height;
    int tableSize;
    int transparentIndex;
    enum { Noise, Ramp, Flat } pattern;
};

GifFrame MakeFrame(const FrameCase& c, int delay)
{
    GifFrame frame;
    frame.width = c.width;
    frame.height = c.height;
    frame.delay = delay;
    frame.transparentIndex = c.transparentIndex;
    frame.table.size = c.tableSize;
    for (int i = 0; i < 3 * c.tableSize; ++i) frame.table.rgb[std::size_t(i)] = std::uint8_t(i * 29 + 7);
    std::mt19937 random(std::uint32_t(c.width * 31 + c.tableSize));
    for (int i = 0; i < c.width * c.height; ++i) {
        const int value = c.pattern == FrameCase::Noise ? int(random() % std::uint32_t(c.tableSize))
                          : c.pattern == FrameCase::Ramp ? (i / 3) % c.tableSize
                                                         : c.tableSize - 1;
        frame.indices.push_back(std::uint8_t(value));
    }
    return frame;
}

class GifWriterRoundTrip : public ::testing::TestWithParam<FrameCase> {};

TEST_P(GifWriterRoundTrip, GiflibAndOurReaderGetTheFrameBack)
{
    const FrameCase& c = GetParam();
    // Two frames: the second carries a table of its own.
    const GifFrame first = MakeFrame(c, 7);
    GifFrame second = MakeFrame(c, 250);
    second.table.rgb[0] ^= 0xFF;
    GifBytes file = GifScreenBytes(c.width, c.height, first.table);
    for (const GifFrame* frame : {&first, static_cast<const GifFrame*>(&second)}) {
        const GifBytes bytes = GifFrameBytes(*frame, first.table);
        file.insert(file.end(), bytes.begin(), bytes.end());
    }
    file.push_back(GIF_TRAILER);

    kestrel::test::MemoryReader reader{&file, 0};
    int error = 0;
    export_test::GiflibFile gif(DGifOpen(&reader, kestrel::test::ReadFromMemory, &error));
    ASSERT_TRUE(gif && DGifSlurp(gif.get()) == GIF_OK) << c.name;
    ASSERT_EQ(gif->ImageCount, 2);
    EXPECT_EQ(gif->SWidth, c.width);
    for (int k = 0; k < 2; ++k) {
        const GifFrame& frame = k == 0 ? first : second;
        const SavedImage& image = gif->SavedImages[k];
        EXPECT_EQ(image.ImageDesc.ColorMap != nullptr, k == 1) << "a local table only where the frame's differs";
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        ASSERT_EQ(map->ColorCount, frame.table.size);
        for (int i = 0; i < map->ColorCount; ++i) {
            ASSERT_EQ(map->Colors[i].Red, frame.table.rgb[std::size_t(3 * i)]) << c.name << " entry " << i;
            ASSERT_EQ(map->Colors[i].Blue, frame.table.rgb[std::size_t(3 * i + 2)]);
        }
        ASSERT_EQ(std::vector<std::uint8_t>(image.RasterBits, image.RasterBits + c.width * c.height), frame.indices)
            << c.name << " frame " << k;
        GraphicsControlBlock control;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif.get(), k, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, frame.delay);
        EXPECT_EQ(control.TransparentColor, c.transparentIndex == -1 ? NO_TRANSPARENT_COLOR : c.transparentIndex);
    }

    // Our reader takes the first image.
    CGifImage image(ImageFormat::Gif);
    FILE* stream = kestrel::test::OpenMemoryFile(file);
    ASSERT_TRUE(image.Decode(stream));
    std::fclose(stream);
    ASSERT_FALSE(image.IsEmpty());
    EXPECT_EQ(image.Info().transparentIndex, c.transparentIndex);
    EXPECT_EQ(image.Info().frameDelay, 7);
    GifFrame back;
    ASSERT_TRUE(GifFrameFromImage(image, 7, back));
    EXPECT_EQ(back.indices, first.indices) << c.name;
    EXPECT_EQ(back.table, first.table) << c.name;
}

INSTANTIATE_TEST_SUITE_P(Frames, GifWriterRoundTrip,
                         ::testing::Values(FrameCase{"two colours", 33, 17, 2, -1, FrameCase::Noise},
                                           FrameCase{"four, transparent", 64, 9, 4, 3, FrameCase::Ramp},
                                           FrameCase{"sixteen", 101, 67, 16, -1, FrameCase::Noise},
                                           FrameCase{"noise resets the table", 300, 211, 256, 17, FrameCase::Noise},
                                           FrameCase{"long runs", 640, 480, 256, -1, FrameCase::Flat},
                                           FrameCase{"one pixel", 1, 1, 2, -1, FrameCase::Flat}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& ch : name) ch = std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                             return name;
                         });

// The table is cut to what the picture needs, so a reader fills the rest as
// it was: black, or white with a transparent index.
TEST(GifFrameFromImage, CutsTheTableToWhatAReaderGivesBack)
{
    struct Case {
        int highestIndex;
        int transparentIndex;
        int lastColouredEntry;  // entries above are the fill
        int expectedSize;
    };
    for (const Case& c : {Case{9, -1, 9, 16}, Case{1, -1, 200, 256}, Case{3, 40, 3, 64}, Case{0, -1, 0, 2}}) {
        CDibImage image(ImageFormat::Gif);
        ASSERT_TRUE(image.Create(5, 3, 8, ImageFormat::Gif));
        image.SetTransparentIndex(c.transparentIndex);
        const BYTE fill = c.transparentIndex >= 0 ? 255 : 0;
        for (int i = 0; i < 256; ++i) {
            const bool coloured = i <= c.lastColouredEntry;
            image.SetPaletteEntry(BYTE(i), coloured ? BYTE(i + 1) : fill, coloured ? 9 : fill, fill, 0);
        }
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) image.SetPixelIndex(x, y, BYTE((x + y) % (c.highestIndex + 1)));
        GifFrame frame;
        ASSERT_TRUE(GifFrameFromImage(image, 2, frame));
        EXPECT_EQ(frame.table.size, c.expectedSize) << c.highestIndex << "/" << c.lastColouredEntry;
        EXPECT_EQ(frame.transparentIndex, c.transparentIndex);
    }
}

}  // namespace

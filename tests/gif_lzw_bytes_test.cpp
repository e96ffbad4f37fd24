// The LZW stage on its own: code bytes handed over in sub-blocks of any size,
// each in an allocation of its own (so the sanitizer build sees any read past
// one), lines collected as they come.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "formats/gif_lzw.h"
#include "tests/support/gif_writer.h"

namespace kestrel::test {
namespace {

// The data as sub-blocks of blockSize bytes (the last one shorter), then the
// terminator, or the end of the input when there is none.
class SubBlocks : public GifDataBlocks {
public:
    SubBlocks(const GifBytes& data, std::size_t blockSize, bool terminator) : m_terminator(terminator)
    {
        for (std::size_t at = 0; at < data.size(); at += blockSize)
            m_blocks.emplace_back(data.begin() + long(at), data.begin() + long(std::min(data.size(), at + blockSize)));
    }
    int NextSubBlock(const BYTE*& data) override
    {
        if (m_next == m_blocks.size()) return m_terminator ? 0 : -1;
        data = m_blocks[m_next].data();
        return int(m_blocks[m_next++].size());
    }

private:
    std::vector<GifBytes> m_blocks;
    std::size_t m_next = 0;
    bool m_terminator;
};

// Takes lines as a non-interlaced image of `height` lines does.
class Lines : public GifLineSink {
public:
    Lines(std::size_t width, std::size_t height) : m_width(width), m_height(height) {}
    std::size_t PutLines(const BYTE* pixels, std::size_t count) override
    {
        EXPECT_FALSE(Full()) << "a line after the sink was full";
        std::size_t taken = 0;
        for (; count - taken >= m_width && !Full(); taken += m_width) {
            whole.insert(whole.end(), pixels + taken, pixels + taken + m_width);
            ++m_lines;
        }
        return taken;
    }
    void PutShortLine(const BYTE* line, std::size_t length) override { shortLine.assign(line, line + length); }
    bool Full() const override { return m_lines >= m_height; }

    GifBytes whole;  // the whole lines, one after another
    GifBytes shortLine;

private:
    std::size_t m_width, m_height, m_lines = 0;
};

struct Decoded {
    GifBytes lines;
    GifBytes shortLine;
};

Decoded Decode(const GifBytes& codes, int minCodeSize, int width, int height, std::size_t blockSize = 255,
           bool terminator = true)
{
    SubBlocks blocks(codes, blockSize, terminator);
    Lines lines{std::size_t(width), std::size_t(height)};
    GifLzwDecoder decoder;
    decoder.Decode(minCodeSize, blocks, lines, width, height);
    return {lines.whole, lines.shortLine};
}

GifBytes Noise(std::size_t count, int colours, unsigned seed)
{
    std::mt19937 random(seed);
    GifBytes pixels(count);
    for (auto& pixel : pixels) pixel = std::uint8_t(random() % unsigned(colours));
    return pixels;
}

TEST(GifLzwBytes, EncodedPixelsComeBackInLinesWhateverTheSubBlockSizes)
{
    struct Case {
        int minCodeSize, width, height;
        std::size_t blockSize;
        GifTableFull whenFull;
    };
    const Case cases[] = {
        {2, 13, 11, 1, GifTableFull::Clear},    {3, 64, 64, 7, GifTableFull::Clear},
        {4, 100, 50, 255, GifTableFull::Defer}, {8, 300, 200, 255, GifTableFull::Clear},
        {8, 1, 5000, 254, GifTableFull::Defer}, {9, 40, 30, 3, GifTableFull::Clear},
    };
    for (const Case& c : cases) {
        const std::string what = std::to_string(c.minCodeSize) + " bits, blocks of " + std::to_string(c.blockSize);
        const int colours = c.minCodeSize < 8 ? 1 << c.minCodeSize : 256;
        const GifBytes pixels = Noise(std::size_t(c.width * c.height), colours, unsigned(c.width));
        const GifBytes codes = LzwEncode(pixels, {c.minCodeSize, true, true, c.whenFull});
        const Decoded run = Decode(codes, c.minCodeSize, c.width, c.height, c.blockSize);
        EXPECT_EQ(run.lines, pixels) << what;
        EXPECT_TRUE(run.shortLine.empty()) << what;
    }
}

TEST(GifLzwBytes, HowTheDataEndsDecidesTheLastLine)
{
    // Seven pixels of lines of three: two whole lines and one pixel.
    const GifBytes pixels{1, 2, 3, 0, 1, 2, 3};
    struct Case {
        const char* name;
        bool endCode, terminator;
        GifBytes shortLine;
    };
    const Case cases[] = {
        {"end code", true, true, {3}},
        {"terminator without an end code", false, true, {3}},
        {"input ending without either", false, false, {}},
    };
    for (const Case& c : cases) {
        const Decoded run = Decode(LzwEncode(pixels, {2, true, c.endCode}), 2, 3, 5, 255, c.terminator);
        EXPECT_EQ(run.lines, GifBytes(pixels.begin(), pixels.begin() + 6)) << c.name;
        EXPECT_EQ(run.shortLine, c.shortLine) << c.name;
    }
}

TEST(GifLzwBytes, MinimumCodeSizeOutside2To9OrNoPixelsDecodeNothing)
{
    const GifBytes codes = LzwEncode(GifBytes(12, 1), {2});
    for (const int minCodeSize : {-1, 0, 1, 10, 12, 255}) {
        const Decoded run = Decode(codes, minCodeSize, 4, 3);
        EXPECT_TRUE(run.lines.empty() && run.shortLine.empty()) << minCodeSize;
    }
    EXPECT_TRUE(Decode(codes, 2, 0, 3).lines.empty());
    EXPECT_TRUE(Decode(codes, 2, 4, 0).lines.empty());
}

TEST(GifLzwBytes, AFullSinkStopsTheDecoder)
{
    // Twice the pixels the two lines hold; the sink complains of any line
    // handed over once it is full.
    const GifBytes pixels = Noise(5000, 4, 9);
    const Decoded run = Decode(LzwEncode(pixels, {2}), 2, 1250, 2);
    EXPECT_EQ(run.lines, GifBytes(pixels.begin(), pixels.begin() + 2500));
    EXPECT_TRUE(run.shortLine.empty());
}

TEST(GifLzwBytes, APrefixLoopKeepsTheLinesBeforeItAndDropsTheOneItFills)
{
    // 10 comes above the next slot 8, and 9 right after it, so slot 9 takes
    // 10 as its prefix and slot 10 takes 9: spelling 9 out never ends.
    LzwCodeWriter codes(2);
    codes.Clear().Code(1).Code(2).Code(3).Code(10).Code(9).Code(1).Code(9).Code(2).Code(3).End();
    const Decoded run = Decode(codes.Finish(), 2, 4, 4);
    // 1 | 2 | 3 | 3 3 | 0 0 3 | 1: two lines, the third one started is dropped.
    EXPECT_EQ(run.lines, (GifBytes{1, 2, 3, 3, 3, 0, 0, 3}));
    EXPECT_TRUE(run.shortLine.empty());
}

}  // namespace
}  // namespace kestrel::test

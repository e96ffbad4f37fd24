// Cheap deterministic fuzzing of the GIF reader: built files cut at every
// length and with bytes changed, each decoded by the reader and by the plain
// reference decoder, which must agree byte for byte (and the sanitizer build
// checks that nothing is read or written out of bounds).
#include <gtest/gtest.h>

#include <random>

#include "tests/gif_test_helpers.h"

namespace kestrel::test {
namespace {

std::vector<GifBytes> SeedFiles()
{
    std::vector<GifBytes> files;
    std::mt19937 random(5);
    auto pixels = [&](int count, int colours) {
        GifBytes out(std::size_t(count), 0);
        for (int i = 0; i < count; ++i) out[std::size_t(i)] = std::uint8_t((i / 3 + random() % 2) % colours);
        return out;
    };
    GifPicture plain{11, 7, pixels(77, 4), TestPalette(4)};
    files.push_back(EncodeGif(plain));

    GifPicture interlaced{9, 10, pixels(90, 2), TestPalette(2)};
    interlaced.interlaced = true;
    interlaced.transparentIndex = 1;
    interlaced.delay = 20;
    files.push_back(EncodeGif(interlaced));

    GifPicture local{17, 5, pixels(85, 200), TestPalette(200)};
    local.localTable = true;
    local.blockSize = 13;
    files.push_back(EncodeGif(local));

    GifWriter extensions;
    extensions.Header(6, 4, TestPalette(16))
        .Comment("a comment")
        .GraphicControl(3, 5)
        .ImageDescriptor(0, 0, 6, 4, false, TestPalette(8))
        .Raster(3, LzwEncode(pixels(24, 8), {3}), 4)
        .Trailer();
    files.push_back(extensions.Data());
    return files;
}

TEST(GifFuzz, EveryTruncationMatchesThePlainDecoder)
{
    for (const GifBytes& file : SeedFiles()) {
        for (std::size_t length = 0; length <= file.size(); ++length) {
            ExpectSameAsReference(GifBytes(file.begin(), file.begin() + long(length)),
                                  ("cut at " + std::to_string(length)).c_str());
            if (HasFatalFailure()) return;
        }
    }
}

TEST(GifFuzz, EveryChangedByteMatchesThePlainDecoder)
{
    for (const GifBytes& file : SeedFiles()) {
        for (std::size_t at = 0; at < file.size(); ++at) {
            for (const std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                GifBytes changed = file;
                changed[at] = std::uint8_t(changed[at] ^ value);
                ExpectSameAsReference(changed, ("byte " + std::to_string(at)).c_str());
                if (HasFatalFailure()) return;
            }
        }
    }
}

TEST(GifFuzz, RandomBytesAfterAValidHeaderMatchThePlainDecoder)
{
    std::mt19937 random(77);
    for (int round = 0; round < 400; ++round) {
        GifWriter gif;
        gif.Header(int(random() % 40), int(random() % 40), TestPalette(1 << (1 + random() % 8)));
        if (random() % 2) gif.GraphicControl(int(random() % 100), int(random() % 300) - 44);
        gif.ImageDescriptor(0, 0, int(random() % 60), int(random() % 60), random() % 2);
        gif.Byte(std::uint8_t(2 + random() % 8));
        const std::size_t tail = random() % 600;
        for (std::size_t i = 0; i < tail; ++i) gif.Byte(std::uint8_t(random()));
        ExpectSameAsReference(gif.Data(), ("round " + std::to_string(round)).c_str());
        if (HasFatalFailure()) return;
    }
}

}  // namespace
}  // namespace kestrel::test

// The LZW stage's stream buffers: where a block may lie inside one 4 GiB
// window, what a thread is given, giving pages back, and decoding where the
// address space is too short for the usual reservation.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "formats/gif_stream_window.h"
#include "tests/gif_test_helpers.h"

namespace kestrel::test {
namespace {

constexpr std::uintptr_t GIB = std::uintptr_t(1) << 30;
constexpr std::uintptr_t WINDOW = 4 * GIB;

TEST(GifStreamWindow, BlocksArePlacedFromAPageWithoutCrossingAWindow)
{
    struct Case {
        std::uintptr_t start;
        std::size_t length, wanted;
        std::uintptr_t place;
    } const cases[] = {
        {WINDOW + 4096, 1 << 20, 1 << 19, WINDOW + 4096},               // fits where it starts
        {WINDOW + 100, 1 << 20, 1 << 19, WINDOW + 4096},                // from the next page
        {2 * WINDOW - 4096, 8192 + (1 << 20), 1 << 20, 2 * WINDOW},     // would cross: starts at the boundary
        {2 * WINDOW - 4096, 1 << 20, 1 << 20, 0},                       // would cross, and no room after it
        {2 * WINDOW - 4096, 4096, 4096, 2 * WINDOW - 4096},             // ends on the boundary
        {WINDOW, 3 * WINDOW, WINDOW, WINDOW},                           // a whole window
        {WINDOW, 3 * WINDOW, WINDOW + 1, 0},                            // more than a window
        {WINDOW, 4096, 0, 0},                                           // nothing wanted
        {UINTPTR_MAX - 8191, 8192, 4096, 0},                            // the top of the address space
    };
    for (const Case& c : cases)
        EXPECT_EQ(PlaceInsideWindow(c.start, c.length, c.wanted), c.place) << std::hex << c.start << " " << c.wanted;
}

// What a new thread is given for `needed` bytes, and whether a second call
// gives the same buffers.
struct Given {
    GifStreamBuffers buffers, again;
    bool fresh = false, freshAgain = true;
};

Given GivenOnNewThread(std::size_t needed)
{
    Given given;
    std::thread([&] {
        given.buffers = ThreadGifStreamBuffers(needed, given.fresh);
        given.again = ThreadGifStreamBuffers(needed, given.freshAgain);
    }).join();
    return given;
}

TEST(GifStreamWindow, AThreadKeepsTwoBuffersInsideOneWindow)
{
    const Given given = GivenOnNewThread(1 << 20);
    const GifStreamBuffers& b = given.buffers;
    ASSERT_NE(b.first, nullptr);
    EXPECT_TRUE(given.fresh);
    EXPECT_FALSE(given.freshAgain);
    EXPECT_EQ(given.again.first, b.first);
    EXPECT_EQ(given.again.second, b.second);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(b.origin) % WINDOW, 0u);
    EXPECT_GE(b.capacity, std::size_t(1) << 20);
    for (const BYTE* buffer : {b.first, b.second}) {
        EXPECT_GE(buffer, b.origin);
        EXPECT_LE(std::uintptr_t(buffer - b.origin) + b.capacity, WINDOW);
    }
    EXPECT_GE(b.second, b.first + b.capacity);

    bool fresh = true;
    EXPECT_EQ(ThreadGifStreamBuffers(GIF_STREAM_BUFFER_BYTES + 1, fresh).first, nullptr);
}

TEST(GifStreamWindow, TrimmingGivesBackOnlyThePagesPastWhatIsKept)
{
    std::thread([] {
        bool fresh = false;
        const GifStreamBuffers b = ThreadGifStreamBuffers(1 << 20, fresh);
        ASSERT_NE(b.first, nullptr);
        const std::size_t kept = 64 * 1024;
        for (BYTE* buffer : {b.first, b.second}) std::memset(buffer, 0xAB, 256 * 1024);
        TrimGifStreamBuffers(b, 128 * 1024, kept);
        for (const BYTE* buffer : {b.first, b.second}) {
            EXPECT_EQ(buffer[kept - 1], 0xAB);
            EXPECT_EQ(buffer[kept + 4096], 0);  // given back: reads as a fresh page
            EXPECT_EQ(buffer[200 * 1024], 0xAB);  // past what was used: left alone
        }
    }).join();
}

#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
// Bytes of address space the process holds now.
std::size_t AddressSpaceInUse()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    std::size_t kilobytes = 0;
    while (status >> key)
        if (key == "VmSize:" && status >> kilobytes) break;
    return kilobytes * 1024;
}

// In a child whose address space is capped well below the usual reservation,
// a new thread still decodes a small picture exactly.
TEST(GifStreamWindow, ShortAddressSpaceStillDecodes)
{
    const std::vector<GifColour> palette = TestPalette(16);
    GifBytes pixels;
    for (int i = 0; i < 300 * 200; ++i) pixels.push_back(std::uint8_t((i / 3 + i / 300) % 16));
    const GifBytes file = EncodeGif(GifPicture{300, 200, pixels, palette});
    const std::size_t inUse = AddressSpaceInUse();
    ASSERT_GT(inUse, 0u);

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // The cap leaves room for a thread's stack and the picture, not for
        // twice the usual reservation.
        const rlimit cap{inUse + (96 << 20), inUse + (96 << 20)};
        int code = setrlimit(RLIMIT_AS, &cap) == 0 ? 0 : 3;
        if (code == 0) {
            std::thread([&] {
                bool fresh = false;
                if (ThreadGifStreamBuffers(GIF_STREAM_BUFFER_BYTES, fresh).first) code = 4;  // the cap did not bite
                const GifResult result = DecodeGif(file);
                if (!result.ok || PictureIndices(*result.image) != pixels) code = 5;
            }).join();
        }
        _exit(code);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "3: no cap, 4: the usual reservation fitted, 5: wrong pixels";
}
#endif

}  // namespace
}  // namespace kestrel::test

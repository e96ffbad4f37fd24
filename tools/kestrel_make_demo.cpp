// kestrel_make_demo: writes a demo shot directory, a short sequence of GIF
// shots named shot0001.gif, shot0002.gif, ... whose last-write times follow
// the shot order (a fresh clone gives every file nearly the same time, and
// the viewer orders shots by that time).
//
//   kestrel_make_demo DIRECTORY [COUNT]
//
// Each shot is a 640 x 480 scene of a sun crossing a sky above hills, with
// the shot number drawn large. The shots vary the file's form as real shots
// do: 256 or 16 colours, some interlaced, one with a transparent index.
#include <fcntl.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/gif_writer.h"

namespace {

using kestrel::test::GifBytes;
using kestrel::test::GifColour;
using kestrel::test::GifPicture;

constexpr int WIDTH = 640;
constexpr int HEIGHT = 480;

// Seven-segment digits: segments a..g as bits 0..6.
constexpr unsigned char DIGIT_SEGMENTS[10] = {0x3F, 0x06, 0x5B, 0x4F, 0x66, 0x6D, 0x7D, 0x07, 0x7F, 0x6F};

bool InSegment(int digit, int x, int y, int size)
{
    const int t = size / 5;  // stroke thickness
    const int w = size;      // digit width
    const int h = 2 * size;  // digit height
    const bool rows[3] = {y < t, y >= h / 2 - t / 2 && y < h / 2 + t - t / 2, y >= h - t};
    const bool left = x < t, right = x >= w - t;
    const bool upper = y < h / 2, lower = y >= h / 2;
    const unsigned s = DIGIT_SEGMENTS[digit];
    return ((s & 0x01) && rows[0]) || ((s & 0x02) && right && upper) || ((s & 0x04) && right && lower) ||
           ((s & 0x08) && rows[2]) || ((s & 0x10) && left && lower) || ((s & 0x20) && left && upper) ||
           ((s & 0x40) && rows[1]);
}

// Palette for 256-colour shots: 0..127 sky blues, 128..191 hill greens,
// 192..247 sun yellows, 248 black, 249 white.
std::vector<GifColour> ScenePalette()
{
    std::vector<GifColour> palette(256, GifColour{0, 0, 0});
    for (int i = 0; i < 128; ++i) palette[i] = {std::uint8_t(40 + i), std::uint8_t(90 + i), std::uint8_t(200 + i / 3)};
    for (int i = 0; i < 64; ++i) palette[128 + i] = {std::uint8_t(20 + i), std::uint8_t(90 + 2 * i), std::uint8_t(30 + i / 2)};
    for (int i = 0; i < 56; ++i) palette[192 + i] = {255, std::uint8_t(180 + i), std::uint8_t(40 + 2 * i)};
    palette[248] = {0, 0, 0};
    palette[249] = {255, 255, 255};
    return palette;
}

GifPicture Scene(int shot, int count)
{
    GifPicture picture;
    picture.width = WIDTH;
    picture.height = HEIGHT;
    picture.palette = ScenePalette();
    picture.pixels.resize(std::size_t(WIDTH) * HEIGHT);
    const double phase = count > 1 ? double(shot - 1) / double(count - 1) : 0.0;
    const double sunX = 60 + phase * (WIDTH - 120);
    const double sunY = 200 - 150 * std::sin(phase * 3.14159265);
    for (int y = 0; y < HEIGHT; ++y) {
        for (int x = 0; x < WIDTH; ++x) {
            // Ordered dither across the sky gradient.
            const int dither = ((x & 1) ^ (y & 1)) + 2 * (y & 1);
            int index = std::min(127, (y * 128 + dither * 32) / 300);
            const double hill = 330 + 40 * std::sin(x / 70.0 + shot * 0.3) + 20 * std::sin(x / 23.0);
            if (y > hill) index = 128 + std::min(63, int((y - hill) / 3));
            const double dx = x - sunX, dy = y - sunY;
            const double r = std::sqrt(dx * dx + dy * dy);
            if (r < 45) index = 192 + std::min(55, int(r * 55 / 45));
            picture.pixels[std::size_t(y) * WIDTH + x] = std::uint8_t(index);
        }
    }
    // The shot number, four digits, at the bottom left.
    const int size = 28;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04d", shot % 10000);
    for (int d = 0; d < 4; ++d) {
        const int left = 24 + d * (size + 12), top = HEIGHT - 2 * size - 24;
        for (int y = 0; y < 2 * size; ++y)
            for (int x = 0; x < size; ++x)
                if (InSegment(digits[d] - '0', x, y, size))
                    picture.pixels[std::size_t(top + y) * WIDTH + std::size_t(left + x)] = 249;
    }
    // Vary the form: every third shot interlaced, every fourth with 16
    // colours (indices folded into 0..15), shot 5 with a transparent index.
    picture.interlaced = shot % 3 == 0;
    if (shot % 4 == 0) {
        std::vector<GifColour> sixteen;
        for (int i = 0; i < 16; ++i) sixteen.push_back(picture.palette[std::size_t(i * 16 + 8)]);
        sixteen[15] = {255, 255, 255};
        for (auto& pixel : picture.pixels) pixel = pixel == 249 ? 15 : std::uint8_t(std::min(14, pixel / 16));
        picture.palette = sixteen;
    }
    if (shot == 5) picture.transparentIndex = 248;
    picture.delay = 100;
    return picture;
}

bool WriteFile(const std::string& path, const GifBytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}

bool SetLastWriteTime(const std::string& path, std::time_t seconds)
{
    struct timespec times[2];
    times[0].tv_sec = times[1].tv_sec = seconds;
    times[0].tv_nsec = times[1].tv_nsec = 0;
    return utimensat(AT_FDCWD, path.c_str(), times, 0) == 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: kestrel_make_demo DIRECTORY [COUNT]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int count = argc == 3 ? std::atoi(argv[2]) : 12;
    if (count < 1 || count > 9999) {
        std::fprintf(stderr, "COUNT must be 1 to 9999\n");
        return 2;
    }
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    if (error) {
        std::fprintf(stderr, "cannot create %s: %s\n", dir.c_str(), error.message().c_str());
        return 1;
    }
    // One minute apart, the last a minute ago.
    const std::time_t first = std::time(nullptr) - 60 * std::time_t(count + 1);
    for (int shot = 1; shot <= count; ++shot) {
        char name[32];
        std::snprintf(name, sizeof name, "shot%04d.gif", shot);
        const std::string path = dir + "/" + name;
        if (!WriteFile(path, kestrel::test::EncodeGif(Scene(shot, count))) ||
            !SetLastWriteTime(path, first + 60 * std::time_t(shot))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    std::printf("%d demo shots in %s\n", count, dir.c_str());
    return 0;
}

// kestrel-make-splash: draws the start-up picture and writes it as a
// 720 x 540 BMP of 8 bits per pixel with a 256-entry colour table,
// uncompressed, so the viewer reads it with its own BMP reader.
//
//   kestrel-make-splash OUTPUT.bmp
//
// The picture is drawn here rather than kept as a binary: a dusk sky, hills,
// a hovering kestrel, a film strip and the product name in a 5 x 7 pixel font.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>
#include <vector>

namespace {

constexpr int WIDTH = 720;
constexpr int HEIGHT = 540;
constexpr int HORIZON = 372;

// Colour table layout.
constexpr int SKY_FIRST = 0;
constexpr int SKY_COUNT = 160;
constexpr int FAR_HILL = 160;
constexpr int NEAR_HILL = 161;
constexpr int SUN = 162;
constexpr int BIRD = 163;
constexpr int TEXT = 164;
constexpr int SHADOW = 165;
constexpr int FILM = 166;
constexpr int HOLE = 167;
constexpr int FRAME = 168;

struct Rgb {
    std::uint8_t r, g, b;
};

class Canvas {
public:
    Canvas() : m_pixels(std::size_t(WIDTH) * HEIGHT, 0) {}

    void Set(int x, int y, std::uint8_t index)
    {
        if (x >= 0 && x < WIDTH && y >= 0 && y < HEIGHT) m_pixels[std::size_t(y) * WIDTH + x] = index;
    }
    void FillRect(int left, int top, int width, int height, std::uint8_t index)
    {
        for (int y = top; y < top + height; ++y)
            for (int x = left; x < left + width; ++x) Set(x, y, index);
    }
    // Even-odd scanline fill of a closed polygon.
    void FillPolygon(const std::vector<std::array<double, 2>>& points, std::uint8_t index)
    {
        for (int y = 0; y < HEIGHT; ++y) {
            const double scanY = y + 0.5;
            std::vector<double> crossings;
            for (std::size_t i = 0; i < points.size(); ++i) {
                const auto& a = points[i];
                const auto& b = points[(i + 1) % points.size()];
                if ((a[1] <= scanY) == (b[1] <= scanY)) continue;
                crossings.push_back(a[0] + (scanY - a[1]) * (b[0] - a[0]) / (b[1] - a[1]));
            }
            std::sort(crossings.begin(), crossings.end());
            for (std::size_t i = 0; i + 1 < crossings.size(); i += 2)
                for (int x = int(std::ceil(crossings[i] - 0.5)); x + 0.5 < crossings[i + 1]; ++x) Set(x, y, index);
        }
    }
    std::uint8_t At(int x, int y) const { return m_pixels[std::size_t(y) * WIDTH + x]; }

private:
    std::vector<std::uint8_t> m_pixels;
};

// 5 x 7 glyphs, one string per row, '#' for ink.
struct Glyph {
    char letter;
    std::array<std::string_view, 7> rows;
};

constexpr Glyph FONT[] = {
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
    {',', {".....", ".....", ".....", ".....", ".##..", "..#..", ".#..."}},
    {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
};

const Glyph* FindGlyph(char letter)
{
    for (const Glyph& glyph : FONT)
        if (glyph.letter == letter) return &glyph;
    return nullptr;
}

int TextWidth(std::string_view text, int scale) { return int(text.size()) * 6 * scale - scale; }

void DrawText(Canvas& canvas, std::string_view text, int left, int top, int scale, std::uint8_t index)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const Glyph* glyph = FindGlyph(text[i]);
        if (!glyph) continue;
        const int glyphLeft = left + int(i) * 6 * scale;
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 5; ++column)
                if (glyph->rows[row][column] == '#')
                    canvas.FillRect(glyphLeft + column * scale, top + row * scale, scale, scale, index);
    }
}

void DrawShadowedText(Canvas& canvas, std::string_view text, int centreX, int top, int scale)
{
    const int left = centreX - TextWidth(text, scale) / 2;
    const int offset = std::max(2, scale / 3);
    DrawText(canvas, text, left + offset, top + offset, scale, SHADOW);
    DrawText(canvas, text, left, top, scale, TEXT);
}

std::array<Rgb, 256> MakePalette()
{
    std::array<Rgb, 256> palette{};
    // Night blue at the top of the sky to amber at the horizon.
    const Rgb top{14, 22, 64}, middle{120, 70, 140}, bottom{250, 170, 90};
    for (int i = 0; i < SKY_COUNT; ++i) {
        const double t = double(i) / (SKY_COUNT - 1);
        const Rgb& from = t < 0.6 ? top : middle;
        const Rgb& to = t < 0.6 ? middle : bottom;
        const double u = t < 0.6 ? t / 0.6 : (t - 0.6) / 0.4;
        palette[SKY_FIRST + i] = {std::uint8_t(from.r + (to.r - from.r) * u), std::uint8_t(from.g + (to.g - from.g) * u),
                                  std::uint8_t(from.b + (to.b - from.b) * u)};
    }
    palette[FAR_HILL] = {70, 48, 88};
    palette[NEAR_HILL] = {34, 26, 46};
    palette[SUN] = {255, 214, 120};
    palette[BIRD] = {24, 16, 20};
    palette[TEXT] = {255, 250, 235};
    palette[SHADOW] = {30, 20, 40};
    palette[FILM] = {18, 18, 20};
    palette[HOLE] = {200, 196, 186};
    palette[FRAME] = {60, 58, 64};
    return palette;
}

void DrawScene(Canvas& canvas)
{
    for (int y = 0; y < HORIZON; ++y)
        canvas.FillRect(0, y, WIDTH, 1, std::uint8_t(SKY_FIRST + y * (SKY_COUNT - 1) / (HORIZON - 1)));

    // The setting sun, half behind the hills.
    for (int y = HORIZON - 90; y < HORIZON; ++y)
        for (int x = 440; x < 620; ++x)
            if (std::hypot(x - 530.0, y - (HORIZON - 10.0)) < 72.0) canvas.Set(x, y, SUN);

    for (int x = 0; x < WIDTH; ++x) {
        const int far = HORIZON - 30 + int(18 * std::sin(x / 70.0) + 10 * std::sin(x / 23.0 + 1.0));
        const int near = HORIZON + 4 + int(22 * std::sin(x / 110.0 + 2.0) + 6 * std::sin(x / 31.0));
        for (int y = far; y < HEIGHT; ++y) canvas.Set(x, y, FAR_HILL);
        for (int y = near; y < HEIGHT; ++y) canvas.Set(x, y, NEAR_HILL);
    }

    // A kestrel hovering: spread wings, fanned tail, small head.
    const double cx = 560, cy = 120;
    canvas.FillPolygon({{cx - 150, cy - 22}, {cx - 70, cy - 18}, {cx - 18, cy - 6}, {cx - 8, cy - 20},
                        {cx + 8, cy - 20}, {cx + 18, cy - 6}, {cx + 70, cy - 18}, {cx + 150, cy - 22},
                        {cx + 96, cy + 4}, {cx + 30, cy + 14}, {cx + 14, cy + 24}, {cx + 30, cy + 70},
                        {cx - 30, cy + 70}, {cx - 14, cy + 24}, {cx - 30, cy + 14}, {cx - 96, cy + 4}},
                       BIRD);

    // A film strip along the bottom edge, its frames showing the hills behind.
    const int stripTop = HEIGHT - 84;
    canvas.FillRect(0, stripTop, WIDTH, 84, FILM);
    for (int x = 8; x < WIDTH; x += 28) {
        canvas.FillRect(x, stripTop + 6, 14, 10, HOLE);
        canvas.FillRect(x, stripTop + 68, 14, 10, HOLE);
    }
    for (int x = 12; x < WIDTH; x += 118) canvas.FillRect(x, stripTop + 22, 106, 40, FRAME);

    DrawShadowedText(canvas, "KESTREL", 270, 150, 12);
    DrawShadowedText(canvas, "VERSION 1.2", 270, 260, 3);
    DrawShadowedText(canvas, "ORVANE, INC.", 270, 300, 3);
}

void PutLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) out.push_back(std::uint8_t(value >> (8 * i)));
}

// BITMAPFILEHEADER, BITMAPINFOHEADER, colour table, rows bottom-up.
std::vector<std::uint8_t> EncodeBmp(const Canvas& canvas, const std::array<Rgb, 256>& palette)
{
    const std::uint32_t headerBytes = 14 + 40 + 256 * 4;
    const std::uint32_t imageBytes = std::uint32_t(WIDTH) * HEIGHT;  // 720 is a multiple of 4: no padding
    std::vector<std::uint8_t> out;
    out.reserve(headerBytes + imageBytes);
    out.push_back('B');
    out.push_back('M');
    PutLe(out, headerBytes + imageBytes, 4);
    PutLe(out, 0, 4);
    PutLe(out, headerBytes, 4);
    PutLe(out, 40, 4);
    PutLe(out, WIDTH, 4);
    PutLe(out, HEIGHT, 4);
    PutLe(out, 1, 2);
    PutLe(out, 8, 2);
    PutLe(out, 0, 4);  // BI_RGB
    PutLe(out, imageBytes, 4);
    PutLe(out, 2835, 4);  // 72 dots per inch
    PutLe(out, 2835, 4);
    PutLe(out, 256, 4);
    PutLe(out, 0, 4);
    for (const Rgb& colour : palette) {
        out.push_back(colour.b);
        out.push_back(colour.g);
        out.push_back(colour.r);
        out.push_back(0);
    }
    for (int y = HEIGHT - 1; y >= 0; --y)
        for (int x = 0; x < WIDTH; ++x) out.push_back(canvas.At(x, y));
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: kestrel-make-splash OUTPUT.bmp\n");
        return 2;
    }
    Canvas canvas;
    DrawScene(canvas);
    const std::vector<std::uint8_t> bytes = EncodeBmp(canvas, MakePalette());
    FILE* file = std::fopen(argv[1], "wb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}

#include "image/shot_placeholder.h"

#include <algorithm>

#include "image/bitmap_font.h"

std::string ShotPlaceholderText(const std::string& path, const std::string& reason)
{
    const std::size_t slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name + ": " + reason;
}

std::unique_ptr<CDibImage> MakeShotPlaceholder(int width, int height, const std::string& text)
{
    auto image = std::make_unique<CDibImage>(ImageFormat::Gif);
    width = std::max(1, width);
    height = std::max(1, height);
    if (!image->Create(width, height, 8, ImageFormat::Gif)) return nullptr;
    image->SetPaletteEntry(0, PLACEHOLDER_GREY, PLACEHOLDER_GREY, PLACEHOLDER_GREY, 0);
    image->SetPaletteEntry(1, 255, 255, 255, 0);
    BYTE* pixels = image->GetPixels();
    std::fill(pixels, pixels + std::size_t(image->Info().stride) * std::size_t(height), BYTE(0));

    // A margin of one character cell on each side.
    const int room = width - 2 * FONT_ADVANCE;
    int scale = 4;
    while (scale > 1 && (BitmapTextWidth(text, scale) > room || FONT_GLYPH_HEIGHT * scale > height)) --scale;
    const std::string line = FitBitmapText(text, scale, std::max(0, room));
    const int x = (width - BitmapTextWidth(line, scale)) / 2;
    const int top = (height - FONT_GLYPH_HEIGHT * scale) / 2;
    RGBQUAD white{};
    white.rgbRed = white.rgbGreen = white.rgbBlue = 255;
    DrawBitmapText(*image, x, top, line, scale, white);
    return image;
}

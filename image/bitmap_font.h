// A tiny bitmap font of our own for text drawn into pictures without any
// windowing system: the contact sheet's captions and the placeholder of a
// shot that cannot be shown. Printable ASCII (' ' to '~') in 5 x 8 cells
// (7 rows above the baseline, one below for descenders), one column of space
// after each character; anything else is drawn as '?'.
#pragma once

#include <string_view>

#include "image/dib_image.h"

constexpr int FONT_GLYPH_WIDTH = 5;
constexpr int FONT_GLYPH_HEIGHT = 8;
constexpr int FONT_ADVANCE = 6;

// Width in pixels of text drawn at scale (each font pixel a scale x scale
// square), without the space after the last character.
int BitmapTextWidth(std::string_view text, int scale);

// Draws text with the top-left corner of its first cell at x, top (top
// counted from the picture's top row). 24-bit pictures get colour itself,
// indexed ones its nearest table entry. Whatever falls outside the picture
// is left out.
void DrawBitmapText(CDibImage& image, int x, int top, std::string_view text, int scale, RGBQUAD colour);

// The longest prefix of text, ending in "..." when cut, that fits in width
// pixels at scale.
std::string FitBitmapText(std::string_view text, int scale, int width);

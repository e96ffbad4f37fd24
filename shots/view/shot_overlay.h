// The shot overlay of the player view (key I): the facts of the shot on
// display, the zoom, and what lies under the pointer, as lines of text; and
// where the box goes so that it never covers the pixels under the pointer.
// Plain C++; the view paints the lines.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/dib_image.h"
#include "shots/view/view_geometry.h"

class CKESTRELDoc;

struct ShotFacts {
    std::string fileName;          // without the directory
    int shotNumber = 0;
    int position = 0;              // 1-based
    int count = 0;
    std::int64_t lastWriteTime = 0;  // 100-nanosecond intervals since 1601
    bool hasPicture = false;       // false: the shot could not be read
    int width = 0;
    int height = 0;
    int bitCount = 0;
    int colours = 0;               // colour-table entries; 0 for true colour
    int transparentIndex = -1;
    int frameDelay = 0;            // hundredths of a second, as the GIF gives it
};

// The shot on display, or nothing when none is.
std::optional<ShotFacts> FactsOfShotOnDisplay(const CKESTRELDoc& document);

struct PixelReadout {
    PicturePixel at;               // x from the left, y from the top
    std::optional<int> index;      // indexed pictures only
    BYTE red = 0;
    BYTE green = 0;
    BYTE blue = 0;
};

// The pixel at (x from the left, y from the top); nothing outside the picture.
std::optional<PixelReadout> ReadPixel(const CDibImage& image, PicturePixel at);

// "400 %", "fit, stretched 50 % x 75 %", "fit, aspect 50 %".
std::string ZoomText(const ViewLayout& layout, ViewSize image, bool fitOn, FitMode fit);

// No facts: "no shot"; an empty zoom (nothing shown) leaves its line out.
std::vector<std::string> OverlayLines(const std::optional<ShotFacts>& facts, const std::string& zoom,
                                      const std::optional<PixelReadout>& pointer);

// The overlay box of size box in client, in the first corner (top left, top
// right, bottom left, bottom right) whose box leaves the pointer's pixel
// free, margin pixels in from the edges; nothing when every corner would
// cover it.
std::optional<ViewRect> PlaceOverlay(ViewSize box, ViewSize client, std::optional<ViewPoint> pointer, int margin);

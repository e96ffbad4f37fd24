// DeviceContext: where pixels go. A context draws onto a 32-bit surface that
// someone else owns (a window's back buffer, a test's array), one unit per
// pixel. Pixels are 0xAARRGGBB words, bytes blue, green, red, alpha in memory.
//
// A logical origin lets a scrolled view draw in its own coordinates: logical
// point (originX, originY) lands on surface pixel (0, 0). The clip box is kept
// in surface coordinates and reported in logical ones.
#pragma once

#include <cstdint>

#include "image/win_types.h"

struct DeviceRect {
    int left;
    int top;
    int right;   // exclusive
    int bottom;  // exclusive
};

class DeviceContext {
public:
    DeviceContext(std::uint32_t* pixels, int width, int height, int pitchBytes);

    void SetLogicalOrigin(int x, int y);
    // Limits drawing to rect (logical coordinates), within the surface.
    void SetClipRect(DeviceRect logical);
    // The part of the surface that may be drawn on, in logical coordinates.
    DeviceRect GetClipBox() const;
    // Fills rect (logical coordinates, clipped) with one colour.
    void FillSolid(DeviceRect logical, COLORREF colour);
};

// The font of the two toolbar boxes: Times New Roman, 14 pixels high,
// normal weight, upright. Where Times New Roman is not installed its metric
// twin Liberation Serif stands in, then any serif face.
#pragma once

#include <QFont>
#include <memory>

constexpr int BOX_FONT_PIXEL_HEIGHT = 14;

std::unique_ptr<QFont> MakeBoxFont();

// A CDibImage as a QImage the toolkit can paint: indexed pictures keep their
// colour table, 24-bit pictures become RGB, and the bottom-up rows are put
// top-down. A null QImage for an image without pixels.
#pragma once

#include <QImage>

class CDibImage;

QImage DibToQImage(const CDibImage& image);

// CPngImage: reads a PNG file through libpng into its own CDibImage.
#pragma once

#include <cstdio>

#include "image/dib_image.h"

struct PngSession;

class CPngImage : public CDibImage {
public:
    explicit CPngImage(ImageFormat format) : CDibImage(format) {}

    // Reads from the stream's current position. True with a complete
    // picture; false with lastError set.
    bool Decode(FILE* file);

private:
    const char* ReadGuarded(FILE* file, PngSession& session);
    const char* ReadPicture(FILE* file, PngSession& session);
    void ExpandTwoBitRow(BYTE* row) const;
};

// CJpegImage: reads a JPEG file through libjpeg into its own CDibImage.
#pragma once

#include <cstdio>

#include "image/dib_image.h"

struct JpegSession;

class CJpegImage : public CDibImage {
public:
    explicit CJpegImage(ImageFormat format) : CDibImage(format) {}

    // Reads from the stream's current position. True with a complete
    // picture; false with libjpeg's message (or the reader's) in lastError.
    bool Decode(FILE* file);

private:
    const char* ReadGuarded(FILE* file, JpegSession& session);
    const char* ReadPicture(FILE* file, JpegSession& session);
};

#include "formats/jpeg_image.h"

bool CJpegImage::Decode(FILE*)
{
    SetLastError("Reading JPEG files is not available in this build");
    return false;
}

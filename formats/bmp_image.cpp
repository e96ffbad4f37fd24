#include "formats/bmp_image.h"

bool CBmpImage::Decode(FILE*)
{
    SetLastError("Reading BMP files is not available in this build");
    return false;
}

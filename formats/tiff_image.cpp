#include "formats/tiff_image.h"

bool CTiffImage::Decode(FILE*)
{
    SetLastError("Reading TIFF files is not available in this build");
    return false;
}

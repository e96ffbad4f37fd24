#include "formats/png_image.h"

bool CPngImage::Decode(FILE*)
{
    SetLastError("Reading PNG files is not available in this build");
    return false;
}

#include "formats/pcx_image.h"

bool CPcxImage::Decode(FILE*)
{
    SetLastError("Reading PCX files is not available in this build");
    return false;
}

#include "formats/tga_image.h"

bool CTgaImage::Decode(FILE*)
{
    SetLastError("Reading TGA files is not available in this build");
    return false;
}

#include "formats/ico_image.h"

bool CIcoImage::Decode(FILE*)
{
    SetLastError("Reading icon files is not available in this build");
    return false;
}

#include "formats/gif_image.h"

bool CGifImage::Decode(FILE*)
{
    SetLastError("Reading GIF files is not available in this build");
    return false;
}

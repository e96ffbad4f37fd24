#include "shots/cache/shot_reader.h"

#include <cstdio>
#include <new>

#include "shots/list/shot_types.h"

DecodedShot ReadShotFile(const std::string& path)
{
    DecodedShot shot;
    shot.stamp = SnapshotAsListed(path);
    // The reader the extension names (GIF for any other name).
    const ImageFormat format = ShotFormatForPath(path);
    shot.image.reset(new (std::nothrow) CDibImage(format));
    if (!shot.image) return shot;
    FILE* file = OpenRegularFile(path);
    if (!file) return shot;
    struct stat status {};
    if (fstat(fileno(file), &status) == 0) shot.opened = status;
    shot.image->Decode(file, format);
    std::fclose(file);
    return shot;
}

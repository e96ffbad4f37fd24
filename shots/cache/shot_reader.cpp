#include "shots/cache/shot_reader.h"

#include <cstdio>
#include <new>

DecodedShot ReadShotFile(const std::string& path)
{
    DecodedShot shot;
    shot.stamp = SnapshotAsListed(path);
    shot.image.reset(new (std::nothrow) CDibImage(ImageFormat::Gif));
    if (!shot.image) return shot;
    FILE* file = OpenRegularFile(path);
    if (!file) return shot;
    struct stat status {};
    if (fstat(fileno(file), &status) == 0) shot.opened = status;
    shot.image->Decode(file, ImageFormat::Gif);
    std::fclose(file);
    return shot;
}

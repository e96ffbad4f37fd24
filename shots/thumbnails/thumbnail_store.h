// Thumbnails of shots, and where they are kept between runs.
//
// A thumbnail is the shot drawn by CDibImage::Draw, scaled down to fit a box
// of THUMBNAIL_WIDTH x THUMBNAIL_HEIGHT with its proportions kept, as 32-bit
// 0xAARRGGBB words (opaque), the top line first. A shot that cannot be read
// gives a thumbnail without pixels marked failed, which the strip shows as a
// plain placeholder.
//
// On disk, one file per shot under the cache directory, named by a hash of
// the shot file's path, size and last-write time, so a file written again
// (or replaced by another of the same name) misses and is made anew. The
// file repeats the key in full and is read only when everything in it is
// consistent: anything else (short, long, another key, a size out of the
// box) is a miss, and the next store writes over it.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CDibImage;

constexpr int THUMBNAIL_WIDTH = 96;
constexpr int THUMBNAIL_HEIGHT = 64;

struct Thumbnail {
    int width = 0;
    int height = 0;
    bool failed = false;                // the shot could not be read
    std::vector<std::uint32_t> pixels;  // width x height, the top line first
};

// What a thumbnail was made from.
struct ThumbnailKey {
    std::string path;
    std::int64_t size = 0;
    std::int64_t mtimeNs = 0;  // last write, nanoseconds since 1970
    bool operator==(const ThumbnailKey&) const = default;
};

// The key of the file named path whose status is status.
ThumbnailKey ThumbnailKeyOf(const std::string& path, const struct stat& status);
// The key of path (following links, as the listing does); none when it
// cannot be read.
std::optional<ThumbnailKey> ThumbnailKeyOf(const std::string& path);

// "0123456789abcdef.kth": 64-bit FNV-1a of the key.
std::string ThumbnailFileName(const ThumbnailKey& key);

// $XDG_CACHE_HOME/kestrel/thumbnails/, or ~/.cache/kestrel/thumbnails/ when
// that is unset or not absolute; empty when neither can be found.
std::string DefaultThumbnailDirectory();

// The picture scaled into the box; failed when the image has no pixels.
Thumbnail ScaleToThumbnail(const CDibImage& image);
// The regular file at path read as a shot (shot_reader.h) and scaled; key
// is set to what was read when the file could be opened.
Thumbnail MakeThumbnail(const std::string& path, std::optional<ThumbnailKey>& key);

// directory: with its trailing separator; empty keeps nothing.
class ThumbnailStore {
public:
    explicit ThumbnailStore(std::string directory) : m_directory(std::move(directory)) {}

    const std::string& Directory() const { return m_directory; }
    std::string PathFor(const ThumbnailKey& key) const { return m_directory + ThumbnailFileName(key); }

    // The thumbnail kept for key; none on a miss or a damaged file.
    std::optional<Thumbnail> Read(const ThumbnailKey& key) const;
    // Keeps thumbnail for key, replacing what was there; false when it
    // could not be written (the directory is made when missing).
    bool Write(const ThumbnailKey& key, const Thumbnail& thumbnail) const;

private:
    std::string m_directory;
};

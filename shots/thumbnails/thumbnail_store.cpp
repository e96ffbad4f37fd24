#include "shots/thumbnails/thumbnail_store.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "formats/byte_cursor.h"
#include "image/device_context.h"
#include "image/dib_image.h"
#include "shots/cache/shot_reader.h"
#include "shots/list/file_status.h"
#include "shots/list/shot_types.h"

namespace {

// "KSTRLTH" and the layout's version; the box is part of the layout.
constexpr char MAGIC[8] = {'K', 'S', 'T', 'R', 'L', 'T', 'H', '1'};
constexpr std::uint32_t MAX_PATH_BYTES = 65536;
constexpr std::uint32_t WHITE = 0xFFFFFFFF;

// The layout, all numbers little-endian as this machine writes them:
//   magic[8], u32 path bytes, path, i64 size, i64 mtime ns,
//   u16 width, u16 height, u8 failed, width x height u32 pixels.
template <class T>
void Put(std::string& out, T value)
{
    char bytes[sizeof(T)];
    std::memcpy(bytes, &value, sizeof(T));
    out.append(bytes, sizeof(T));
}

bool ReadWholeFile(const std::string& path, std::size_t limit, std::string& bytes)
{
    FILE* file = OpenRegularFile(path);
    if (!file) return false;
    struct stat status {};
    bool ok = fstat(fileno(file), &status) == 0 && status.st_size >= 0 && std::uint64_t(status.st_size) <= limit;
    if (ok) {
        bytes.resize(std::size_t(status.st_size));
        ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
    }
    std::fclose(file);
    return ok;
}

bool MakeDirectories(const std::string& directory)
{
    for (std::size_t at = 1; at <= directory.size(); ++at) {
        if (at != directory.size() && directory[at] != '/') continue;
        const std::string part = directory.substr(0, at);
        if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    return true;
}

}  // namespace

ThumbnailKey ThumbnailKeyOf(const std::string& path, const struct stat& status)
{
    const std::int64_t ns = std::int64_t(status.st_mtim.tv_sec) * 1000000000 + status.st_mtim.tv_nsec;
    return {path, std::int64_t(status.st_size), ns};
}

std::optional<ThumbnailKey> ThumbnailKeyOf(const std::string& path)
{
    struct stat status {};
    if (!StatAsListed(path, status)) return std::nullopt;
    return ThumbnailKeyOf(path, status);
}

std::string ThumbnailFileName(const ThumbnailKey& key)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    const auto mix = [&hash](const void* data, std::size_t count) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < count; ++i) hash = (hash ^ bytes[i]) * 0x100000001b3ULL;
    };
    mix(key.path.data(), key.path.size());
    mix("", 1);  // so that no path runs into the numbers
    mix(&key.size, sizeof key.size);
    mix(&key.mtimeNs, sizeof key.mtimeNs);
    static const char digits[] = "0123456789abcdef";
    std::string name(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4) name[std::size_t(i)] = digits[hash & 15];
    return name + ".kth";
}

std::string DefaultThumbnailDirectory()
{
    const char* cache = std::getenv("XDG_CACHE_HOME");
    if (cache && cache[0] == '/') return std::string(cache) + "/kestrel/thumbnails/";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return std::string(home) + "/.cache/kestrel/thumbnails/";
    return std::string();
}

Thumbnail ScaleToThumbnail(const CDibImage& image)
{
    Thumbnail thumbnail;
    const std::int64_t width = image.Width(), height = image.Height();
    if (image.IsEmpty() || width <= 0 || height <= 0) {
        thumbnail.failed = true;
        return thumbnail;
    }
    // The larger share of the box decides; neither side below one pixel.
    std::int64_t w = THUMBNAIL_WIDTH, h = (THUMBNAIL_WIDTH * height + width / 2) / width;
    if (h > THUMBNAIL_HEIGHT) {
        h = THUMBNAIL_HEIGHT;
        w = (THUMBNAIL_HEIGHT * width + height / 2) / height;
    }
    thumbnail.width = int(std::clamp<std::int64_t>(w, 1, THUMBNAIL_WIDTH));
    thumbnail.height = int(std::clamp<std::int64_t>(h, 1, THUMBNAIL_HEIGHT));
    // White under a shot with transparent pixels, as the view paints it.
    thumbnail.pixels.assign(std::size_t(thumbnail.width) * std::size_t(thumbnail.height), WHITE);
    DeviceContext dc(thumbnail.pixels.data(), thumbnail.width, thumbnail.height, thumbnail.width * 4);
    image.Draw(&dc, 0, 0, thumbnail.width, thumbnail.height);
    return thumbnail;
}

Thumbnail MakeThumbnail(const std::string& path, std::optional<ThumbnailKey>& key)
{
    key.reset();
    const DecodedShot shot = ReadShotFile(path);
    if (!shot.opened || !shot.image) {
        Thumbnail failed;
        failed.failed = true;
        return failed;
    }
    key = ThumbnailKeyOf(path, *shot.opened);
    return ScaleToThumbnail(*shot.image);
}

std::optional<Thumbnail> ThumbnailStore::Read(const ThumbnailKey& key) const
{
    if (m_directory.empty()) return std::nullopt;
    constexpr std::size_t LARGEST = sizeof MAGIC + 4 + MAX_PATH_BYTES + 8 + 8 + 2 + 2 + 1 +
                                    std::size_t(THUMBNAIL_WIDTH) * THUMBNAIL_HEIGHT * 4;
    std::string bytes;
    if (!ReadWholeFile(PathFor(key), LARGEST, bytes)) return std::nullopt;
    ByteCursor in(reinterpret_cast<const BYTE*>(bytes.data()), bytes.size());
    // Numbers are taken as Put wrote them; texts are copied out.
    const auto number = [&in](auto& value) { return in.Bytes(&value, sizeof value); };
    const auto text = [&in](std::size_t count, std::string& value) {
        if (count > in.Left()) return false;
        value.assign(reinterpret_cast<const char*>(in.Here()), count);
        return in.Skip(count);
    };
    std::string magic;
    std::uint32_t pathBytes = 0;
    ThumbnailKey stored;
    std::uint16_t width = 0, height = 0;
    std::uint8_t failed = 0;
    if (!text(sizeof MAGIC, magic) || magic != std::string(MAGIC, sizeof MAGIC)) return std::nullopt;
    if (!number(pathBytes) || pathBytes > MAX_PATH_BYTES || !text(pathBytes, stored.path)) return std::nullopt;
    if (!number(stored.size) || !number(stored.mtimeNs) || !(stored == key)) return std::nullopt;
    if (!number(width) || !number(height) || !number(failed) || failed > 1) return std::nullopt;
    const bool sized = width >= 1 && width <= THUMBNAIL_WIDTH && height >= 1 && height <= THUMBNAIL_HEIGHT;
    if (failed ? (width != 0 || height != 0) : !sized) return std::nullopt;
    const std::size_t count = std::size_t(width) * height;
    if (in.Left() != count * 4) return std::nullopt;
    Thumbnail thumbnail;
    thumbnail.width = width;
    thumbnail.height = height;
    thumbnail.failed = failed != 0;
    thumbnail.pixels.resize(count);
    if (count) std::memcpy(thumbnail.pixels.data(), in.Here(), count * 4);
    return thumbnail;
}

bool ThumbnailStore::Write(const ThumbnailKey& key, const Thumbnail& thumbnail) const
{
    if (m_directory.empty() || key.path.size() > MAX_PATH_BYTES) return false;
    if (thumbnail.pixels.size() != std::size_t(thumbnail.width) * std::size_t(thumbnail.height)) return false;
    if (!MakeDirectories(m_directory)) return false;
    std::string out(MAGIC, sizeof MAGIC);
    Put(out, std::uint32_t(key.path.size()));
    out += key.path;
    Put(out, key.size);
    Put(out, key.mtimeNs);
    Put(out, std::uint16_t(thumbnail.width));
    Put(out, std::uint16_t(thumbnail.height));
    Put(out, std::uint8_t(thumbnail.failed ? 1 : 0));
    out.append(reinterpret_cast<const char*>(thumbnail.pixels.data()), thumbnail.pixels.size() * 4);

    // Written beside it and renamed over it, so a reader never sees half.
    const std::string path = PathFor(key);
    std::string part = path + ".XXXXXX";
    const int fd = mkstemp(part.data());
    if (fd < 0) return false;
    bool ok = true;
    for (std::size_t at = 0; ok && at < out.size();) {
        const ssize_t written = ::write(fd, out.data() + at, out.size() - at);
        if (written < 0 && errno == EINTR) continue;
        ok = written > 0;
        if (ok) at += std::size_t(written);
    }
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(part.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(part.c_str());
    return ok;
}

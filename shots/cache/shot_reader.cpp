#include "shots/cache/shot_reader.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <new>
#include <string_view>

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

namespace {

struct Signature {
    ImageFormat format;
    const char* name;
    std::string_view bytes[2];  // any of them; TGA has none
};

constexpr std::string_view operator""_b(const char* text, std::size_t size) { return {text, size}; }

const Signature kSignatures[] = {
    {ImageFormat::Gif, "GIF", {"GIF"_b, {}}},
    {ImageFormat::Png, "PNG", {"\x89PNG\r\n\x1a\n"_b, {}}},
    {ImageFormat::Jpeg, "JPEG", {"\xff\xd8"_b, {}}},
    {ImageFormat::Tiff, "TIFF", {"II*\0"_b, "MM\0*"_b}},
    {ImageFormat::Bmp, "BMP", {"BM"_b, {}}},
    {ImageFormat::Ico, "ICO", {"\0\0\1\0"_b, {}}},
    {ImageFormat::Pcx, "PCX", {"\x0a"_b, {}}},
};

}  // namespace

std::string ShotFailureReason(const std::string& path, const CDibImage* image)
{
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) return "cannot be read: " + ErrorText(errno);
    if (!S_ISREG(status.st_mode)) return "not a regular file";
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return "cannot be read: " + ErrorText(errno);
    char head[8] = {};
    const ssize_t got = ::read(fd, head, sizeof head);
    ::close(fd);
    if (got < 0) return "cannot be read: " + ErrorText(errno);
    const std::string_view start(head, std::size_t(got));
    const ImageFormat format = ShotFormatForPath(path);
    for (const Signature& signature : kSignatures) {
        if (signature.format != format) continue;
        bool matches = false;
        for (std::string_view bytes : signature.bytes) matches = matches || (!bytes.empty() && start.starts_with(bytes));
        if (!matches) return std::string("not a ") + signature.name + " file";
    }
    if (image && image->LastError()[0]) return image->LastError();
    return "damaged: the picture data ends early";
}

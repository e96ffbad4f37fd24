#include "shots/list/shot_completeness.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "formats/gif_structure.h"
#include "shots/list/file_status.h"
#include "shots/list/shot_types.h"

namespace {

std::uint32_t BigEndian32(const std::uint8_t* at)
{
    return (std::uint32_t(at[0]) << 24) | (std::uint32_t(at[1]) << 16) | (std::uint32_t(at[2]) << 8) | at[3];
}

// The whole regular file, or false when it cannot be read or holds more
// than maxBytes.
bool ReadRegularFile(const std::string& path, std::size_t maxBytes, std::vector<std::uint8_t>& bytes)
{
    FILE* file = OpenRegularFile(path);
    if (!file) return false;
    bytes.clear();
    std::uint8_t buffer[65536];
    bool ok = true;
    for (;;) {
        const std::size_t got = std::fread(buffer, 1, sizeof buffer, file);
        if (got == 0) break;
        if (bytes.size() + got > maxBytes) {
            ok = false;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    if (std::ferror(file)) ok = false;
    std::fclose(file);
    return ok;
}

}  // namespace

ShotCompleteness CheckPngCompleteness(const std::uint8_t* bytes, std::size_t size)
{
    static constexpr std::uint8_t SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    if (size == 0) return ShotCompleteness::Incomplete;
    if (std::memcmp(bytes, SIGNATURE, std::min(size, sizeof SIGNATURE)) != 0) return ShotCompleteness::Damaged;
    if (size < sizeof SIGNATURE) return ShotCompleteness::Incomplete;
    std::size_t at = sizeof SIGNATURE;
    // Each chunk: length, type, data, CRC.
    for (;;) {
        if (size - at < 8) return ShotCompleteness::Incomplete;
        const std::uint32_t length = BigEndian32(bytes + at);
        if (length > 0x7FFFFFFFu) return ShotCompleteness::Damaged;
        const std::uint64_t chunk = std::uint64_t(12) + length;
        const bool whole = chunk <= size - at;
        if (std::memcmp(bytes + at + 4, "IEND", 4) == 0) {
            return whole ? ShotCompleteness::Complete : ShotCompleteness::Incomplete;
        }
        if (!whole) return ShotCompleteness::Incomplete;
        at += std::size_t(chunk);
    }
}

ShotCompleteness CheckJpegCompleteness(const std::uint8_t* bytes, std::size_t size)
{
    if (size == 0) return ShotCompleteness::Incomplete;
    if (bytes[0] != 0xFF || (size > 1 && bytes[1] != 0xD8)) return ShotCompleteness::Damaged;
    std::size_t at = 2;
    for (;;) {
        // A marker: 0xFF, any fill bytes 0xFF, then its code.
        if (at >= size) return ShotCompleteness::Incomplete;
        if (bytes[at] != 0xFF) return ShotCompleteness::Damaged;
        while (at < size && bytes[at] == 0xFF) ++at;
        if (at >= size) return ShotCompleteness::Incomplete;
        const std::uint8_t code = bytes[at++];
        if (code == 0xD9) return ShotCompleteness::Complete;
        if (code == 0x00) return ShotCompleteness::Damaged;
        if (code == 0x01 || (code >= 0xD0 && code <= 0xD7)) continue;  // no length
        if (size - at < 2) return ShotCompleteness::Incomplete;
        const std::size_t length = (std::size_t(bytes[at]) << 8) | bytes[at + 1];
        if (length < 2) return ShotCompleteness::Damaged;
        if (size - at < length) return ShotCompleteness::Incomplete;
        at += length;
        if (code != 0xDA) continue;
        // Entropy-coded data after a scan's header: up to the first 0xFF
        // that is neither stuffed (0xFF 0x00) nor a restart marker.
        for (;;) {
            const void* found = std::memchr(bytes + at, 0xFF, size - at);
            if (!found) return ShotCompleteness::Incomplete;
            at = std::size_t(static_cast<const std::uint8_t*>(found) - bytes);
            std::size_t codeAt = at + 1;
            while (codeAt < size && bytes[codeAt] == 0xFF) ++codeAt;
            if (codeAt >= size) return ShotCompleteness::Incomplete;
            const std::uint8_t next = bytes[codeAt];
            if (next == 0x00 || (next >= 0xD0 && next <= 0xD7)) {
                at = codeAt + 1;
                continue;
            }
            at = codeAt - 1;  // the last 0xFF before the code
            break;
        }
    }
}

ShotCompleteness CheckShotFileCompleteness(const std::string& path, std::size_t maxBytes)
{
    const ImageFormat format = ShotFormatForPath(path);
    if (format == ImageFormat::Gif) {
        switch (CheckGifFileCompleteness(path, maxBytes)) {
        case GifCompleteness::Complete:
            return ShotCompleteness::Complete;
        case GifCompleteness::Incomplete:
            return ShotCompleteness::Incomplete;
        default:
            return ShotCompleteness::Damaged;
        }
    }
    if (format != ImageFormat::Png && format != ImageFormat::Jpeg) return ShotCompleteness::Incomplete;
    std::vector<std::uint8_t> bytes;
    if (!ReadRegularFile(path, maxBytes, bytes)) return ShotCompleteness::Damaged;
    return format == ImageFormat::Png ? CheckPngCompleteness(bytes.data(), bytes.size())
                                      : CheckJpegCompleteness(bytes.data(), bytes.size());
}

#include "shots/list/file_status.h"

#include <fcntl.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <limits>

std::int64_t ToFileTime(const struct timespec& time)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    std::int64_t intervals = 0;
    if (__builtin_mul_overflow(std::int64_t(time.tv_sec), std::int64_t(10000000), &intervals) ||
        __builtin_add_overflow(intervals, std::int64_t(time.tv_nsec / 100), &intervals) ||
        __builtin_add_overflow(intervals, kFileTimeUnixEpoch, &intervals)) {
        return time.tv_sec < 0 ? kMin : kMax;
    }
    return intervals;
}

bool StatAsListed(int directoryFd, const char* name, struct stat& status)
{
    return fstatat(directoryFd, name, &status, 0) == 0 ||
           fstatat(directoryFd, name, &status, AT_SYMLINK_NOFOLLOW) == 0;
}

bool StatAsListed(const std::string& path, struct stat& status)
{
    return StatAsListed(AT_FDCWD, path.c_str(), status);
}

FILE* OpenRegularFile(const std::string& path)
{
    // A look first, so that nothing but a regular file is ever opened (a
    // device may act on being opened); the open itself does not wait, in
    // case the name changed hands in between, and fstat then has the word.
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) return nullptr;
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) return nullptr;
    const int flags = fcntl(fd, F_GETFL);
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 ||
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        close(fd);
        return nullptr;
    }
    FILE* file = fdopen(fd, "rb");
    if (!file) close(fd);
    return file;
}

std::string ErrorText(int error)
{
    if (error == ELOOP) return "a loop of symbolic links";
    std::string text = std::strerror(error);
    if (!text.empty()) text[0] = char(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

FileSnapshot SnapshotAsListed(const std::string& path)
{
    FileSnapshot snapshot;
    struct stat status {};
    if (!StatAsListed(path, status)) return snapshot;
    snapshot.present = true;
    snapshot.regular = S_ISREG(status.st_mode);
    snapshot.size = static_cast<long long>(status.st_size);
    snapshot.lastWriteTime = ToFileTime(status.st_mtim);
    return snapshot;
}

bool IsRemoteFileSystem(const std::string& directory)
{
    struct statfs status {};
    if (statfs(directory.empty() ? "." : directory.c_str(), &status) != 0) return false;
    // The kernel's magic numbers (linux/magic.h and the file systems' own).
    switch (static_cast<unsigned long>(status.f_type) & 0xFFFFFFFFul) {
    case 0x6969ul:      // NFS
    case 0x517Bul:      // SMB
    case 0xFF534D42ul:  // CIFS
    case 0xFE534D42ul:  // SMB2
    case 0x65735546ul:  // FUSE
    case 0x01021997ul:  // 9P
    case 0x00C36400ul:  // Ceph
    case 0x5346414Ful:  // AFS
        return true;
    default:
        return false;
    }
}

GifCompleteness CheckGifFileCompleteness(const std::string& path, std::size_t maxBytes)
{
    FILE* file = OpenRegularFile(path);
    const GifCompleteness result = CheckGifStreamCompleteness(file, maxBytes);
    if (file) std::fclose(file);
    return result;
}

// How the shot list sees the files of its directory, in one place for the
// listing, the follower and the loading of a shot:
// - last-write times as signed 64-bit counts of 100-nanosecond intervals
//   since 1 January 1601 (UTC), the classic file-time scale;
// - an entry's status through a link, or the link's own when it leads
//   nowhere;
// - opening a shot without waiting on it: only regular files are read, so a
//   FIFO, socket or device named *.gif never blocks the window.
#pragma once

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "formats/gif_structure.h"

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kFileTimeUnixEpoch = 116444736000000000;

// The file time of a status time. Times beyond what 64 bits hold (a file
// system may keep any 64-bit second count) saturate at the ends of the
// range instead of wrapping.
std::int64_t ToFileTime(const struct timespec& time);

// The status of the entry name of the directory open as directoryFd
// (AT_FDCWD: name is a path), as the listing reads it. False when neither
// the entry nor a link of that name can be read.
bool StatAsListed(int directoryFd, const char* name, struct stat& status);
bool StatAsListed(const std::string& path, struct stat& status);

// An entry as the listing sees it, for telling whether it changed.
struct FileSnapshot {
    bool present = false;  // false: gone (or unreadable)
    bool regular = false;  // a regular file, the only kind that is read
    long long size = -1;
    std::int64_t lastWriteTime = 0;
    bool operator==(const FileSnapshot&) const = default;
};
FileSnapshot SnapshotAsListed(const std::string& path);

// Whether changes to directory made elsewhere may go unnoticed by the
// kernel's change notification: network file systems (NFS, CIFS/SMB) and
// file systems in user space (FUSE).
bool IsRemoteFileSystem(const std::string& directory);

// Opens path for reading ("rb") when it is a regular file, without waiting
// on whatever it is. Null for anything else, and when it cannot be opened.
// The caller closes the stream.
FILE* OpenRegularFile(const std::string& path);

// An errno value as the messages write it: "permission denied", "a loop of
// symbolic links".
std::string ErrorText(int error);

// Walks the GIF structure of the regular file path (at most maxBytes of
// it; a longer file is Damaged, as is one that cannot be read or is not a
// regular file).
GifCompleteness CheckGifFileCompleteness(const std::string& path, std::size_t maxBytes = std::size_t(64) << 20);

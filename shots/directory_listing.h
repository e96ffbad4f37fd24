// The directory listing the shot list is made from: every entry of one
// directory whose name ends in a given extension, whatever the letter case
// (".gif" takes x.gif, x.GIF and x.Gif), directories included, with each
// entry's last-write time.
//
// Entries come in name order, the byte order of the names as strcmp compares
// them ("B.gif" before "a.gif"). Callers that sort by time keep this as the
// order among equal times, so it must not depend on the file system.
//
// Times are signed 64-bit counts of 100-nanosecond intervals since
// 1 January 1601 (UTC), the classic file-time scale.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DirectoryEntry {
    std::string name;
    std::int64_t lastWriteTime;
};

// 100-nanosecond intervals from 1601-01-01 to 1970-01-01.
constexpr std::int64_t kFileTimeUnixEpoch = 116444736000000000;

// directory may end in a separator or not. An unreadable or missing
// directory lists nothing. Entries whose status cannot be read (removed while
// listing) are left out; a symbolic link that leads nowhere is listed with
// its own time.
std::vector<DirectoryEntry> ListDirectoryByExtension(const std::string& directory,
                                                     const std::string& extension);

// Case-insensitive (ASCII) test of name ending in extension.
bool HasExtension(const std::string& name, const std::string& extension);

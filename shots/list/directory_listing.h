// The directory listing the shot list is made from: every entry of one
// directory whose name ends in a given extension, whatever the letter case
// (".gif" takes x.gif, x.GIF and x.Gif), directories included, with each
// entry's last-write time.
//
// Entries come in name order, the byte order of the names as strcmp compares
// them ("B.gif" before "a.gif"). Callers that sort by time keep this as the
// order among equal times, so it must not depend on the file system.
//
// Times are file times (file_status.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shots/list/file_status.h"

struct DirectoryEntry {
    std::string name;
    std::int64_t lastWriteTime;
};

// directory may end in a separator or not. An unreadable or missing
// directory lists nothing, and error (when given) receives the reason as an
// errno value, 0 when the directory was listed. Entries whose status cannot
// be read (removed while listing) are left out; a symbolic link that leads
// nowhere is listed with its own time.
std::vector<DirectoryEntry> ListDirectoryByExtension(const std::string& directory,
                                                     const std::string& extension, int* error = nullptr);

// The same for every entry whose name keep accepts.
std::vector<DirectoryEntry> ListDirectoryMatching(const std::string& directory,
                                                  const std::function<bool(std::string_view)>& keep,
                                                  int* error = nullptr);

// Case-insensitive (ASCII) test of name ending in extension.
bool HasExtension(const std::string& name, const std::string& extension);

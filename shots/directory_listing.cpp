#include "shots/directory_listing.h"

#include <dirent.h>

#include <algorithm>
#include <cstdint>
#include <string_view>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

// The extension test on the bytes readdir gives, before any string is made.
bool NameHasExtension(std::string_view name, std::string_view extension)
{
    if (name.size() < extension.size()) return false;
    const std::size_t start = name.size() - extension.size();
    for (std::size_t i = 0; i < extension.size(); ++i) {
        if (LowerAscii(name[start + i]) != LowerAscii(extension[i])) return false;
    }
    return true;
}

// Sorts in byte order of the names, as strcmp has it. The names of a shot
// directory mostly share a long beginning ("shot0001.gif", "shot0002.gif"),
// so comparing whole names spends its time on equal bytes. Past the
// beginning common to all, the next eight bytes read as a big-endian number
// (short names padded with zeros, which no name holds) order the names as
// those bytes do; only names equal there are compared in full.
void SortByName(std::vector<DirectoryEntry>& entries)
{
    if (entries.size() < 2) return;
    std::size_t common = entries[0].name.size();
    for (const DirectoryEntry& entry : entries) {
        const std::string& first = entries[0].name;
        common = std::min(common, entry.name.size());
        std::size_t i = 0;
        while (i < common && entry.name[i] == first[i]) ++i;
        common = i;
    }

    struct Key {
        std::uint64_t head;
        std::size_t index;
    };
    std::vector<Key> keys(entries.size());
    for (std::size_t n = 0; n < entries.size(); ++n) {
        const std::string& name = entries[n].name;
        std::uint64_t head = 0;
        for (std::size_t i = common; i < common + 8; ++i) {
            head = (head << 8) | (i < name.size() ? std::uint8_t(name[i]) : 0u);
        }
        keys[n] = {head, n};
    }
    // std::string compares bytes as unsigned char, as strcmp does, and names
    // hold no NUL.
    std::sort(keys.begin(), keys.end(), [&entries](const Key& a, const Key& b) {
        if (a.head != b.head) return a.head < b.head;
        return entries[a.index].name < entries[b.index].name;
    });

    std::vector<DirectoryEntry> sorted;
    sorted.reserve(entries.size());
    for (const Key& key : keys) sorted.push_back(std::move(entries[key.index]));
    entries = std::move(sorted);
}

}  // namespace

bool HasExtension(const std::string& name, const std::string& extension)
{
    return NameHasExtension(name, extension);
}

std::vector<DirectoryEntry> ListDirectoryByExtension(const std::string& directory,
                                                     const std::string& extension)
{
    std::vector<DirectoryEntry> entries;
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return entries;

    // Status through the open directory, by name: the kernel does not walk
    // the directory's own path again for every entry.
    const int dirFd = dirfd(dir);
    while (const struct dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || !NameHasExtension(name, extension)) continue;
        struct stat status {};
        if (!StatAsListed(dirFd, entry->d_name, status)) continue;
        entries.push_back({std::string(name), ToFileTime(status.st_mtim)});
    }
    closedir(dir);

    SortByName(entries);
    return entries;
}

#include "shots/list/directory_listing.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string_view>
#include <system_error>
#include <thread>

namespace {

// Entries from which the status is taken by two threads.
constexpr std::size_t PARALLEL_STATUS_ENTRIES = 4096;

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
                                                     const std::string& extension, int* error)
{
    return ListDirectoryMatching(
        directory, [&extension](std::string_view name) { return NameHasExtension(name, extension); }, error);
}

std::vector<DirectoryEntry> ListDirectoryMatching(const std::string& directory,
                                                  const std::function<bool(std::string_view)>& keep, int* error)
{
    std::vector<DirectoryEntry> entries;
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (error) *error = dir ? 0 : errno;
    if (!dir) return entries;

    while (const struct dirent* entry = readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || !keep(name)) continue;
        entries.push_back({std::string(name), 0});
    }

    // Status through the open directory, by name: the kernel does not walk
    // the directory's own path again for every entry. A large directory is
    // looked at by two threads, each taking its half; what cannot be read
    // (removed meanwhile) is left out afterwards.
    const int dirFd = dirfd(dir);
    std::vector<std::uint8_t> seen(entries.size(), 0);
    const auto look = [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            struct stat status {};
            if (!StatAsListed(dirFd, entries[i].name.c_str(), status)) continue;
            entries[i].lastWriteTime = ToFileTime(status.st_mtim);
            seen[i] = 1;
        }
    };
    const std::size_t half = entries.size() / 2;
    std::thread helper;
    if (entries.size() >= PARALLEL_STATUS_ENTRIES && std::thread::hardware_concurrency() > 1) {
        try {
            helper = std::thread(look, half, entries.size());
        } catch (const std::system_error&) {
            // No thread to be had: this one looks at them all.
        }
    }
    look(0, helper.joinable() ? half : entries.size());
    if (helper.joinable()) helper.join();
    closedir(dir);
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (!seen[i]) continue;
        if (kept != i) entries[kept] = std::move(entries[i]);
        ++kept;
    }
    entries.resize(kept);

    SortByName(entries);
    return entries;
}

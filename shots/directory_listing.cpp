#include "shots/directory_listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstring>

namespace {

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::int64_t ToFileTime(const struct timespec& time)
{
    return kFileTimeUnixEpoch + std::int64_t(time.tv_sec) * 10000000 + time.tv_nsec / 100;
}

}  // namespace

bool HasExtension(const std::string& name, const std::string& extension)
{
    if (name.size() < extension.size()) return false;
    const std::size_t start = name.size() - extension.size();
    for (std::size_t i = 0; i < extension.size(); ++i) {
        if (LowerAscii(name[start + i]) != LowerAscii(extension[i])) return false;
    }
    return true;
}

std::vector<DirectoryEntry> ListDirectoryByExtension(const std::string& directory,
                                                     const std::string& extension)
{
    std::vector<DirectoryEntry> entries;
    DIR* dir = opendir(directory.empty() ? "." : directory.c_str());
    if (!dir) return entries;

    std::string prefix = directory;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';

    while (const struct dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || !HasExtension(name, extension)) continue;
        const std::string path = prefix + name;
        struct stat status {};
        if (stat(path.c_str(), &status) != 0 && lstat(path.c_str(), &status) != 0) continue;
        entries.push_back({name, ToFileTime(status.st_mtim)});
    }
    closedir(dir);

    std::sort(entries.begin(), entries.end(), [](const DirectoryEntry& a, const DirectoryEntry& b) {
        return std::strcmp(a.name.c_str(), b.name.c_str()) < 0;
    });
    return entries;
}

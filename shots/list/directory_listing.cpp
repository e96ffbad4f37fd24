#include "shots/list/directory_listing.h"

#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>

namespace {

// Entries whose status one thread takes at a time; a directory larger than
// one batch is looked at by two threads.
constexpr std::size_t STATUS_BATCH_ENTRIES = 4096;

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

    // Into place cycle by cycle, without a second list of a million names:
    // position n takes the entry keys[n] names; a key pointing at its own
    // position marks it done.
    for (std::size_t start = 0; start < keys.size(); ++start) {
        if (keys[start].index == start) continue;
        DirectoryEntry held = std::move(entries[start]);
        std::size_t at = start;
        while (keys[at].index != start) {
            const std::size_t from = keys[at].index;
            entries[at] = std::move(entries[from]);
            keys[at].index = at;
            at = from;
        }
        entries[at] = std::move(held);
        keys[at].index = at;
    }
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
    const int dirFd = dirfd(dir);

    // Names are read in batches; each batch's status is taken through the
    // open directory, by name (the kernel does not walk the directory's own
    // path again for every entry). In a large directory a second thread
    // takes the status of full batches while this one reads on, and both
    // finish the rest. The batches belong to this function; a thread owns a
    // batch from taking it under the mutex until it is done with it, and
    // the reader never touches a batch once handed over.
    struct Batch {
        std::vector<DirectoryEntry> entries;
        std::vector<std::uint8_t> seen;
    };
    std::deque<Batch> batches;
    std::mutex mutex;
    std::condition_variable handedOver;
    std::size_t nextToLook = 0;
    bool allRead = false;

    const auto look = [dirFd](Batch& batch) {
        batch.seen.assign(batch.entries.size(), 0);
        for (std::size_t i = 0; i < batch.entries.size(); ++i) {
            struct stat status {};
            if (!StatAsListed(dirFd, batch.entries[i].name.c_str(), status)) continue;
            batch.entries[i].lastWriteTime = ToFileTime(status.st_mtim);
            batch.seen[i] = 1;
        }
    };
    const auto lookAtBatches = [&] {
        for (;;) {
            std::unique_lock<std::mutex> lock(mutex);
            handedOver.wait(lock, [&] { return nextToLook < batches.size() || allRead; });
            if (nextToLook == batches.size()) return;
            Batch& batch = batches[nextToLook++];
            lock.unlock();
            look(batch);
        }
    };

    std::thread helper;
    Batch reading;
    // The last batch ends the reading; a full one before it brings in the
    // helper.
    const auto handOver = [&](bool last) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            batches.push_back(std::move(reading));
            allRead = last;
        }
        handedOver.notify_all();
        reading = Batch();
        if (!last && !helper.joinable() && std::thread::hardware_concurrency() > 1) {
            try {
                helper = std::thread(lookAtBatches);
            } catch (const std::system_error&) {
                // No thread to be had: this one looks at them all.
            }
        }
    };
    const auto finish = [&] {
        {
            std::lock_guard<std::mutex> lock(mutex);
            allRead = true;
        }
        handedOver.notify_all();
        if (helper.joinable()) helper.join();
        closedir(dir);
    };
    try {
        while (const struct dirent* entry = readdir(dir)) {
            const std::string_view name = entry->d_name;
            if (name == "." || name == ".." || !keep(name)) continue;
            reading.entries.push_back({std::string(name), 0});
            if (reading.entries.size() == STATUS_BATCH_ENTRIES) handOver(false);
        }
        handOver(true);
        lookAtBatches();
    } catch (...) {
        // Out of memory, say: the helper stops before what it uses goes.
        finish();
        throw;
    }
    finish();

    // What cannot be read (removed meanwhile) is left out.
    std::size_t total = 0;
    for (const Batch& batch : batches) total += batch.entries.size();
    entries.reserve(total);
    for (Batch& batch : batches) {
        for (std::size_t i = 0; i < batch.entries.size(); ++i) {
            if (batch.seen[i]) entries.push_back(std::move(batch.entries[i]));
        }
        batch = Batch();
    }

    SortByName(entries);
    return entries;
}

// ShotDirectoryWatch: the kernel's change notification (inotify) on one
// directory, reduced to what the shot list needs: which GIF names were
// touched, which were renamed within the directory, and whether events were
// lost or the directory itself went away.
//
// The descriptor is non-blocking; the owner waits for it to become readable
// (a QSocketNotifier) and then calls Read, which drains everything queued.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class ShotDirectoryWatch {
public:
    struct Touched {
        std::string name;
        bool closedAfterWrite = false;  // a writer closed it, or it was moved in
        bool written = false;           // its content changed
    };
    struct Rename {
        std::string from;
        std::string to;
    };
    struct Batch {
        std::vector<Touched> touched;  // one entry per name, in order of first event
        std::vector<Rename> renames;   // both halves seen in this batch
        bool lost = false;             // the kernel's queue overflowed: list again
        bool directoryGone = false;    // removed, moved away or unmounted
    };

    ShotDirectoryWatch() = default;
    ~ShotDirectoryWatch();
    ShotDirectoryWatch(const ShotDirectoryWatch&) = delete;
    ShotDirectoryWatch& operator=(const ShotDirectoryWatch&) = delete;

    // Watches directory for names ending in extension (any letter case).
    // False when the kernel refuses (no such directory, watch limit).
    bool Start(const std::string& directory, const std::string& extension);
    // Watches directory for the names ours accepts; it is asked on the
    // owner's thread, from Read.
    bool Start(const std::string& directory, std::function<bool(std::string_view)> ours);
    void Stop();
    bool IsRunning() const { return m_fd >= 0; }
    int Descriptor() const { return m_fd; }

    // Everything queued now; an empty batch when nothing is.
    Batch Read();

private:
    int m_fd = -1;
    int m_watch = -1;
    std::function<bool(std::string_view)> m_ours;
};

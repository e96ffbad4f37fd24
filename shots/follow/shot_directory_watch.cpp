#include "shots/follow/shot_directory_watch.h"

#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <unordered_map>

#include "shots/list/directory_listing.h"

namespace {

constexpr std::uint32_t kWatchedEvents = IN_CREATE | IN_MODIFY | IN_ATTRIB | IN_CLOSE_WRITE | IN_MOVED_FROM |
                                         IN_MOVED_TO | IN_DELETE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;

}  // namespace

ShotDirectoryWatch::~ShotDirectoryWatch() { Stop(); }

bool ShotDirectoryWatch::Start(const std::string& directory, const std::string& extension)
{
    return Start(directory, [extension](std::string_view name) { return HasExtension(std::string(name), extension); });
}

bool ShotDirectoryWatch::Start(const std::string& directory, std::function<bool(std::string_view)> ours)
{
    Stop();
    m_ours = std::move(ours);
    m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_fd < 0) return false;
    m_watch = inotify_add_watch(m_fd, directory.empty() ? "." : directory.c_str(), kWatchedEvents);
    if (m_watch < 0) {
        Stop();
        return false;
    }
    return true;
}

void ShotDirectoryWatch::Stop()
{
    if (m_fd >= 0) close(m_fd);
    m_fd = -1;
    m_watch = -1;
}

ShotDirectoryWatch::Batch ShotDirectoryWatch::Read()
{
    Batch batch;
    if (m_fd < 0) return batch;

    std::unordered_map<std::string, std::size_t> touchedAt;
    std::unordered_map<std::uint32_t, std::string> movedFrom;  // by cookie
    auto touch = [&](const std::string& name) -> Touched& {
        const auto found = touchedAt.find(name);
        if (found != touchedAt.end()) return batch.touched[found->second];
        touchedAt[name] = batch.touched.size();
        batch.touched.push_back(Touched{name});
        return batch.touched.back();
    };

    alignas(struct inotify_event) char buffer[64 * 1024];
    for (;;) {
        const ssize_t length = read(m_fd, buffer, sizeof buffer);
        if (length < 0 && errno == EINTR) continue;
        if (length <= 0) break;  // EAGAIN: drained

        for (ssize_t at = 0; at + ssize_t(sizeof(struct inotify_event)) <= length;) {
            struct inotify_event event;
            std::memcpy(&event, buffer + at, sizeof event);
            const char* nameBytes = buffer + at + sizeof event;
            at += ssize_t(sizeof event + event.len);
            if (at > length) break;

            if (event.mask & IN_Q_OVERFLOW) batch.lost = true;
            if (event.mask & (IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT | IN_IGNORED)) batch.directoryGone = true;
            if (event.len == 0) continue;
            const std::string name(nameBytes, strnlen(nameBytes, event.len));
            const bool ours = m_ours && m_ours(name);

            if (event.mask & IN_MOVED_FROM) {
                if (ours) {
                    movedFrom[event.cookie] = name;
                    touch(name);
                }
                continue;
            }
            if (event.mask & IN_MOVED_TO) {
                const auto from = movedFrom.find(event.cookie);
                if (ours && from != movedFrom.end()) {
                    batch.renames.push_back(Rename{from->second, name});
                    movedFrom.erase(from);
                }
                // A file moved in from elsewhere arrives whole.
                if (ours) touch(name).closedAfterWrite = true;
                continue;
            }
            if (!ours) continue;
            Touched& touched = touch(name);
            if (event.mask & IN_MODIFY) touched.written = true;
            if (event.mask & IN_CLOSE_WRITE) touched.closedAfterWrite = true;
        }
    }
    return batch;
}

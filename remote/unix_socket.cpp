#include "remote/unix_socket.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr int LISTEN_BACKLOG = 16;

bool FillAddress(const std::string& path, sockaddr_un& address, std::string& reason)
{
    address = {};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path || path.find('\0') != std::string::npos) {
        reason = "'" + path + "' cannot name a socket (at most " + std::to_string(sizeof address.sun_path - 1) +
                 " bytes)";
        return false;
    }
    std::memcpy(address.sun_path, path.data(), path.size());
    return true;
}

std::string Failed(const std::string& what, const std::string& path)
{
    return "cannot " + what + " '" + path + "': " + std::strerror(errno);
}

}  // namespace

UnixListener::~UnixListener() { Close(); }

void UnixListener::Close()
{
    if (m_fd < 0) return;
    ::close(m_fd);
    m_fd = -1;
    // Only our own socket goes: another may have taken the path since.
    struct stat status {};
    if (::lstat(m_path.c_str(), &status) == 0 && S_ISSOCK(status.st_mode) && status.st_dev == m_device &&
        status.st_ino == m_inode)
        ::unlink(m_path.c_str());
}

bool UnixListener::Listen(const std::string& path, std::string& reason)
{
    Close();
    sockaddr_un address;
    if (!FillAddress(path, address, reason)) return false;
    struct stat status {};
    if (::lstat(path.c_str(), &status) == 0) {
        if (!S_ISSOCK(status.st_mode)) {
            reason = "cannot listen on '" + path + "': it exists and is not a socket";
            return false;
        }
        std::string ignored;
        const int live = ConnectUnixSocket(path, ignored);
        if (live >= 0) {
            ::close(live);
            reason = "cannot listen on '" + path + "': another program is listening there";
            return false;
        }
        if (errno != ECONNREFUSED) {
            reason = Failed("listen on", path);
            return false;
        }
        // Left behind by a program that has gone.
        if (::unlink(path.c_str()) != 0) {
            reason = Failed("replace the stale socket", path);
            return false;
        }
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        reason = Failed("make a socket for", path);
        return false;
    }
    // Made with mode 0600: nobody else can connect, not even for a moment.
    const mode_t previous = ::umask(0177);
    const int bound = ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    ::umask(previous);
    if (bound != 0 || ::chmod(path.c_str(), 0600) != 0 || ::listen(fd, LISTEN_BACKLOG) != 0 ||
        ::lstat(path.c_str(), &status) != 0) {
        reason = Failed("listen on", path);
        ::close(fd);
        if (bound == 0) ::unlink(path.c_str());
        return false;
    }
    m_fd = fd;
    m_path = path;
    m_device = status.st_dev;
    m_inode = status.st_ino;
    return true;
}

int ConnectUnixSocket(const std::string& path, std::string& reason)
{
    sockaddr_un address;
    if (!FillAddress(path, address, reason)) {
        errno = EINVAL;
        return -1;
    }
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        reason = Failed("make a socket for", path);
        return -1;
    }
    if (::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        const int error = errno;
        reason = Failed("connect to", path);
        ::close(fd);
        errno = error;
        return -1;
    }
    return fd;
}

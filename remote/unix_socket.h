// Unix domain stream sockets by path: listening for the control socket,
// connecting for its clients. Nothing here listens on a network address.
#pragma once

#include <string>
#include <sys/types.h>

// A listening socket at a path, removed again when it goes (if the path
// still names this socket).
class UnixListener {
public:
    UnixListener() = default;
    ~UnixListener();
    UnixListener(const UnixListener&) = delete;
    UnixListener& operator=(const UnixListener&) = delete;

    // Listens at path, non-blocking, mode 0600. A socket left at path by a
    // program that has gone is replaced; anything else there is refused.
    // False with a one-line reason naming the path.
    bool Listen(const std::string& path, std::string& reason);
    void Close();
    int Descriptor() const { return m_fd; }
    const std::string& Path() const { return m_path; }

private:
    int m_fd = -1;
    std::string m_path;
    dev_t m_device = 0;
    ino_t m_inode = 0;
};

// Connects to the socket at path (blocking); -1 with a reason when that
// fails.
int ConnectUnixSocket(const std::string& path, std::string& reason);

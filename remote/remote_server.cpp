#include "remote/remote_server.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// How much one readable event may take before the others get their turn.
constexpr std::size_t READ_CHUNK = 16 * 1024;
constexpr int READS_PER_EVENT = 8;

}  // namespace

std::vector<int> RemoteServer::Clients() const
{
    std::vector<int> fds;
    for (const auto& entry : m_clients) fds.push_back(entry.first);
    return fds;
}

bool RemoteServer::WantsWrite(int fd) const
{
    const auto client = m_clients.find(fd);
    return client != m_clients.end() && !client->second.out.Empty();
}

void RemoteServer::Accept()
{
    for (;;) {
        const int fd = ::accept4(ListenDescriptor(), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) break;
        if (m_clients.size() >= MAX_CLIENTS) {
            ::close(fd);
            continue;
        }
        m_clients.emplace(fd, Client{});
        Changed();
    }
}

void RemoteServer::Read(int fd)
{
    // A handler that runs the event loop (a screenshot waits for paints)
    // may bring this back for more lines: they wait until the lines read
    // before them are answered.
    if (m_reading) {
        m_readAgain.insert(fd);
        return;
    }
    m_reading = true;
    ReadNow(fd);
    while (!m_readAgain.empty()) {
        const int next = *m_readAgain.begin();
        m_readAgain.erase(m_readAgain.begin());
        ReadNow(next);
    }
    m_reading = false;
}

void RemoteServer::ReadNow(int fd)
{
    char buffer[READ_CHUNK];
    for (int round = 0; round < READS_PER_EVENT; ++round) {
        const auto client = m_clients.find(fd);
        if (client == m_clients.end()) return;
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got == 0 || (got < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) {
            Drop(fd);
            return;
        }
        if (got < 0) break;
        std::vector<std::string> lines;
        if (!client->second.in.Append(std::string_view(buffer, std::size_t(got)), lines)) {
            Drop(fd);
            return;
        }
        for (const std::string& line : lines) {
            const std::string reply = m_handler(line);
            // The handler may have ended this client (quit closes all).
            if (!reply.empty() && !Queue(fd, reply)) return;
            if (!m_clients.count(fd)) return;
        }
        if (std::size_t(got) < sizeof buffer) break;
    }
    Flush(fd);
}

void RemoteServer::Flush(int fd)
{
    const auto client = m_clients.find(fd);
    if (client == m_clients.end()) return;
    RemoteSendQueue& out = client->second.out;
    while (!out.Empty()) {
        const std::string_view bytes = out.Front();
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) break;
            Drop(fd);
            return;
        }
        out.Consume(std::size_t(sent));
    }
    if (client->second.wantedWrite != !out.Empty()) {
        client->second.wantedWrite = !out.Empty();
        Changed();
    }
}

bool RemoteServer::Queue(int fd, std::string_view bytes)
{
    const auto client = m_clients.find(fd);
    if (client == m_clients.end()) return false;
    if (!client->second.out.Push(bytes)) {
        Drop(fd);
        return false;
    }
    return true;
}

void RemoteServer::Broadcast(std::string_view line)
{
    for (const int fd : Clients()) {
        if (Queue(fd, line)) Flush(fd);
    }
}

void RemoteServer::Drop(int fd)
{
    if (m_clients.erase(fd) == 0) return;
    ::close(fd);
    Changed();
}

void RemoteServer::Close()
{
    for (const int fd : Clients()) Drop(fd);
    m_listener.Close();
}

void RemoteServer::Changed()
{
    if (m_changed) m_changed();
}

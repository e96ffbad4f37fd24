// RemoteServer: the control socket's connections, without an event loop.
// Its owner waits for the descriptors to become readable (and, for a client
// with bytes queued, writable) and calls Accept, Read and Flush; the Qt side
// (remote/qt) does that with socket notifiers, a test with poll().
//
// Up to MAX_CLIENTS at once; a further one is closed at once. Each request
// line is answered through the handler before the next is read. A line
// over MAX_LINE bytes closes its connection; a client whose queue of
// replies and events would pass MAX_QUEUED bytes (it does not read) is
// dropped. Nothing ever blocks: a slow client only fills its own queue.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "remote/remote_lines.h"
#include "remote/unix_socket.h"

class RemoteServer {
public:
    static constexpr std::size_t MAX_CLIENTS = 16;
    static constexpr std::size_t MAX_LINE = 64 * 1024;
    static constexpr std::size_t MAX_QUEUED = 1024 * 1024;

    // The reply line to a request line (empty: none).
    using Handler = std::function<std::string(std::string_view line)>;

    explicit RemoteServer(Handler handler) : m_handler(std::move(handler)) {}

    bool Listen(const std::string& path, std::string& reason) { return m_listener.Listen(path, reason); }
    int ListenDescriptor() const { return m_listener.Descriptor(); }
    const std::string& Path() const { return m_listener.Path(); }

    std::vector<int> Clients() const;
    std::size_t ClientCount() const { return m_clients.size(); }
    // Whether a client has bytes waiting for its socket to take them.
    bool WantsWrite(int fd) const;

    // The listening socket is readable.
    void Accept();
    // A client is readable (or closed).
    void Read(int fd);
    // A client is writable.
    void Flush(int fd);
    // Queues line (with its '\n') for every client.
    void Broadcast(std::string_view line);
    // Closes every connection and the socket, whose path goes.
    void Close();

    // Told when a client comes or goes, or starts or stops waiting to write.
    void SetClientsChanged(std::function<void()> changed) { m_changed = std::move(changed); }

private:
    struct Client {
        RemoteLineBuffer in{MAX_LINE};
        RemoteSendQueue out{MAX_QUEUED};
        bool wantedWrite = false;
    };
    // Queues bytes for fd; drops it when they do not fit.
    bool Queue(int fd, std::string_view bytes);
    void Drop(int fd);
    void Changed();
    void ReadNow(int fd);

    Handler m_handler;
    UnixListener m_listener;
    std::map<int, Client> m_clients;
    std::function<void()> m_changed;
    bool m_reading = false;
    std::set<int> m_readAgain;
};

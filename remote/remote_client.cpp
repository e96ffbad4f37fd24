#include "remote/remote_client.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <nlohmann/json.hpp>
#include <ostream>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "remote/remote_protocol.h"
#include "remote/remote_server.h"
#include "remote/unix_socket.h"

using nlohmann::json;

namespace {

constexpr long long REQUEST_ID = 1;

class Connection {
public:
    explicit Connection(int fd) : m_fd(fd) {}
    ~Connection() { ::close(m_fd); }

    bool SendAll(const std::string& bytes)
    {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t sent = ::send(m_fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
            if (sent < 0 && errno == EINTR) continue;
            if (sent <= 0) return false;
            done += std::size_t(sent);
        }
        return true;
    }

    // The next line; false at the end, on an error, after timeoutMs (< 0:
    // none) or when a line passes the limit.
    bool ReadLine(std::string& line, int timeoutMs)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        for (;;) {
            const std::size_t end = m_pending.find('\n');
            if (end != std::string::npos) {
                line = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                return true;
            }
            if (m_pending.size() > RemoteServer::MAX_QUEUED) return false;
            int wait = -1;
            if (timeoutMs >= 0) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                if (left.count() <= 0) return false;
                wait = int(left.count());
            }
            pollfd entry{m_fd, POLLIN, 0};
            const int ready = ::poll(&entry, 1, wait);
            if (ready < 0 && errno == EINTR) continue;
            if (ready <= 0) return false;
            char buffer[16384];
            const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, 0);
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) return false;
            m_pending.append(buffer, std::size_t(got));
        }
    }

private:
    int m_fd;
    std::string m_pending;
};

json WordValue(const std::string& word)
{
    long long number = 0;
    const char* begin = word.data();
    const char* end = begin + word.size();
    const auto [stop, error] = std::from_chars(begin, end, number);
    if (!word.empty() && error == std::errc() && stop == end) return number;
    return word;
}

}  // namespace

std::string RemoteRequestLine(const std::vector<std::string>& command, long long requestId)
{
    json words = json::array();
    for (std::size_t i = 0; i < command.size(); ++i) words.push_back(i == 0 ? json(command[i]) : WordValue(command[i]));
    return RemoteDump(json{{"command", words}, {"request_id", requestId}}) + '\n';
}

int RunRemoteClient(const std::vector<std::string>& words, std::ostream& out, std::ostream& err)
{
    if (words.size() < 2) {
        err << "kestrel: --remote needs a socket PATH and a COMMAND (or --events)\n"
            << "usage: kestrel --remote PATH COMMAND [ARGS...]\n"
            << "       kestrel --remote PATH --events\n"
            << "commands: " << RemoteDispatcher::CommandNames() << "\n";
        return 2;
    }
    std::string reason;
    const int fd = ConnectUnixSocket(words[0], reason);
    if (fd < 0) {
        err << "kestrel: " << reason << "\n";
        return 1;
    }
    Connection connection(fd);
    std::string line;
    if (words[1] == "--events") {
        while (connection.ReadLine(line, -1)) {
            const json message = json::parse(line, nullptr, false);
            if (message.is_object() && message.contains("event")) out << line << '\n' << std::flush;
        }
        return 0;
    }
    const std::vector<std::string> command(words.begin() + 1, words.end());
    if (!connection.SendAll(RemoteRequestLine(command, REQUEST_ID))) {
        err << "kestrel: the viewer at '" << words[0] << "' closed the connection\n";
        return 1;
    }
    // Events may come before the reply.
    while (connection.ReadLine(line, REMOTE_REPLY_TIMEOUT_MS)) {
        const json reply = json::parse(line, nullptr, false);
        if (!reply.is_object() || reply.contains("event")) continue;
        const auto id = reply.find("request_id");
        if (id == reply.end() || *id != REQUEST_ID) continue;
        const auto error = reply.find("error");
        if (error == reply.end() || *error != REMOTE_SUCCESS) {
            err << "kestrel: " << (error != reply.end() && error->is_string() ? error->get<std::string>() : "no error text")
                << "\n";
            return 1;
        }
        const auto data = reply.find("data");
        if (data != reply.end() && !data->is_null()) out << RemoteDump(*data) << '\n';
        return 0;
    }
    err << "kestrel: no reply from '" << words[0] << "'\n";
    return 1;
}

// The control socket's connections on a real socket, driven by poll():
// where it may listen, many clients, a client that never reads, lines too
// long, malformed requests.
#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <string>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

#include "remote/remote_protocol.h"
#include "remote/remote_server.h"
#include "remote/unix_socket.h"
#include "tests/remote/remote_fixture.h"

namespace {

using nlohmann::json;
using remote_test::FakeHost;

struct Server {
    Server() : dispatcher(host), server([this](std::string_view line) { return dispatcher.Handle(line); })
    {
        std::string reason;
        EXPECT_TRUE(server.Listen(Path(), reason)) << reason;
    }
    std::string Path() const { return host.dir.Path("control.sock"); }

    // Serves whatever is ready, once.
    void Serve()
    {
        std::vector<pollfd> fds{{server.ListenDescriptor(), POLLIN, 0}};
        for (const int fd : server.Clients())
            fds.push_back({fd, short(POLLIN | (server.WantsWrite(fd) ? POLLOUT : 0)), 0});
        if (::poll(fds.data(), fds.size(), 2) <= 0) return;
        for (const pollfd& entry : fds) {
            if (entry.fd == server.ListenDescriptor()) {
                if (entry.revents & POLLIN) server.Accept();
                continue;
            }
            if (entry.revents & POLLOUT) server.Flush(entry.fd);
            if (entry.revents & (POLLIN | POLLHUP | POLLERR)) server.Read(entry.fd);
        }
    }

    int Connect()
    {
        std::string reason;
        const int fd = ConnectUnixSocket(Path(), reason);
        EXPECT_GE(fd, 0) << reason;
        ::fcntl(fd, F_SETFL, O_NONBLOCK);
        for (int i = 0; i < 5; ++i) Serve();
        return fd;
    }

    FakeHost host{1};
    RemoteDispatcher dispatcher;
    RemoteServer server;
};

void Send(int fd, const std::string& bytes) { ASSERT_EQ(::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL), ssize_t(bytes.size())); }

// Whatever the server has sent so far; closed is set when it hung up.
std::string Receive(Server& s, int fd, bool* closed = nullptr)
{
    std::string got;
    for (int i = 0; i < 10; ++i) {
        s.Serve();
        char buffer[65536];
        ssize_t n;
        while ((n = ::recv(fd, buffer, sizeof buffer, 0)) > 0) got.append(buffer, std::size_t(n));
        if (n == 0 && closed) *closed = true;
    }
    return got;
}

TEST(RemoteServer, AnswersEachLineAndKeepsTheConnectionAfterMalformedOnes)
{
    Server s;
    const int fd = s.Connect();
    Send(fd, "{oops\n{\"command\":[\"next\"],\"request_id\":3}\n\n");
    bool closed = false;
    const std::string got = Receive(s, fd, &closed);
    EXPECT_FALSE(closed);
    EXPECT_EQ(got, "{\"data\":null,\"error\":\"invalid command\",\"request_id\":0}\n"
                   "{\"data\":null,\"error\":\"success\",\"request_id\":3}\n");
    EXPECT_EQ(s.host.doc.DisplayedIndex(), 1);
    ::close(fd);
}

TEST(RemoteServer, ALineOverTheLimitClosesOnlyItsConnection)
{
    Server s;
    const int big = s.Connect();
    const int other = s.Connect();
    const std::string line(RemoteServer::MAX_LINE + 1, ' ');
    for (std::size_t sent = 0; sent < line.size();) {
        const ssize_t n = ::send(big, line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
        if (n > 0) sent += std::size_t(n);
        s.Serve();
    }
    bool closed = false;
    Receive(s, big, &closed);
    EXPECT_TRUE(closed);
    EXPECT_EQ(s.server.ClientCount(), 1u);
    Send(other, "{\"command\":[\"get-status\"]}\n");
    EXPECT_NE(Receive(s, other).find("\"success\""), std::string::npos);
    ::close(big);
    ::close(other);
}

TEST(RemoteServer, SixteenClientsAtOnceAndEveryOneHearsEvents)
{
    Server s;
    std::vector<int> clients;
    for (std::size_t i = 0; i < RemoteServer::MAX_CLIENTS + 1; ++i) clients.push_back(s.Connect());
    EXPECT_EQ(s.server.ClientCount(), RemoteServer::MAX_CLIENTS);
    bool closed = false;
    Receive(s, clients.back(), &closed);
    EXPECT_TRUE(closed);
    s.server.Broadcast("{\"event\":\"playback-started\"}\n");
    for (std::size_t i = 0; i < RemoteServer::MAX_CLIENTS; ++i)
        EXPECT_EQ(Receive(s, clients[i]), "{\"event\":\"playback-started\"}\n") << i;
    for (const int fd : clients) ::close(fd);
}

TEST(RemoteServer, AClientThatNeverReadsIsDroppedAndTheOthersGoOn)
{
    Server s;
    const int stuck = s.Connect();
    const int reader = s.Connect();
    const std::string event = "{\"event\":\"shot-shown\",\"index\":1,\"number\":2,\"file\":\"" + std::string(200, 'x') + "\"}\n";
    // Far more than the socket's buffer and the 1 MiB queue together.
    const std::size_t rounds = 4 * RemoteServer::MAX_QUEUED / event.size();
    std::size_t heard = 0;
    for (std::size_t i = 0; i < rounds; ++i) {
        s.server.Broadcast(event);
        char buffer[65536];
        ssize_t n;
        while ((n = ::recv(reader, buffer, sizeof buffer, 0)) > 0) heard += std::size_t(n);
        if (i % 64 == 0) s.Serve();
    }
    EXPECT_EQ(s.server.ClientCount(), 1u);
    heard += Receive(s, reader).size();
    EXPECT_EQ(heard, rounds * event.size());
    ::close(stuck);
    ::close(reader);
}

TEST(RemoteServer, AHandlerThatRunsTheEventLoopKeepsTheRepliesInOrder)
{
    FakeHost host(0);
    int client = -1;
    RemoteServer* self = nullptr;
    RemoteServer server([&](std::string_view line) {
        if (line == "slow") {
            // More comes while this one is being answered, and the loop runs.
            Send(client, "fast\n");
            for (const int fd : self->Clients()) self->Read(fd);
        }
        return std::string(line) + "!\n";
    });
    self = &server;
    std::string reason;
    ASSERT_TRUE(server.Listen(host.dir.Path("s.sock"), reason)) << reason;
    client = ConnectUnixSocket(host.dir.Path("s.sock"), reason);
    server.Accept();
    ASSERT_EQ(server.ClientCount(), 1u);
    Send(client, "slow\n");
    server.Read(server.Clients().front());
    char buffer[64] = {};
    ASSERT_EQ(::recv(client, buffer, 12, MSG_WAITALL), 12);
    EXPECT_STREQ(buffer, "slow!\nfast!\n");
    ::close(client);
}

TEST(UnixListener, RefusesWhatIsNotItsOwnAndRemovesItsSocket)
{
    FakeHost host(0);
    const std::string path = host.dir.Path("control.sock");
    {
        UnixListener listener;
        std::string reason;
        ASSERT_TRUE(listener.Listen(path, reason)) << reason;
        struct stat status {};
        ASSERT_EQ(::lstat(path.c_str(), &status), 0);
        EXPECT_EQ(status.st_mode & 0777, 0600u);

        UnixListener second;
        EXPECT_FALSE(second.Listen(path, reason));
        EXPECT_EQ(reason, "cannot listen on '" + path + "': another program is listening there");
    }
    struct stat status {};
    EXPECT_NE(::lstat(path.c_str(), &status), 0) << "removed at the end";

    // A socket left by a program that has gone is taken over.
    {
        UnixListener first;
        std::string reason;
        ASSERT_TRUE(first.Listen(path, reason));
        // Leaves the file behind as a crash would: a hard link keeps it.
        ASSERT_EQ(::link(path.c_str(), host.dir.Path("kept.sock").c_str()), 0);
    }
    ASSERT_EQ(::rename(host.dir.Path("kept.sock").c_str(), path.c_str()), 0);
    UnixListener taker;
    std::string reason;
    EXPECT_TRUE(taker.Listen(path, reason)) << reason;
    taker.Close();

    const std::string file = host.dir.AddFile("plain", 1);
    EXPECT_FALSE(taker.Listen(file, reason));
    EXPECT_EQ(reason, "cannot listen on '" + file + "': it exists and is not a socket");
    EXPECT_FALSE(taker.Listen(host.dir.Path(std::string(200, 'n')), reason));
    EXPECT_NE(reason.find("cannot name a socket"), std::string::npos);
}

}  // namespace

// The control socket in the running application: commands and events over a
// real socket, shots that arrive with a gap, and `kestrel --remote` as a
// program.
#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <csignal>
#include <QProcessEnvironment>
#include <QTest>
#include <deque>
#include <functional>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "remote/qt/remote_control.h"
#include "remote/unix_socket.h"
#include "tests/qt/app_fixture.h"

namespace {

using nlohmann::json;

// A client on the test's own event loop: it waits by letting Qt run.
class Client {
public:
    explicit Client(const std::string& path)
    {
        std::string reason;
        m_fd = ConnectUnixSocket(path, reason);
        EXPECT_GE(m_fd, 0) << reason;
    }
    ~Client() { ::close(m_fd); }

    void Send(const std::string& line) { ::send(m_fd, line.data(), line.size(), MSG_NOSIGNAL); }

    // The first message that matches, within a few seconds; the ones before
    // it are dropped, unless keepOthers (a reply leaves the events waiting).
    json Next(const std::function<bool(const json&)>& wanted, bool keepOthers = false)
    {
        json found;
        const bool got = QTest::qWaitFor([&] {
            Fill();
            for (auto message = m_messages.begin(); message != m_messages.end(); ++message) {
                if (!wanted(*message)) continue;
                found = *message;
                if (keepOthers) {
                    m_messages.erase(message);
                } else {
                    m_messages.erase(m_messages.begin(), message + 1);
                }
                return true;
            }
            return false;
        }, 5000);
        EXPECT_TRUE(got);
        return found;
    }

    json Ask(const json& command)
    {
        Send(json{{"command", command}, {"request_id", ++m_id}}.dump() + "\n");
        const long long id = m_id;
        return Next([id](const json& m) { return m.contains("request_id") && m["request_id"] == id; }, true);
    }

    json Event(const std::string& name)
    {
        return Next([&](const json& m) { return m.contains("event") && m["event"] == name; });
    }

private:
    void Fill()
    {
        char buffer[65536];
        ssize_t n;
        while ((n = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT)) > 0) m_pending.append(buffer, std::size_t(n));
        for (std::size_t end; (end = m_pending.find('\n')) != std::string::npos;) {
            m_messages.push_back(json::parse(m_pending.substr(0, end), nullptr, false));
            m_pending.erase(0, end + 1);
        }
    }

    int m_fd = -1;
    long long m_id = 0;
    std::string m_pending;
    std::deque<json> m_messages;
};

class RemoteAppTest : public app_test::AppTest {
protected:
    void StartRemote(bool follow = false)
    {
        CCommandLineInfo info = NoSplash();
        info.m_strFileName = QString::fromStdString(m_shots.Dir());
        info.m_bFollow = follow;
        Start(info);
        m_remote = std::make_unique<RemoteControl>(*m_app);
        QString reason;
        ASSERT_TRUE(m_remote->Listen(QString::fromStdString(SocketPath()), reason)) << reason.toStdString();
    }
    void TearDown() override
    {
        m_remote.reset();
        AppTest::TearDown();
    }
    std::string SocketPath() const { return m_shots.Path("control.sock"); }

    std::unique_ptr<RemoteControl> m_remote;
};

TEST_F(RemoteAppTest, CommandsDriveTheViewerAndFollowTheKeysRules)
{
    StartRemote();
    Client client(SocketPath());
    EXPECT_EQ(client.Ask({"get-status"})["data"]["number"], 7);
    EXPECT_EQ(client.Ask({"next"})["error"], "success");
    EXPECT_EQ(client.Event("shot-shown")["number"], 3);
    EXPECT_EQ(ToolBar()->m_wndShotNumber->GetWindowText(), "0003");

    EXPECT_EQ(client.Ask({"play"})["error"], "success");
    EXPECT_EQ(client.Ask({"next"})["error"], "unavailable");
    EXPECT_EQ(client.Ask({"goto-number", 12})["error"], "unavailable");
    // Stopped from the window: the clients hear of it.
    Frame()->Router().Execute(ID_SHOT_STOP);
    EXPECT_TRUE(client.Event("playback-stopped").contains("shown"));
    EXPECT_EQ(client.Ask({"goto-number", "12"})["error"], "success");
    EXPECT_EQ(Doc()->DisplayedIndex(), 2);
}

TEST_F(RemoteAppTest, ShotsArrivingWithAGapAreHeardInOrder)
{
    StartRemote(true);
    Client client(SocketPath());
    client.Ask({"get-status"});
    kestrel::test::WriteFileBytes(m_shots.Path("D0013.gif"), shots_test::SolidGif(8, 6, app_test::kRed));
    const json first = client.Event("shot-added");
    EXPECT_EQ(first["number"], 13);
    kestrel::test::WriteFileBytes(m_shots.Path("E0020.gif"), shots_test::SolidGif(8, 6, app_test::kRed));
    const json second = client.Next([](const json& m) { return m.contains("event") && m["event"] != "list-changed" && m["event"] != "shot-shown"; });
    EXPECT_EQ(second["event"], "shot-added");
    EXPECT_EQ(second["number"], 20);
    const json gap = client.Next([](const json& m) { return m.contains("event") && m["event"] != "list-changed" && m["event"] != "shot-shown"; });
    EXPECT_EQ(gap, (json{{"event", "gap"}, {"from", 14}, {"to", 19}, {"file", Doc()->m_strDirectory + "E0020.gif"}, {"number", 20}}));
}

TEST_F(RemoteAppTest, TheRemoteClientProgramPrintsTheReplysData)
{
    StartRemote();
    struct Case {
        QStringList words;
        int exitCode;
        const char* out;  // start of stdout
        const char* err;  // start of stderr
    };
    const QString socket = QString::fromStdString(SocketPath());
    const Case cases[] = {
        {{"--remote", socket, "goto-number", "12"}, 0, "", ""},
        {{"--remote", socket, "get-status"}, 0, "{\"count\":3,", ""},
        {{"--remote", socket, "goto-number", "99"}, 1, "", "kestrel: invalid argument"},
        {{"--remote", socket, "fly"}, 1, "", "kestrel: invalid command"},
        {{"--remote", socket}, 2, "", "kestrel: --remote needs"},
        {{"--remote", socket + ".none", "next"}, 1, "", "kestrel: cannot connect to"},
    };
    for (const Case& c : cases) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KESTREL_PROGRAM_PATH), c.words);
        ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
        EXPECT_EQ(process.exitCode(), c.exitCode) << c.words.join(' ').toStdString();
        EXPECT_TRUE(process.readAllStandardOutput().startsWith(c.out)) << c.words.join(' ').toStdString();
        EXPECT_TRUE(process.readAllStandardError().startsWith(c.err)) << c.words.join(' ').toStdString();
    }
    EXPECT_EQ(Doc()->DisplayedIndex(), 2);
}

TEST_F(RemoteAppTest, TheRemoteClientProgramPrintsEventsAsTheyCome)
{
    StartRemote();
    QProcess events;
    events.start(QStringLiteral(KESTREL_PROGRAM_PATH),
                 {QStringLiteral("--remote"), QString::fromStdString(SocketPath()), QStringLiteral("--events")});
    ASSERT_TRUE(events.waitForStarted());
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_remote->Server().ClientCount() == 1; }, 5000));
    Client client(SocketPath());
    EXPECT_EQ(client.Ask({"last"})["error"], "success");
    QByteArray out;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        out += events.readAllStandardOutput();
        return out.contains('\n');
    }, 5000));
    const json event = json::parse(out.left(out.indexOf('\n')).toStdString(), nullptr, false);
    EXPECT_EQ(event["event"], "shot-shown");
    EXPECT_EQ(event["number"], 12);
    // The viewer going ends the client.
    m_remote.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return events.state() == QProcess::NotRunning; }, 5000));
    EXPECT_EQ(events.exitCode(), 0);
}

TEST_F(RemoteAppTest, TheProgramRefusesASocketPathItCannotTake)
{
    StartRemote();
    const std::string file = m_shots.Path("C0007.gif");
    for (const auto& [path, message] : {std::pair{SocketPath(), "another program is listening there"},
                                        std::pair{file, "it exists and is not a socket"}}) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        process.setProcessEnvironment(environment);
        process.start(QStringLiteral(KESTREL_PROGRAM_PATH),
                      {QStringLiteral("--no-splash"), QStringLiteral("--ipc"), QString::fromStdString(path)});
        ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
        EXPECT_EQ(process.exitCode(), 1);
        EXPECT_TRUE(process.readAllStandardError().contains(message)) << path;
    }
}

TEST_F(RemoteAppTest, TheSocketGoesWhenTheProgramIsTerminated)
{
    const QString path = QString::fromStdString(m_shots.Path("own.sock"));
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KESTREL_PROGRAM_PATH), {QStringLiteral("--no-splash"), QStringLiteral("--ipc"), path});
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFileInfo::exists(path); }, 10000));
    process.terminate();
    ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 128 + SIGTERM);
    EXPECT_FALSE(QFileInfo::exists(path));
}

}  // namespace

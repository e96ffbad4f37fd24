// The control protocol as tables: each command with good and bad
// arguments, each error, and the availability rules of the keys.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "remote/remote_protocol.h"
#include "tests/remote/remote_fixture.h"

namespace {

using nlohmann::json;
using remote_test::FakeHost;

json Ask(FakeHost& host, const std::string& line)
{
    RemoteDispatcher dispatcher(host);
    const std::string reply = dispatcher.Handle(line);
    EXPECT_FALSE(reply.empty());
    EXPECT_EQ(reply.back(), '\n');
    return json::parse(reply, nullptr, false);
}

json Request(const json& command) { return json{{"command", command}, {"request_id", 7}}; }

TEST(RemoteProtocol, EachCommandWithGoodAndBadArguments)
{
    struct Case {
        int shown;      // 1-based position on display, 0: none
        bool playing;
        json command;
        const char* error;
        std::int64_t shownAfter;  // index on display afterwards
    };
    const Case cases[] = {
        {3, false, {"first"}, "success", 0},
        {3, false, {"previous"}, "success", 1},
        {3, false, {"next"}, "success", 3},
        {3, false, {"last"}, "success", 4},
        {3, false, {"next", 1}, "invalid argument", 2},
        {1, false, {"first"}, "unavailable", 0},
        {1, false, {"previous"}, "unavailable", 0},
        {5, false, {"next"}, "unavailable", 4},
        {5, false, {"last"}, "unavailable", 4},
        {1, false, {"goto-number", 3}, "success", 2},       // the earliest shot numbered 3
        {1, false, {"goto-number", "7"}, "success", 4},     // numbers may come as text
        {1, false, {"goto-number", 4}, "invalid argument", 0},
        {1, false, {"goto-number", "x"}, "invalid argument", 0},
        {1, false, {"goto-number", 1.5}, "invalid argument", 0},
        {1, false, {"goto-number", 99999999999LL}, "invalid argument", 0},
        {1, false, {"goto-number"}, "invalid argument", 0},
        {1, false, {"goto-index", 3}, "success", 3},
        {1, false, {"goto-index", 5}, "invalid argument", 0},
        {1, false, {"goto-index", -1}, "invalid argument", 0},
        {1, true, {"goto-index", 3}, "unavailable", 0},
        {1, true, {"goto-number", 3}, "unavailable", 0},
        {3, true, {"next"}, "unavailable", 2},
        {3, true, {"first"}, "unavailable", 2},
        {3, true, {"play"}, "unavailable", 2},
        {3, false, {"stop"}, "unavailable", 2},
        {3, true, {"open", "/tmp"}, "unavailable", 2},
        {3, false, {"open", "/no/such"}, "invalid argument", 2},
        {3, false, {"open", 5}, "invalid argument", 2},
        {3, false, {"open", ""}, "invalid argument", 2},
        {3, false, {"set-interval", 5}, "success", 2},
        {3, true, {"set-interval", 60000}, "success", 2},
        {3, false, {"set-interval", 4}, "invalid argument", 2},
        {3, false, {"set-interval", 60001}, "invalid argument", 2},
        {3, false, {"set-direction", "sideways"}, "invalid argument", 2},
        {3, false, {"set-loop", "bounce"}, "invalid argument", 2},
        {3, false, {"set-in", 2}, "success", 2},
        {3, false, {"set-in", 4}, "invalid argument", 2},
        {0, false, {"set-in", 2}, "unavailable", -1},
        {3, false, {"clear-range"}, "unavailable", 2},
        {3, false, {"follow-newest", "maybe"}, "invalid argument", 2},
        {3, false, {"screenshot", "/no/such"}, "invalid argument", 2},
        {3, false, {"screenshot"}, "invalid argument", 2},
        {3, false, {"quit", "now"}, "invalid argument", 2},
        {3, false, {"rewind"}, "invalid command", 2},
        {3, false, {7}, "invalid command", 2},
        {3, false, json::array(), "invalid command", 2},
    };
    for (const Case& c : cases) {
        FakeHost host(c.shown);
        if (c.playing) host.player.Play();
        const json reply = Ask(host, Request(c.command).dump());
        EXPECT_EQ(reply["error"], c.error) << c.command;
        EXPECT_EQ(reply["request_id"], 7) << c.command;
        EXPECT_TRUE(reply.contains("data")) << c.command;
        EXPECT_EQ(host.doc.DisplayedIndex(), c.shownAfter) << c.command;
        EXPECT_EQ(host.done, std::string(c.error) == "success" ? 1 : 0) << c.command;
    }
}

TEST(RemoteProtocol, SettingsCommandsShowInTheStatus)
{
    struct Case {
        json command;
        const char* key;
        json value;
    };
    const Case cases[] = {
        {{"set-interval", 250}, "interval", 250},
        {{"set-direction", "reverse"}, "direction", "reverse"},
        {{"set-loop", "pingpong"}, "loop", "pingpong"},
        {{"set-loop", "once"}, "loop", "once"},
        {{"set-in", 2}, "in", 2},
        {{"set-out", 3}, "out", 3},
        {{"follow-newest", "on"}, "follow-newest", true},
        {{"play"}, "playing", true},
    };
    for (const Case& c : cases) {
        FakeHost host(1);
        ASSERT_EQ(Ask(host, Request(c.command).dump())["error"], "success") << c.command;
        EXPECT_EQ(Ask(host, R"({"command":["get-status"]})")["data"][c.key], c.value) << c.command;
    }
}

TEST(RemoteProtocol, StatusDescribesTheShotOnDisplay)
{
    FakeHost host(3);
    const json status = Ask(host, R"({"command":["get-status"],"request_id":1})")["data"];
    EXPECT_EQ(status["count"], 5);
    EXPECT_EQ(status["index"], 2);
    EXPECT_EQ(status["number"], 3);
    EXPECT_EQ(status["file"], host.dir.Path("s0003.gif"));
    EXPECT_EQ(status["last-write-time"], "1970-01-01T00:16:42.000Z");
    EXPECT_EQ(status["playing"], false);
    EXPECT_EQ(status["interval"], 1000);
    EXPECT_EQ(status["direction"], "forward");
    EXPECT_EQ(status["loop"], "wrap");
    EXPECT_TRUE(status["in"].is_null());
    EXPECT_TRUE(status["out"].is_null());
    EXPECT_EQ(status["follow"], false);
    EXPECT_EQ(status["follow-newest"], false);
    EXPECT_EQ(status["zoom"], 1.0);
    EXPECT_EQ(status["fit"], "stretch");

    FakeHost none(0);
    const json empty = Ask(none, R"({"command":["get-status"]})")["data"];
    EXPECT_TRUE(empty["index"].is_null());
    EXPECT_TRUE(empty["file"].is_null());
}

TEST(RemoteProtocol, MalformedRequestsGetAnErrorReply)
{
    struct Case {
        std::string line;
        const char* error;
        long long requestId;
    };
    const Case cases[] = {
        {"{", "invalid command", 0},
        {"not json", "invalid command", 0},
        {"[\"next\"]", "invalid command", 0},
        {"{\"command\": \"next\"}", "invalid command", 0},
        {"{\"request_id\": 5}", "invalid command", 5},
        {"{\"command\": [\"next\"], \"request_id\": \"x\"}", "success", 0},
        {"{\"command\": [\"next\"], \"request_id\": 18446744073709551615}", "success", 0},
        {"{\"command\": [\"next\"], \"request_id\": -3}\r", "success", -3},
        {std::string(100000, '['), "invalid command", 0},
        {"{\"command\": [\"open\", \"\xff\xfe\"]}", "invalid command", 0},
        {"{\"command\": [\"open\", \"a\\u0000b\"]}", "invalid argument", 0},
    };
    for (const Case& c : cases) {
        FakeHost host(1);
        const json reply = Ask(host, c.line);
        EXPECT_EQ(reply["error"], c.error) << c.line.substr(0, 60);
        EXPECT_EQ(reply["request_id"], c.requestId) << c.line.substr(0, 60);
    }
    FakeHost host(1);
    RemoteDispatcher dispatcher(host);
    EXPECT_EQ(dispatcher.Handle(""), "");
    EXPECT_EQ(dispatcher.Handle("  \t"), "");
}

TEST(RemoteProtocol, QuitAndOpenReachTheHost)
{
    FakeHost host(1);
    EXPECT_EQ(Ask(host, R"({"command":["quit"]})")["error"], "success");
    EXPECT_EQ(host.quits, 1);
    EXPECT_EQ(Ask(host, R"({"command":["open","/some/dir"]})")["error"], "success");
    EXPECT_EQ(host.opened, std::vector<std::string>{"/some/dir"});
}

TEST(RemoteProtocol, FileNamesThatAreNotUtf8StillMakeAReply)
{
    FakeHost host(0);
    host.dir.AddFile("bad\xff" "0009.gif", 5000);
    host.doc.ScanDirectory();
    host.doc.LoadLastShot();
    const json status = Ask(host, R"({"command":["get-status"]})")["data"];
    EXPECT_EQ(status["number"], 9);
    EXPECT_TRUE(status["file"].is_string());
}

}  // namespace

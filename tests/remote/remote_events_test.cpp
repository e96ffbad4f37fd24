// Events from what happens to the document and the player.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <memory>
#include <string>
#include <vector>

#include "remote/remote_events.h"
#include "tests/remote/remote_fixture.h"

namespace {

using nlohmann::json;
using remote_test::FakeHost;

struct Listener {
    explicit Listener(FakeHost& host) : source(host.player, [this](const json& event) { events.push_back(event); }) {}
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const json& event : events) names.push_back(event["event"]);
        return names;
    }
    std::vector<json> events;
    RemoteEventSource source;
};

// Puts a new file in the directory and into the list at its place by time,
// as the follower does.
void Arrive(FakeHost& host, const std::string& name, long long second)
{
    const std::string path = host.dir.AddFile(name, second);
    auto record = std::make_unique<ShotRecord>(ShotRecord{path, (second + 11644473600LL) * 10000000});
    host.doc.InsertShot(host.doc.ShotCount(), std::move(record));
}

TEST(RemoteEvents, ArrivalsGiveShotAddedAndGapsInOrder)
{
    FakeHost host(1);
    Listener listener(host);
    Arrive(host, "s0008.gif", 2000);   // after 7: no gap
    Arrive(host, "s0012.gif", 2001);   // 9 to 11 missing
    listener.source.Check();
    ASSERT_EQ(listener.Names(),
              (std::vector<std::string>{"shot-added", "shot-added", "gap", "list-changed"}));
    EXPECT_EQ(listener.events[0]["number"], 8);
    EXPECT_EQ(listener.events[1]["file"], host.dir.Path("s0012.gif"));
    EXPECT_EQ(listener.events[2]["from"], 9);
    EXPECT_EQ(listener.events[2]["to"], 11);
    EXPECT_EQ(listener.events[2]["number"], 12);
    EXPECT_EQ(listener.events[3]["count"], 7);

    listener.events.clear();
    listener.source.Check();
    EXPECT_TRUE(listener.events.empty());
}

TEST(RemoteEvents, RemovalsAndANewDirectory)
{
    FakeHost host(1);
    Listener listener(host);
    host.doc.RemoveShot(1);
    listener.source.Check();
    ASSERT_EQ(listener.Names(), (std::vector<std::string>{"shot-removed", "list-changed"}));
    EXPECT_EQ(listener.events[0]["number"], 2);

    // Another directory: a new list and its first shot, no arrivals.
    listener.events.clear();
    shots_test::ShotDir other;
    other.AddFile("x0040.gif", 10);
    host.doc.OpenDirectory(other.Dir());
    ASSERT_EQ(listener.Names(), (std::vector<std::string>{"list-changed", "shot-shown"}));
    EXPECT_EQ(listener.events[0]["count"], 1);
    EXPECT_EQ(listener.events[1]["number"], 40);
}

TEST(RemoteEvents, MovesAndPlayingAreReported)
{
    FakeHost host(1);
    Listener listener(host);
    host.player.Next();  // a repaint request: the source hears it as a view
    ASSERT_EQ(listener.Names(), (std::vector<std::string>{"shot-shown"}));
    EXPECT_EQ(listener.events[0], (json{{"event", "shot-shown"}, {"index", 1}, {"number", 2},
                                        {"file", host.dir.Path("s0002.gif")}}));

    listener.events.clear();
    host.player.Play();
    listener.source.Check();
    host.player.Tick();
    host.player.Stop();
    listener.source.Check();
    ASSERT_EQ(listener.Names(), (std::vector<std::string>{"playback-started", "shot-shown", "playback-stopped"}));
    EXPECT_EQ(listener.events[2]["shown"], 1);
    EXPECT_EQ(listener.events[2]["late"], 0);
    EXPECT_TRUE(listener.events[2].contains("worst-late-ms"));
}

TEST(RemoteEvents, NothingIsLookedForWhileNobodyListens)
{
    FakeHost host(1);
    Listener listener(host);
    listener.source.SetActive(false);
    Arrive(host, "s0009.gif", 2000);
    host.player.Next();
    listener.source.Check();
    EXPECT_TRUE(listener.events.empty());
    // What happened meanwhile is not news to a listener that comes later.
    listener.source.SetActive(true);
    listener.source.Check();
    EXPECT_TRUE(listener.events.empty());
    host.player.Next();
    EXPECT_EQ(listener.Names(), std::vector<std::string>{"shot-shown"});
}

}  // namespace

TEST(RemoteEvents, WithoutArrivalsAChangedListIsOnlyCounted)
{
    FakeHost host(1);
    Listener listener(host);
    listener.source.SetArrivals(false);
    Arrive(host, "s0009.gif", 2000);
    Arrive(host, "s0010.gif", 2001);
    host.doc.RemoveShot(host.doc.ShotCount() - 1);
    listener.source.Check();
    ASSERT_EQ(listener.Names(), std::vector<std::string>{"list-changed"});
    EXPECT_EQ(listener.events[0]["count"], std::int64_t(host.doc.ShotCount()));
    // Turned on again, arrivals are told from then on.
    listener.events.clear();
    listener.source.SetArrivals(true);
    host.doc.RemoveShot(host.doc.ShotCount() - 1);
    listener.source.Check();
    EXPECT_EQ(listener.Names(), (std::vector<std::string>{"shot-removed", "list-changed"}));
}

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "shots/list/directory_listing.h"
#include "tests/qt/shot_files.h"

namespace {

using shots_test::ShotDir;

std::vector<std::string> Names(const std::vector<DirectoryEntry>& entries)
{
    std::vector<std::string> names;
    for (const DirectoryEntry& entry : entries) names.push_back(entry.name);
    return names;
}

TEST(DirectoryListing, MatchesTheExtensionInAnyCaseOnly)
{
    ShotDir dir;
    for (const char* name : {"a.gif", "b.GIF", "c.Gif", "d.gIF", "e.gifx", "f.png", "g.gi", "gif",
                             "h.gif.bak", ".gif"}) {
        dir.AddFile(name, 100);
    }
    EXPECT_EQ(Names(ListDirectoryByExtension(dir.Dir(), ".GIF")),
              (std::vector<std::string>{".gif", "a.gif", "b.GIF", "c.Gif", "d.gIF"}));
}

TEST(DirectoryListing, ListsInByteOrderOfTheNames)
{
    ShotDir dir;
    // Created out of order; upper case sorts before lower case, as strcmp has it.
    for (const char* name : {"b.gif", "a.gif", "B.gif", "A0.gif", "_.gif", "a0.gif"}) dir.AddFile(name, 5);
    EXPECT_EQ(Names(ListDirectoryByExtension(dir.Dir(), ".gif")),
              (std::vector<std::string>{"A0.gif", "B.gif", "_.gif", "a.gif", "a0.gif", "b.gif"}));
}

TEST(DirectoryListing, TakesDirectoriesNamedLikeFiles)
{
    ShotDir dir;
    dir.AddDirectory("X.GIF", 7);
    dir.AddDirectory("other", 7);
    const std::vector<DirectoryEntry> entries = ListDirectoryByExtension(dir.Dir(), ".gif");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].name, "X.GIF");
}

TEST(DirectoryListing, TimesAreHundredNanosecondUnitsSince1601)
{
    ShotDir dir;
    dir.AddFile("t.gif", 1, 500);
    dir.AddFile("u.gif", -1, 0);  // before 1970 still orders correctly
    const std::vector<DirectoryEntry> entries = ListDirectoryByExtension(dir.Dir(), ".gif");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].lastWriteTime, kFileTimeUnixEpoch + 10000000 + 5);
    EXPECT_EQ(entries[1].lastWriteTime, kFileTimeUnixEpoch - 10000000);
}

TEST(DirectoryListing, MissingDirectoryListsNothingAndSeparatorIsOptional)
{
    ShotDir dir;
    dir.AddFile("a.gif", 1);
    EXPECT_TRUE(ListDirectoryByExtension(dir.Path("no-such-dir/"), ".gif").empty());
    std::string withoutSeparator = dir.Dir();
    withoutSeparator.pop_back();
    EXPECT_EQ(ListDirectoryByExtension(withoutSeparator, ".gif").size(), 1u);
}

// strcmp's order, the one the listing promises, as the oracle.
std::vector<std::string> StrcmpOrder(std::vector<std::string> names)
{
    std::sort(names.begin(), names.end(),
              [](const std::string& a, const std::string& b) { return std::strcmp(a.c_str(), b.c_str()) < 0; });
    return names;
}

TEST(DirectoryListing, ByteOrderHoldsPastLongSharedBeginnings)
{
    ShotDir dir;
    // All share "capture-2024-05-17_"; some differ only more than eight bytes
    // further on, some are the start of another, some carry bytes above 0x7F.
    const std::vector<std::string> names = {
        "capture-2024-05-17_0002.gif",          "capture-2024-05-17_0001.gif",
        "capture-2024-05-17_00010000a.gif",     "capture-2024-05-17_00010000B.gif",
        "capture-2024-05-17_0001.gif.gif",      "capture-2024-05-17_.gif",
        "capture-2024-05-17_\xc3\xa9t\xc3\xa9.gif", "capture-2024-05-17_zz.gif",
        "capture-2024-05-17_Z.gif",             "capture-2024-05-17_0001000.gif"};
    for (const std::string& name : names) dir.AddFile(name, 3);
    EXPECT_EQ(Names(ListDirectoryByExtension(dir.Dir(), ".gif")), StrcmpOrder(names));
}

TEST(DirectoryListing, ByteOrderHoldsForManyRandomNames)
{
    ShotDir dir;
    std::mt19937 random(7);
    const std::string alphabet = "0019Aaz_.\xff";
    std::vector<std::string> names;
    for (int i = 0; i < 400; ++i) {
        std::string name = i % 2 ? "shot" : "";
        const int length = int(random() % 14);
        for (int k = 0; k < length; ++k) name += alphabet[random() % alphabet.size()];
        name += ".gif";
        if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(name);
    }
    for (const std::string& name : names) dir.AddFile(name, 3);
    EXPECT_EQ(Names(ListDirectoryByExtension(dir.Dir(), ".gif")), StrcmpOrder(names));
}

TEST(DirectoryListing, ALargeDirectoryKeepsEveryNameWithItsOwnTime)
{
    // Enough entries for several batches, taken by two threads: links to
    // seven files of seven times (new files would be slow to make).
    ShotDir dir;
    for (int k = 0; k < 7; ++k) dir.AddFile("t" + std::to_string(k), 1000 + k);
    std::vector<std::string> names;
    for (int i = 0; i < 9000; ++i) {
        names.push_back("s" + std::to_string(i) + ".gif");
        ASSERT_EQ(link(dir.Path("t" + std::to_string(i % 7)).c_str(), dir.Path(names.back()).c_str()), 0);
    }
    const std::vector<DirectoryEntry> entries = ListDirectoryByExtension(dir.Dir(), ".gif");
    ASSERT_EQ(Names(entries), StrcmpOrder(names));
    for (const DirectoryEntry& entry : entries) {
        const int i = std::stoi(entry.name.substr(1));
        EXPECT_EQ(entry.lastWriteTime, kFileTimeUnixEpoch + (1000 + i % 7) * 10000000LL) << entry.name;
    }
}

TEST(DirectoryListing, ListsALinkThatLeadsNowhereWithItsOwnTime)
{
    ShotDir dir;
    dir.AddFile("real.gif", 40);
    ASSERT_EQ(symlink(dir.Path("missing.gif").c_str(), dir.Path("broken.gif").c_str()), 0);
    ASSERT_EQ(symlink(dir.Path("real.gif").c_str(), dir.Path("link.gif").c_str()), 0);
    const std::vector<DirectoryEntry> entries = ListDirectoryByExtension(dir.Dir(), ".gif");
    ASSERT_EQ(Names(entries), (std::vector<std::string>{"broken.gif", "link.gif", "real.gif"}));
    // A link that leads somewhere has its target's time; one that does not,
    // its own (the time it was made, long after 40 s past 1970).
    EXPECT_EQ(entries[1].lastWriteTime, kFileTimeUnixEpoch + 40 * 10000000LL);
    EXPECT_GT(entries[0].lastWriteTime, kFileTimeUnixEpoch + 1000000000 * 10000000LL);
}

TEST(FileTimes, SaturateInsteadOfOverflowing)
{
    constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();
    struct Case {
        std::int64_t seconds;
        long nanoseconds;
        std::int64_t fileTime;
    };
    const Case cases[] = {
        {0, 0, kFileTimeUnixEpoch},
        {1, 550, kFileTimeUnixEpoch + 10000005},
        {-11644473600, 0, 0},                       // 1601-01-01
        {910692730085, 477580799, kMax},            // the last time that fits
        {910692730085, 477580800, kMax},            // one unit past it
        {910692730086, 0, kMax},
        {std::numeric_limits<std::int64_t>::max(), 999999999, kMax},
        {-922337203686, 0, kMin},
        {std::numeric_limits<std::int64_t>::min(), 0, kMin},
    };
    for (const Case& c : cases) {
        struct timespec time {};
        time.tv_sec = time_t(c.seconds);
        time.tv_nsec = c.nanoseconds;
        EXPECT_EQ(ToFileTime(time), c.fileTime) << c.seconds << " s " << c.nanoseconds << " ns";
    }
}

// tmpfs, for one, keeps any 64-bit second count.
TEST(FileTimes, AFileFarInTheFutureHasTheLatestTime)
{
    ShotDir dir("/dev/shm");
    if (dir.Dir() == "/") GTEST_SKIP() << "no /dev/shm to make a directory in";
    dir.AddFile("a.gif", 2'000'000'000'000'000'000LL);
    dir.AddFile("b.gif", 1'000'000'000);
    struct stat status {};
    ASSERT_EQ(stat(dir.Path("a.gif").c_str(), &status), 0);
    if (status.st_mtim.tv_sec != 2'000'000'000'000'000'000LL) {
        GTEST_SKIP() << "this file system does not keep a time that far ahead";
    }
    const std::vector<DirectoryEntry> entries = ListDirectoryByExtension(dir.Dir(), ".gif");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].lastWriteTime, std::numeric_limits<std::int64_t>::max());
    EXPECT_LT(entries[1].lastWriteTime, entries[0].lastWriteTime);
}

TEST(DirectoryListing, ListsAFifoWithItsTime)
{
    ShotDir dir;
    dir.AddFifo("pipe.gif", 77);
    const std::vector<DirectoryEntry> entries = ListDirectoryByExtension(dir.Dir(), ".gif");
    ASSERT_EQ(Names(entries), (std::vector<std::string>{"pipe.gif"}));
    EXPECT_EQ(entries[0].lastWriteTime, kFileTimeUnixEpoch + 77 * 10000000LL);
}

}  // namespace

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shots/directory_listing.h"
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

}  // namespace

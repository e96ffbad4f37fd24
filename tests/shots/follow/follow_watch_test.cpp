#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>

#include "shots/follow/shot_directory_watch.h"
#include "tests/qt/shot_files.h"

namespace {

std::map<std::string, ShotDirectoryWatch::Touched> ByName(const ShotDirectoryWatch::Batch& batch)
{
    std::map<std::string, ShotDirectoryWatch::Touched> names;
    for (const auto& touched : batch.touched) names[touched.name] = touched;
    return names;
}

TEST(FollowWatch, ReportsWrittenClosedRemovedAndRenamedGifNamesOnly)
{
    shots_test::ShotDir dir;
    ShotDirectoryWatch watch;
    ASSERT_TRUE(watch.Start(dir.Dir(), ".GIF"));
    EXPECT_TRUE(watch.Read().touched.empty());

    dir.AddFile("a0001.gif", 100);
    dir.AddFile("notes.txt", 100);
    auto names = ByName(watch.Read());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_TRUE(names["a0001.gif"].written);
    EXPECT_TRUE(names["a0001.gif"].closedAfterWrite);

    std::filesystem::rename(dir.Path("a0001.gif"), dir.Path("B0002.GIF"));
    ShotDirectoryWatch::Batch batch = watch.Read();
    ASSERT_EQ(batch.renames.size(), 1u);
    EXPECT_EQ(batch.renames[0].from, "a0001.gif");
    EXPECT_EQ(batch.renames[0].to, "B0002.GIF");
    names = ByName(batch);
    EXPECT_EQ(names.size(), 2u);
    EXPECT_TRUE(names["B0002.GIF"].closedAfterWrite);  // arrives whole

    // Moved in from a name of another kind: a new shot, not a rename.
    dir.AddFile("c0003.tmp", 100);
    watch.Read();
    std::filesystem::rename(dir.Path("c0003.tmp"), dir.Path("c0003.gif"));
    batch = watch.Read();
    EXPECT_TRUE(batch.renames.empty());
    EXPECT_TRUE(ByName(batch)["c0003.gif"].closedAfterWrite);

    std::filesystem::remove(dir.Path("B0002.GIF"));
    names = ByName(watch.Read());
    ASSERT_EQ(names.size(), 1u);
    EXPECT_FALSE(names["B0002.GIF"].written);
    EXPECT_FALSE(watch.Read().lost);
}

TEST(FollowWatch, AFileStillOpenForWritingIsWrittenButNotClosed)
{
    shots_test::ShotDir dir;
    ShotDirectoryWatch watch;
    ASSERT_TRUE(watch.Start(dir.Dir(), ".GIF"));
    FILE* file = std::fopen(dir.Path("slow.gif").c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fputs("GIF89a", file);
    std::fflush(file);
    auto names = ByName(watch.Read());
    EXPECT_TRUE(names["slow.gif"].written);
    EXPECT_FALSE(names["slow.gif"].closedAfterWrite);
    std::fclose(file);
    EXPECT_TRUE(ByName(watch.Read())["slow.gif"].closedAfterWrite);
}

TEST(FollowWatch, TellsWhenTheDirectoryGoesAwayOrCannotBeWatched)
{
    ShotDirectoryWatch missing;
    EXPECT_FALSE(missing.Start("/kestrel-no-such-directory/", ".GIF"));
    EXPECT_FALSE(missing.IsRunning());

    auto dir = std::make_unique<shots_test::ShotDir>();
    ShotDirectoryWatch watch;
    ASSERT_TRUE(watch.Start(dir->Dir(), ".GIF"));
    dir.reset();
    EXPECT_TRUE(watch.Read().directoryGone);
}

}  // namespace

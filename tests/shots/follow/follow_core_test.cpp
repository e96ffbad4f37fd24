// The follower on a real directory with the time in the test's hands: the
// kernel's events are read as soon as a file is written, and the clock moves
// only when the test moves it, so nothing here waits.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "shots/follow/shot_follow_core.h"
#include "tests/qt/shot_files.h"
#include "tests/support/test_paths.h"

namespace {

using shots_test::RecordingTextBox;
using shots_test::ShotDir;
using std::chrono::milliseconds;

std::string Gif() { return shots_test::SolidGif(4, 3, {9, 9, 9}); }

struct FollowedByHand {
    explicit FollowedByHand(bool poll = false)
    {
        dir.AddFile("shot0001.gif", 1700000000, 0, Gif());
        doc.m_pStatusBox = &status;
        doc.m_pShotNumberBox = &number;
        core = std::make_unique<ShotFollowCore>(doc, [this] { return now; });
        core->SetForcePolling(poll);
        doc.m_strDirectory = dir.Dir();
        doc.ScanDirectory();
        doc.LoadShot();
        doc.UpdateAllViews(nullptr, 0, nullptr);
    }
    void Pass(int ms)
    {
        now += milliseconds(ms);
        core->OnTimer();
    }

    ShotDir dir;
    CKESTRELDoc doc;
    RecordingTextBox status;
    RecordingTextBox number;
    ShotFollowCore::TimePoint now{std::chrono::hours(5)};
    std::unique_ptr<ShotFollowCore> core;
};

TEST(FollowCore, AFileStillOpenForWritingIsTakenOnceItsWriterIsDone)
{
    FollowedByHand f;
    ASSERT_TRUE(f.core->UsesKernelNotification());
    const int fd = open(f.dir.Path("shot0002.gif").c_str(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "GIF89a", 6), 6);
    f.core->ReadChanges();
    EXPECT_EQ(f.core->PendingCount(), 1u);
    ASSERT_TRUE(f.core->NextWake().has_value());
    EXPECT_EQ(*f.core->NextWake(), f.now + milliseconds(ShotFollowCore::SETTLE_MS));

    f.Pass(ShotFollowCore::SETTLE_MS);  // quiet, but open and not whole
    EXPECT_EQ(f.doc.m_nShotCount, 1);
    f.Pass(ShotFollowCore::WRITER_SETTLE_MS - ShotFollowCore::SETTLE_MS - 1);
    EXPECT_EQ(f.doc.m_nShotCount, 1);
    f.Pass(1);  // a writer that holds it open this long is not writing any more
    EXPECT_EQ(f.doc.m_nShotCount, 2);
    EXPECT_EQ(f.status.m_text, "1 of 2 Shots     First Shot: 1     Last Shot: 2");
    close(fd);
}

TEST(FollowCore, AFileClosedWholeIsTakenWithoutWaiting)
{
    FollowedByHand f;
    kestrel::test::WriteFileBytes(f.dir.Path("shot0002.gif"), Gif());
    f.core->ReadChanges();
    EXPECT_EQ(f.doc.m_nShotCount, 2);
    EXPECT_EQ(f.core->PendingCount(), 0u);
    EXPECT_FALSE(f.core->NextWake().has_value());
}

// One writer that keeps the file open between pieces, then writers that
// close it after every piece: it is shown once, whole.
TEST(FollowCore, AFileWrittenInPiecesIsTakenOnlyWhenWhole)
{
    FollowedByHand f;
    f.core->SetFollowNewest(true);
    const int loads = f.number.m_writes;
    const std::string gif = shots_test::SolidGif(5, 4, {77, 77, 77});
    for (const char* name : {"shot0050.gif", "shot0051.gif"}) {
        const bool keepOpen = name == std::string("shot0050.gif");
        const std::string path = f.dir.Path(name);
        FILE* file = keepOpen ? std::fopen(path.c_str(), "wb") : nullptr;
        for (std::size_t at = 0; at < gif.size(); at += 8) {
            if (!keepOpen) file = std::fopen(path.c_str(), "ab");
            ASSERT_NE(file, nullptr);
            std::fwrite(gif.data() + at, 1, std::min<std::size_t>(8, gif.size() - at), file);
            std::fflush(file);
            if (!keepOpen || at + 8 >= gif.size()) std::fclose(file);
            f.core->ReadChanges();
            if (at + 8 < gif.size()) {
                ASSERT_EQ(f.doc.ShotCount(), keepOpen ? 1u : 2u) << name << " " << at;
            }
        }
        ASSERT_EQ(f.doc.ShotCount(), keepOpen ? 2u : 3u) << name;
        EXPECT_EQ(f.doc.DisplayedShot()->Path(), path);
    }
    EXPECT_EQ(f.number.m_writes, loads + 2);  // each loaded once, whole
}

TEST(FollowCore, AFileThatNeverBecomesAWholeGifIsListedOnceItStopsChanging)
{
    FollowedByHand f;
    kestrel::test::WriteFileBytes(f.dir.Path("shot0060.gif"), "GIF89a\x01");
    kestrel::test::WriteFileBytes(f.dir.Path("shot0061.gif"), "not a picture");
    f.core->ReadChanges();
    EXPECT_EQ(f.doc.ShotCount(), 1u);
    f.Pass(ShotFollowCore::SETTLE_MS - 1);
    EXPECT_EQ(f.doc.ShotCount(), 1u);
    f.Pass(1);
    EXPECT_EQ(f.doc.ShotCount(), 3u);
}

TEST(FollowCore, PollingListsTheDirectoryOnceASecond)
{
    FollowedByHand f(true);
    EXPECT_TRUE(f.core->Polls());
    EXPECT_FALSE(f.core->UsesKernelNotification());
    EXPECT_EQ(f.core->WatchDescriptor(), -1);
    ASSERT_TRUE(f.core->NextWake().has_value());
    EXPECT_EQ(*f.core->NextWake(), f.now + milliseconds(ShotFollowCore::POLL_MS));

    kestrel::test::WriteFileBytes(f.dir.Path("shot0002.gif"), Gif());
    f.Pass(ShotFollowCore::POLL_MS - 1);
    EXPECT_EQ(f.doc.m_nShotCount, 1);
    f.Pass(1);
    EXPECT_EQ(f.doc.m_nShotCount, 2);
    EXPECT_EQ(*f.core->NextWake(), f.now + milliseconds(ShotFollowCore::POLL_MS));

    ASSERT_EQ(unlink(f.dir.Path("shot0002.gif").c_str()), 0);
    f.Pass(ShotFollowCore::POLL_MS);
    EXPECT_EQ(f.doc.m_nShotCount, 1);
}

TEST(FollowCore, ALocalDirectoryIsNotARemoteOne)
{
    ShotDir dir;
    EXPECT_FALSE(IsRemoteFileSystem(dir.Dir()));
}

}  // namespace

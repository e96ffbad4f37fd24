// The follower on a real directory: files written, renamed and removed while
// the event loop runs, checked through the document's list, cursor, boxes
// and the views it asks to repaint.
#include <gtest/gtest.h>

#include <QTest>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <string>

#include "shots/list/directory_listing.h"
#include "shots/follow/qt/shot_directory_follower.h"
#include "tests/qt/shot_files.h"
#include "tests/support/test_paths.h"

namespace {

using shots_test::RecordingTextBox;
using shots_test::ShotDir;

constexpr long long kOld = 1700000000;  // shots made before the test starts; new files are newer

std::string Name(int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "shot%04d.gif", number);
    return name;
}

std::string Gif(std::uint8_t shade = 0) { return shots_test::SolidGif(4, 3, {shade, shade, shade}); }

template <class Condition>
bool WaitUntil(Condition condition, int timeoutMs = 5000)
{
    return QTest::qWaitFor(condition, timeoutMs);
}

class CountingView : public DocumentView {
public:
    void OnUpdate(DocumentView*, long, void*) override { ++m_updates; }
    int m_updates = 0;
};

// A directory of shots, opened in a document as an open would, and followed.
struct Followed {
    explicit Followed(int shots = 3, bool poll = false)
    {
        for (int i = 1; i <= shots; ++i) dir.AddFile(Name(i), kOld + 10 * i, 0, Gif());
        doc.m_pStatusBox = &status;
        doc.m_pShotNumberBox = &number;
        doc.AddView(&view);
        follower = std::make_unique<ShotDirectoryFollower>(doc);
        follower->SetForcePolling(poll);
        Open(dir.Dir());
    }
    ~Followed()
    {
        follower.reset();
        doc.RemoveView(&view);
    }

    void Open(const std::string& directory)
    {
        doc.m_strDirectory = directory;
        doc.ScanDirectory();
        doc.LoadShot();
        doc.UpdateAllViews(nullptr, 0, nullptr);
    }
    // What the view's commands do.
    void UserNext()
    {
        doc.LoadShot();
        doc.UpdateAllViews(nullptr, 0, nullptr);
    }
    void UserPrevious()
    {
        doc.LoadPreviousShot();
        doc.UpdateAllViews(nullptr, 0, nullptr);
    }

    std::string Shown() const
    {
        const ShotRecord* shown = follower->Patcher().Displayed();
        return shown ? shown->Path().substr(doc.m_strDirectory.size()) : std::string();
    }
    std::string NameAt(std::size_t index) const { return doc.m_shots[index]->Path().substr(doc.m_strDirectory.size()); }
    // The list holds exactly the GIF files of the directory, by time.
    void ExpectListMatchesDirectory() const
    {
        std::map<std::string, std::int64_t> onDisk;
        for (const DirectoryEntry& entry : ListDirectoryByExtension(dir.Dir(), ".GIF")) {
            onDisk[entry.name] = entry.lastWriteTime;
        }
        std::map<std::string, std::int64_t> listed;
        for (std::size_t i = 0; i < doc.m_shots.size(); ++i) {
            listed[NameAt(i)] = doc.m_shots[i]->lastWriteTime;
            EXPECT_EQ(doc.m_nShotNumbers[i], CKESTRELDoc::ShotNumberFromPath(doc.m_shots[i]->Path()));
            if (i > 0) {
                EXPECT_LE(doc.m_shots[i - 1]->lastWriteTime, doc.m_shots[i]->lastWriteTime);
            }
        }
        EXPECT_EQ(listed, onDisk);
        EXPECT_EQ(std::size_t(doc.m_nShotCount), doc.m_shots.size());
    }

    ShotDir dir;
    CKESTRELDoc doc;
    RecordingTextBox status;
    RecordingTextBox number;
    CountingView view;
    std::unique_ptr<ShotDirectoryFollower> follower;
};

TEST(Follower, ANewShotJoinsTheListAndTheStatusBoxWithoutMovingTheDisplay)
{
    Followed f;
    f.UserNext();  // on display: shot 2 of 3
    ASSERT_EQ(f.status.m_text, "2 of 3 Shots     First Shot: 1     Last Shot: 3");
    const CDibImage* image = f.doc.m_pImage.get();
    const int numberWrites = f.number.m_writes;
    const int repaints = f.view.m_updates;
    ASSERT_TRUE(f.follower->UsesKernelNotification());

    kestrel::test::WriteFileBytes(f.dir.Path(Name(4)), Gif());
    ASSERT_TRUE(WaitUntil([&] { return f.doc.m_nShotCount == 4; }));
    EXPECT_EQ(f.status.m_text, "2 of 4 Shots     First Shot: 1     Last Shot: 4");
    EXPECT_EQ(f.Shown(), Name(2));
    EXPECT_EQ(f.doc.m_nShotPos, 2);
    EXPECT_EQ(f.doc.m_pImage.get(), image);
    EXPECT_EQ(f.number.m_writes, numberWrites);
    EXPECT_EQ(f.view.m_updates, repaints);  // nothing on display changed
    f.ExpectListMatchesDirectory();

    // An older file copied in with its time kept goes before the shot on display.
    const std::string older = f.dir.AddFile(Name(9), kOld + 5, 0, Gif());
    ASSERT_TRUE(WaitUntil([&] { return f.doc.m_nShotCount == 5 && f.NameAt(0) == Name(9); }));
    EXPECT_EQ(f.Shown(), Name(2));
    EXPECT_EQ(f.doc.m_nShotPos, 3);
    EXPECT_EQ(f.status.m_text, "3 of 5 Shots     First Shot: 9     Last Shot: 4");
    f.ExpectListMatchesDirectory();
}

TEST(Follower, RenamedShotsKeepTheirPlaceUnderTheirNewNumber)
{
    Followed f;
    f.UserNext();
    std::filesystem::rename(f.dir.Path(Name(3)), f.dir.Path(Name(33)));
    ASSERT_TRUE(WaitUntil([&] { return f.doc.m_nShotNumbers[2] == 33; }));
    EXPECT_EQ(f.status.m_text, "2 of 3 Shots     First Shot: 1     Last Shot: 33");

    // The shot on display: the shot-number box shows its new number.
    std::filesystem::rename(f.dir.Path(Name(2)), f.dir.Path(Name(22)));
    ASSERT_TRUE(WaitUntil([&] { return f.number.m_text == "0022"; }));
    EXPECT_EQ(f.Shown(), Name(22));
    EXPECT_EQ(f.doc.m_nShotPos, 2);
    f.ExpectListMatchesDirectory();
}

TEST(Follower, ARemovedShotOnDisplayGivesWayToTheShotInItsPlace)
{
    Followed f(4);
    f.UserNext();
    f.UserNext();  // shot 3 of 4
    const int repaints = f.view.m_updates;

    std::filesystem::remove(f.dir.Path(Name(1)));
    std::filesystem::remove(f.dir.Path(Name(3)));
    ASSERT_TRUE(WaitUntil([&] { return f.status.m_text == "2 of 2 Shots     First Shot: 2     Last Shot: 4"; }));
    EXPECT_EQ(f.Shown(), Name(4));
    EXPECT_EQ(f.number.m_text, "0004");
    EXPECT_GT(f.view.m_updates, repaints);
    f.ExpectListMatchesDirectory();

    // The last one gone too, then the only one left: nothing is on display.
    std::filesystem::remove(f.dir.Path(Name(4)));
    ASSERT_TRUE(WaitUntil([&] { return f.status.m_text == "1 of 1 Shots     First Shot: 2     Last Shot: 2"; }));
    EXPECT_EQ(f.Shown(), Name(2));
    std::filesystem::remove(f.dir.Path(Name(2)));
    ASSERT_TRUE(WaitUntil([&] { return f.status.m_text.empty(); }));
    EXPECT_EQ(f.number.m_text, "");
    EXPECT_EQ(f.doc.m_pImage, nullptr);
    EXPECT_EQ(f.doc.DisplayedShot(), nullptr);
}

TEST(Follower, ADirectoryThatGoesEmptiesTheListUntilOneOfItsNameComesBack)
{
    for (const bool poll : {false, true}) {
        for (const bool rename : {false, true}) {
            SCOPED_TRACE(std::string(poll ? "polling, " : "notified, ") + (rename ? "renamed" : "removed"));
            Followed f(3, poll);
            f.UserNext();
            const std::filesystem::path path = std::filesystem::path(f.dir.Dir()).parent_path();
            const std::filesystem::path moved = path.string() + "-moved";
            if (rename) {
                std::filesystem::rename(path, moved);
            } else {
                std::filesystem::remove_all(path);
            }
            ASSERT_TRUE(WaitUntil([&] { return f.doc.GetListState() == ListState::Gone; }));
            EXPECT_EQ(f.doc.ShotCount(), 0u);
            EXPECT_EQ(f.doc.m_pImage, nullptr);
            EXPECT_EQ(f.status.m_text, "");
            EXPECT_EQ(f.number.m_text, "");

            std::filesystem::create_directory(path);
            kestrel::test::WriteFileBytes((path / Name(7)).string(), Gif());
            ASSERT_TRUE(WaitUntil([&] { return f.status.m_text == "1 of 1 Shots     First Shot: 7     Last Shot: 7"; },
                                  8000));
            EXPECT_EQ(f.doc.GetListState(), ListState::Listed);
            EXPECT_EQ(f.Shown(), Name(7));
            std::filesystem::remove_all(moved);
        }
    }
}

TEST(Follower, AListingThatFailsKeepsTheListUntilItCanBeReadAgain)
{
    Followed f(2, true);
    const std::filesystem::path link = std::filesystem::path(f.dir.Dir()).parent_path().string() + "-link";
    std::filesystem::create_directory_symlink(std::filesystem::path(f.dir.Dir()).parent_path(), link);
    f.Open(link.string() + "/");
    ASSERT_EQ(f.doc.ShotCount(), 2u);

    // A link to itself: the directory cannot be listed for a while.
    std::filesystem::remove(link);
    std::filesystem::create_directory_symlink(link, link);
    ASSERT_TRUE(WaitUntil([&] { return f.doc.GetListState() == ListState::Unreadable; }));
    EXPECT_EQ(f.doc.ShotCount(), 2u);
    EXPECT_EQ(f.status.m_text, "1 of 2 Shots     First Shot: 1     Last Shot: 2");

    std::filesystem::remove(link);
    std::filesystem::create_directory_symlink(std::filesystem::path(f.dir.Dir()).parent_path(), link);
    ASSERT_TRUE(WaitUntil([&] { return f.doc.GetListState() == ListState::Listed; }));
    EXPECT_EQ(f.doc.ShotCount(), 2u);
    std::filesystem::remove(link);
}

TEST(Follower, AShotWrittenAgainIsReloadedAtItsNewPlace)
{
    Followed f;
    const int loads = f.number.m_writes;
    const int repaints = f.view.m_updates;
    kestrel::test::WriteFileBytes(f.dir.Path(Name(1)), Gif(200));  // now the newest
    ASSERT_TRUE(WaitUntil([&] { return f.doc.m_nShotPos == 3; }));
    EXPECT_EQ(f.Shown(), Name(1));
    EXPECT_EQ(f.number.m_writes, loads + 1);
    EXPECT_GT(f.view.m_updates, repaints);
    EXPECT_EQ(f.status.m_text, "3 of 3 Shots     First Shot: 2     Last Shot: 1");
    EXPECT_EQ(f.number.m_text, "0001");
    f.ExpectListMatchesDirectory();
}

TEST(Follower, ABurstOfTwoHundredFilesAllArriveInTimeOrder)
{
    Followed f;
    for (int i = 0; i < 200; ++i) ASSERT_TRUE(kestrel::test::WriteFileBytes(f.dir.Path(Name(100 + i)), Gif()));
    ASSERT_TRUE(WaitUntil([&] { return f.doc.m_nShotCount == 203 && f.follower->PendingCount() == 0; }));
    f.ExpectListMatchesDirectory();
    EXPECT_EQ(f.Shown(), Name(1));
    EXPECT_EQ(f.doc.m_nShotPos, 1);
    char expected[128];
    std::snprintf(expected, sizeof expected, "1 of 203 Shots     First Shot: 1     Last Shot: %d",
                  f.doc.m_nShotNumbers[202]);
    EXPECT_EQ(f.status.m_text, expected);
}

TEST(Follower, FollowNewestShowsEachArrivalUntilTheUserMoves)
{
    Followed f;
    std::vector<bool> told;
    f.follower->SetFollowNewestChanged([&](bool on) { told.push_back(on); });
    f.follower->SetFollowNewest(true);
    EXPECT_EQ(f.Shown(), Name(3));
    EXPECT_EQ(f.status.m_text, "3 of 3 Shots     First Shot: 1     Last Shot: 3");

    kestrel::test::WriteFileBytes(f.dir.Path(Name(4)), Gif());
    ASSERT_TRUE(WaitUntil([&] { return f.Shown() == Name(4); }));
    EXPECT_EQ(f.number.m_text, "0004");
    EXPECT_EQ(f.status.m_text, "4 of 4 Shots     First Shot: 1     Last Shot: 4");
    EXPECT_TRUE(f.follower->FollowNewest());

    f.UserPrevious();
    EXPECT_FALSE(f.follower->FollowNewest());
    EXPECT_EQ(told, (std::vector<bool>{true, false}));
    kestrel::test::WriteFileBytes(f.dir.Path(Name(5)), Gif());
    ASSERT_TRUE(WaitUntil([&] { return f.doc.m_nShotCount == 5; }));
    EXPECT_EQ(f.Shown(), Name(3));

    f.follower->ToggleFollowNewest();
    EXPECT_EQ(f.Shown(), Name(5));
}

TEST(Follower, FollowNewestOntoAFifoNeverBlocks)
{
    Followed f;
    f.follower->SetFollowNewest(true);
    const std::string fifo = f.dir.Path(Name(4));
    EXPECT_TRUE(shots_test::ReturnsWithoutBlockingOn(fifo, [&] {
        ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
        ASSERT_TRUE(WaitUntil([&] { return f.Shown() == Name(4); }));
    }));
    ASSERT_NE(f.doc.m_pImage, nullptr);
    EXPECT_TRUE(f.doc.m_pImage->IsEmpty());
    EXPECT_EQ(f.status.m_text, "4 of 4 Shots     First Shot: 1     Last Shot: 4");
}

TEST(Follower, AnEmptyDirectoryShowsItsFirstShotWhenItArrives)
{
    Followed f(0);
    EXPECT_EQ(f.doc.m_nShotCount, 0);
    EXPECT_EQ(f.doc.m_pImage, nullptr);
    const int repaints = f.view.m_updates;
    kestrel::test::WriteFileBytes(f.dir.Path(Name(7)), Gif());
    ASSERT_TRUE(WaitUntil([&] { return f.doc.m_nShotCount == 1; }));
    EXPECT_EQ(f.doc.m_nShotPos, 1);
    EXPECT_NE(f.doc.m_pImage, nullptr);
    EXPECT_EQ(f.number.m_text, "0007");
    EXPECT_EQ(f.status.m_text, "1 of 1 Shots     First Shot: 7     Last Shot: 7");
    EXPECT_GT(f.view.m_updates, repaints);
}

TEST(Follower, OpeningAnotherDirectoryFollowsThatOne)
{
    Followed f;
    ShotDir other;
    other.AddFile(Name(80), kOld, 0, Gif());
    f.Open(other.Dir());
    EXPECT_EQ(f.follower->WatchedDirectory(), other.Dir());

    kestrel::test::WriteFileBytes(f.dir.Path(Name(4)), Gif());  // the old directory: ignored
    kestrel::test::WriteFileBytes(other.Path(Name(81)), Gif());
    ASSERT_TRUE(WaitUntil([&] { return f.doc.m_nShotCount == 2; }));
    QTest::qWait(100);
    EXPECT_EQ(f.doc.m_nShotCount, 2);
    EXPECT_EQ(f.NameAt(1), Name(81));

    // Opening the same directory again takes the new scan as it is.
    f.Open(other.Dir());
    kestrel::test::WriteFileBytes(other.Path(Name(82)), Gif());
    ASSERT_TRUE(WaitUntil([&] { return f.doc.m_nShotCount == 3; }));
    EXPECT_EQ(f.status.m_text, "1 of 3 Shots     First Shot: 80     Last Shot: 82");
}

}  // namespace

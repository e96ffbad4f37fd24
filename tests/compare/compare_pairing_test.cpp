// Which of B's shots goes with A's, and B following A and its own directory.
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compare/shot_compare.h"
#include "compare/shot_pairing.h"
#include "shots/shot_list_document.h"
#include "tests/qt/shot_files.h"

namespace {

// A list of names in shot order, without files: pairing reads only names.
void List(CKESTRELDoc& doc, const std::vector<std::string>& names)
{
    for (const std::string& name : names)
        doc.InsertShot(doc.ShotCount(), std::make_unique<ShotRecord>(ShotRecord{"/run/" + name, 0}));
}

constexpr std::optional<std::size_t> NONE = std::nullopt;

TEST(ComparePairing, ByNumberTakesBsEarliestShotOfTheNumberAndByIndexThePosition)
{
    // B repeats 2, lacks 3 and is shorter than A.
    CKESTRELDoc a;
    CKESTRELDoc b;
    List(a, {"a0001.gif", "a0002.gif", "a0003.gif", "a0002.gif", "a0007.gif"});
    List(b, {"b0002.gif", "b0001.gif", "b0002.gif", "b0007.gif"});
    const struct {
        std::size_t aIndex;
        PairBy by;
        std::optional<std::size_t> paired;
        int key;
    } cases[] = {
        {0, PairBy::Number, 1, 1},    {1, PairBy::Number, 0, 2},    {2, PairBy::Number, NONE, 3},
        {3, PairBy::Number, 0, 2},    {4, PairBy::Number, 3, 7},    {0, PairBy::Index, 0, 1},
        {3, PairBy::Index, 3, 4},     {4, PairBy::Index, NONE, 5},  {9, PairBy::Number, NONE, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "A index " << c.aIndex << (c.by == PairBy::Index ? " by index" : " by number"));
        EXPECT_EQ(PairedIndex(a, c.aIndex, b, c.by), c.paired);
        EXPECT_EQ(PairKey(a, c.aIndex, c.by), c.key);
    }
    CKESTRELDoc empty;
    EXPECT_EQ(PairedIndex(a, 0, empty, PairBy::Number), NONE);
    EXPECT_EQ(PairedIndex(a, 0, empty, PairBy::Index), NONE);
}

// Run A and run B on disk, each shot a solid GIF.
struct TwoRuns {
    TwoRuns()
    {
        for (int n = 1; n <= 3; ++n) AddA(n, 100 + n);
        AddB(1, 100);
        AddB(3, 101);
        a.OpenDirectory(dirA.Dir());
        compare.Configure(a, 0, 1);
        compare.Open(dirB.Dir());
    }
    void AddA(int number, int seconds)
    {
        dirA.AddFile("a" + Number(number) + ".gif", seconds, 0, shots_test::SolidGif(4, 3, {10, 20, 30}));
    }
    std::string AddB(int number, int seconds, shots_test::Rgb colour = {10, 20, 30})
    {
        return dirB.AddFile("b" + Number(number) + ".gif", seconds, 0, shots_test::SolidGif(4, 3, colour));
    }
    static std::string Number(int n)
    {
        char text[8];
        std::snprintf(text, sizeof text, "%04d", n);
        return text;
    }
    // B's shot number on display after a sync, or -1 when B has none.
    int SyncedNumber()
    {
        compare.Sync(a);
        return compare.Paired() ? compare.B().ShotNumber(*compare.Paired()) : -1;
    }

    shots_test::ShotDir dirA;
    shots_test::ShotDir dirB;
    CKESTRELDoc a;
    ShotCompare compare{CompareOptions{}};
};

TEST(ComparePairing, BFollowsAsShotAndSaysWhatItLacks)
{
    TwoRuns runs;
    EXPECT_EQ(runs.SyncedNumber(), 1);
    runs.a.LoadShot();  // A's shot 2: B has none
    EXPECT_EQ(runs.SyncedNumber(), -1);
    EXPECT_EQ(runs.compare.StatusLine(runs.a.m_pImage.get()), "compare: B has no shot 2");
    EXPECT_EQ(runs.compare.OverlayLines(runs.a.m_pImage.get(), std::nullopt), std::vector<std::string>{"B: no shot 2"});
    const CDibImage* placeholder = runs.compare.PictureB(runs.a.m_pImage.get());
    ASSERT_NE(placeholder, nullptr);
    EXPECT_EQ(placeholder->Width(), 4);
    runs.a.LoadShot();
    EXPECT_EQ(runs.SyncedNumber(), 3);
    EXPECT_EQ(runs.compare.StatusLine(runs.a.m_pImage.get()),
              "compare: B shot 3 of 2: 0 pixels differ, largest difference 0");
    PixelReadout pixel;
    pixel.at = {3, 2};
    pixel.index = 0;
    pixel.red = 10;
    pixel.green = 20;
    pixel.blue = 30;
    EXPECT_EQ(runs.compare.OverlayLines(runs.a.m_pImage.get(), pixel),
              (std::vector<std::string>{"B: b0003.gif, shot 3, 2 of 2", "0 pixels differ, largest difference 0",
                                        "B x 3, y 2, index 0, RGB 10 20 30"}));
}

TEST(ComparePairing, BsListChangingWhileFollowedIsPairedAgain)
{
    TwoRuns runs;
    runs.a.LoadShotAt(1);
    EXPECT_EQ(runs.SyncedNumber(), -1);
    // The follower patches B's list as files arrive, are rewritten and go.
    const std::string arrived = runs.AddB(2, 102, {200, 20, 30});
    runs.compare.B().InsertShot(2, std::make_unique<ShotRecord>(ShotRecord{arrived, 102}));
    EXPECT_EQ(runs.SyncedNumber(), 2);
    EXPECT_EQ(runs.compare.StatusLine(runs.a.m_pImage.get()),
              "compare: B shot 2 of 3: 12 pixels differ, largest difference 190");
    // Written again: the same name, a new time, other pixels.
    runs.AddB(2, 103, {10, 20, 31});
    runs.compare.B().ReplaceShot(2, std::make_unique<ShotRecord>(ShotRecord{arrived, 103}));
    EXPECT_TRUE(runs.compare.Sync(runs.a));
    EXPECT_FALSE(runs.compare.Sync(runs.a));  // nothing new since
    EXPECT_EQ(runs.compare.StatusLine(runs.a.m_pImage.get()),
              "compare: B shot 2 of 3: 12 pixels differ, largest difference 1");
    runs.compare.B().RemoveShot(2);
    EXPECT_EQ(runs.SyncedNumber(), -1);
    // By index the same A shot pairs with B's second.
    runs.compare.SetPairBy(PairBy::Index);
    EXPECT_EQ(runs.SyncedNumber(), 3);
}

}  // namespace

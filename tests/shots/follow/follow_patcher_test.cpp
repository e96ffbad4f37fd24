#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "shots/follow/shot_list_patcher.h"
#include "tests/qt/shot_files.h"

namespace {

using shots_test::RecordingTextBox;

std::int64_t At(long long seconds) { return kFileTimeUnixEpoch + seconds * 10000000; }

ShotFileState Present(const std::string& name, long long seconds) { return ShotFileState{name, true, At(seconds)}; }
ShotFileState Gone(const std::string& name) { return ShotFileState{name, false, 0}; }

// A document whose list is made in memory, as a scan of files with these
// names and times would make it; the files themselves do not exist, so a
// load gives an image without pixels, which is all these tests need.
struct ListedDocument {
    explicit ListedDocument(const std::vector<std::pair<std::string, long long>>& shots, int displayPosition = 1)
    {
        doc.m_strDirectory = "/kestrel-follow-test-nowhere/";
        doc.m_pStatusBox = &status;
        doc.m_pShotNumberBox = &number;
        for (const auto& [name, seconds] : shots) {
            doc.m_shots.push_back(std::make_unique<ShotRecord>(ShotRecord{doc.m_strDirectory + name, At(seconds)}));
        }
        doc.m_nShotCount = std::int32_t(doc.m_shots.size());
        for (std::size_t i = 0; i < doc.m_shots.size(); ++i) {
            doc.m_nShotNumbers[i] = CKESTRELDoc::ShotNumberFromPath(doc.m_shots[i]->Path());
        }
        if (displayPosition > 0) {
            doc.LoadShotAt(std::size_t(displayPosition - 1));
        }
        patcher.Reset();
    }

    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& shot : doc.m_shots) names.push_back(shot->Path().substr(doc.m_strDirectory.size()));
        return names;
    }
    std::string DisplayedName() const
    {
        const ShotRecord* shown = patcher.Displayed();
        return shown ? shown->Path().substr(doc.m_strDirectory.size()) : std::string();
    }
    // What the document promises after every change: one number per record,
    // each read from its path, the list ascending by time, the cursor in range.
    void ExpectConsistent() const
    {
        ASSERT_EQ(std::size_t(doc.m_nShotCount), doc.m_shots.size());
        for (std::size_t i = 0; i < doc.m_shots.size(); ++i) {
            EXPECT_EQ(doc.m_nShotNumbers[i], CKESTRELDoc::ShotNumberFromPath(doc.m_shots[i]->Path())) << i;
            if (i > 0) {
                EXPECT_LE(doc.m_shots[i - 1]->lastWriteTime, doc.m_shots[i]->lastWriteTime) << i;
            }
        }
        EXPECT_GE(doc.m_nShotPos, 0);
        EXPECT_LE(doc.m_nShotPos, doc.m_nShotCount);
    }

    CKESTRELDoc doc;
    RecordingTextBox status;
    RecordingTextBox number;
    ShotListPatcher patcher{doc};
};

TEST(FollowPatcher, NewShotsTakeTheirPlaceByTimeAndTheDisplayedShotKeepsItsPosition)
{
    ListedDocument d({{"s0010.gif", 10}, {"s0020.gif", 20}, {"s0030.gif", 30}}, 2);
    ASSERT_EQ(d.DisplayedName(), "s0020.gif");

    ShotListPatchResult result = d.patcher.Apply({Present("s0015.gif", 15)});
    EXPECT_EQ(result.added, 1);
    EXPECT_TRUE(result.listChanged);
    EXPECT_FALSE(result.displayedRewritten);
    EXPECT_EQ(d.Names(), (std::vector<std::string>{"s0010.gif", "s0015.gif", "s0020.gif", "s0030.gif"}));
    EXPECT_EQ(d.DisplayedName(), "s0020.gif");
    EXPECT_EQ(d.doc.m_nShotPos, 3);
    EXPECT_EQ(d.patcher.StatusText(), "3 of 4 Shots     First Shot: 10     Last Shot: 30");

    d.patcher.Apply({Present("s0040.gif", 40), Present("s0005.gif", 5)});
    EXPECT_EQ(d.Names().front(), "s0005.gif");
    EXPECT_EQ(d.Names().back(), "s0040.gif");
    EXPECT_EQ(d.doc.m_nShotPos, 4);
    EXPECT_EQ(d.patcher.StatusText(), "4 of 6 Shots     First Shot: 5     Last Shot: 40");
    d.ExpectConsistent();
}

TEST(FollowPatcher, ANewShotWithTheTimeOfListedOnesComesAfterThem)
{
    ListedDocument d({{"a0001.gif", 10}, {"a0002.gif", 10}, {"a0003.gif", 20}});
    d.patcher.Apply({Present("a0009.gif", 10)});
    EXPECT_EQ(d.Names(), (std::vector<std::string>{"a0001.gif", "a0002.gif", "a0009.gif", "a0003.gif"}));
    d.ExpectConsistent();
}

TEST(FollowPatcher, ARemovedShotLeavesAndTheCursorFollowsTheShotOnDisplay)
{
    ListedDocument d({{"s0010.gif", 10}, {"s0020.gif", 20}, {"s0030.gif", 30}}, 3);
    ShotListPatchResult result = d.patcher.Apply({Gone("s0010.gif"), Gone("nothing.gif")});
    EXPECT_EQ(result.removed, 1);
    EXPECT_EQ(d.Names(), (std::vector<std::string>{"s0020.gif", "s0030.gif"}));
    EXPECT_EQ(d.doc.m_nShotPos, 2);
    EXPECT_FALSE(result.displayedRemoved);
    EXPECT_EQ(d.patcher.StatusText(), "2 of 2 Shots     First Shot: 20     Last Shot: 30");
    d.ExpectConsistent();
}

TEST(FollowPatcher, TheRemovedShotOnDisplayLeavesAndTheResultSaysFromWhere)
{
    struct Case {
        std::int32_t shown;     // position on display before
        const char* gone;
        std::size_t index;      // where it stood
        const char* status;
    };
    const Case cases[] = {
        {1, "s0010.gif", 0, "0 of 2 Shots     First Shot: 20     Last Shot: 30"},
        {2, "s0020.gif", 1, "1 of 2 Shots     First Shot: 10     Last Shot: 30"},
        {3, "s0030.gif", 2, "2 of 2 Shots     First Shot: 10     Last Shot: 20"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.gone);
        ListedDocument d({{"s0010.gif", 10}, {"s0020.gif", 20}, {"s0030.gif", 30}}, c.shown);
        const ShotListPatchResult result = d.patcher.Apply({Gone(c.gone)});
        EXPECT_TRUE(result.displayedRemoved);
        EXPECT_EQ(result.displayedIndex, c.index);
        EXPECT_EQ(result.removed, 1);
        EXPECT_EQ(d.doc.m_nShotCount, 2);
        EXPECT_EQ(d.doc.m_nShotPos, std::int32_t(c.index));
        EXPECT_EQ(d.patcher.StatusText(), c.status);
        d.ExpectConsistent();
    }

    ListedDocument only({{"s0010.gif", 10}}, 1);
    EXPECT_TRUE(only.patcher.Apply({Gone("s0010.gif")}).displayedRemoved);
    EXPECT_EQ(only.patcher.StatusText(), "");
    EXPECT_EQ(only.doc.m_nShotPos, 0);
}

TEST(FollowPatcher, AShotOnDisplayThatComesBackIsANewShot)
{
    ListedDocument d({{"s0010.gif", 10}, {"s0020.gif", 20}, {"s0030.gif", 30}}, 2);
    d.patcher.Apply({Gone("s0020.gif")});
    const ShotListPatchResult result = d.patcher.Apply({Present("s0020.gif", 40)});
    EXPECT_EQ(result.added, 1);
    EXPECT_FALSE(result.displayedRewritten);
    EXPECT_EQ(d.Names(), (std::vector<std::string>{"s0010.gif", "s0030.gif", "s0020.gif"}));
    d.ExpectConsistent();
}

TEST(FollowPatcher, ARewrittenShotMovesToItsNewTime)
{
    ListedDocument d({{"s0010.gif", 10}, {"s0020.gif", 20}, {"s0030.gif", 30}}, 1);
    ShotListPatchResult result = d.patcher.Apply({Present("s0010.gif", 50)});
    EXPECT_EQ(result.rewritten, 1);
    EXPECT_TRUE(result.displayedRewritten);
    EXPECT_EQ(d.Names(), (std::vector<std::string>{"s0020.gif", "s0030.gif", "s0010.gif"}));
    EXPECT_EQ(d.doc.m_nShotPos, 3);
    EXPECT_EQ(d.patcher.StatusText(), "3 of 3 Shots     First Shot: 20     Last Shot: 10");

    // Written again within the same time: same place, still news for the display.
    result = d.patcher.Apply({Present("s0010.gif", 50)});
    EXPECT_TRUE(result.displayedRewritten);
    EXPECT_FALSE(result.listChanged);
    result = d.patcher.Apply({Present("s0020.gif", 20)});
    EXPECT_FALSE(result.displayedRewritten);
    d.ExpectConsistent();
}

TEST(FollowPatcher, ARenameKeepsTheShotWithItsNewNameAndNumber)
{
    ListedDocument d({{"s0010.gif", 10}, {"s0020.gif", 20}, {"s0030.gif", 30}}, 2);
    const ShotRecord* shown = d.patcher.Displayed();
    ShotListPatchResult result = d.patcher.Apply({}, {ShotRename{"s0020.gif", "s0099.gif", At(20)}});
    EXPECT_EQ(result.renamed, 1);
    EXPECT_TRUE(result.displayedRenamed);
    EXPECT_EQ(d.patcher.Displayed(), shown);
    EXPECT_EQ(d.DisplayedName(), "s0099.gif");
    EXPECT_EQ(d.doc.m_nShotNumbers[1], 99);
    EXPECT_FALSE(d.patcher.Knows("s0020.gif"));
    EXPECT_TRUE(d.patcher.Knows("s0099.gif"));

    // Over a listed name: the old one leaves, the other takes the new time.
    result = d.patcher.Apply({}, {ShotRename{"s0010.gif", "s0030.gif", At(10)}});
    EXPECT_EQ(d.Names(), (std::vector<std::string>{"s0030.gif", "s0099.gif"}));
    EXPECT_EQ(d.DisplayedName(), "s0099.gif");
    EXPECT_EQ(d.doc.m_nShotPos, 2);
    d.ExpectConsistent();
}

TEST(FollowPatcher, AnEmptyListFillsWithoutAnythingOnDisplay)
{
    ListedDocument d({}, 0);
    d.patcher.Apply({Present("x0002.gif", 2), Present("x0001.gif", 1)});
    EXPECT_EQ(d.Names(), (std::vector<std::string>{"x0001.gif", "x0002.gif"}));
    EXPECT_EQ(d.doc.m_nShotPos, 0);
    EXPECT_EQ(d.patcher.Displayed(), nullptr);
    d.ExpectConsistent();
}

TEST(FollowPatcher, DiffNamesWhatAListingChanged)
{
    ListedDocument d({{"s0010.gif", 10}, {"s0020.gif", 20}, {"s0030.gif", 30}}, 1);
    const std::vector<ShotFileState> changes =
        d.patcher.Diff({{"s0010.gif", At(10)}, {"s0020.gif", At(25)}, {"s0040.gif", At(40)}});
    std::map<std::string, std::pair<bool, std::int64_t>> byName;
    for (const ShotFileState& change : changes) byName[change.name] = {change.present, change.lastWriteTime};
    EXPECT_EQ(byName.size(), 3u);
    EXPECT_EQ(byName["s0020.gif"], std::make_pair(true, At(25)));
    EXPECT_EQ(byName["s0040.gif"], std::make_pair(true, At(40)));
    EXPECT_FALSE(byName["s0030.gif"].first);
}

// Directories of more than MAX_SHOTS files list the oldest MAX_SHOTS.
class FullListTest : public ::testing::Test {
protected:
    static std::vector<std::pair<std::string, long long>> FullDirectory()
    {
        std::vector<std::pair<std::string, long long>> shots;
        for (int i = 0; i < CKESTRELDoc::MAX_SHOTS; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "f%05d.gif", i);
            shots.push_back({name, 1000 + i});
        }
        return shots;
    }
};

TEST_F(FullListTest, ANewerFileWaitsBesideAFullListAndComesInWhenAShotLeaves)
{
    ListedDocument d(FullDirectory(), 1);
    d.patcher.Apply({Present("new00.gif", 100000)});
    EXPECT_EQ(d.doc.m_nShotCount, CKESTRELDoc::MAX_SHOTS);
    EXPECT_EQ(d.patcher.BeyondCapacityCount(), 1u);
    EXPECT_EQ(d.Names().back(), "f04999.gif");

    d.patcher.Apply({Gone("f00100.gif")});
    EXPECT_EQ(d.doc.m_nShotCount, CKESTRELDoc::MAX_SHOTS);
    EXPECT_EQ(d.patcher.BeyondCapacityCount(), 0u);
    EXPECT_EQ(d.Names().back(), "new00.gif");
    d.ExpectConsistent();
}

TEST_F(FullListTest, AnOlderFilePushesTheNewestListedShotAsideButNeverTheOneOnDisplay)
{
    ListedDocument d(FullDirectory(), CKESTRELDoc::MAX_SHOTS);  // newest on display
    d.patcher.Apply({Present("old00.gif", 1)});
    EXPECT_EQ(d.doc.m_nShotCount, CKESTRELDoc::MAX_SHOTS);
    EXPECT_EQ(d.Names().front(), "old00.gif");
    EXPECT_EQ(d.DisplayedName(), "f04999.gif");
    EXPECT_EQ(d.Names()[std::size_t(CKESTRELDoc::MAX_SHOTS - 2)], "f04997.gif");
    EXPECT_EQ(d.patcher.BeyondCapacityCount(), 1u);
    EXPECT_EQ(d.doc.m_nShotPos, CKESTRELDoc::MAX_SHOTS);
    d.ExpectConsistent();
}

// Random adds, removals, rewrites and renames, checked against a plain map
// of what is on disk: the list always holds exactly the files present.
TEST(FollowPatcher, RandomChangesKeepTheListEqualToTheFilesPresent)
{
    ListedDocument d({{"r0000.gif", 500}}, 1);
    std::map<std::string, long long> disk{{"r0000.gif", 500}};
    std::mt19937 random(12345);
    for (int step = 0; step < 3000; ++step) {
        const std::string name = "r" + std::to_string(1000 + int(random() % 60)) + ".gif";
        const long long time = 1 + static_cast<long long>(random() % 1000);
        const int kind = int(random() % 5);
        std::vector<ShotFileState> changes;
        std::vector<ShotRename> renames;
        if (kind == 0) {
            disk.erase(name);
            changes.push_back(Gone(name));
        } else if (kind == 4 && disk.count(name)) {
            const std::string to = "r" + std::to_string(1000 + int(random() % 60)) + ".gif";
            if (to != name) {
                disk[to] = disk[name];
                disk.erase(name);
                renames.push_back(ShotRename{name, to, At(disk[to])});
            }
        } else {
            disk[name] = time;
            changes.push_back(Present(name, time));
        }
        d.patcher.Apply(changes, renames);
        // Now and then the user moves.
        if (random() % 4 == 0 && d.doc.m_nShotCount > 0) {
            d.doc.LoadShotAt(std::size_t(random() % std::uint32_t(d.doc.m_nShotCount)));
        }

        std::map<std::string, long long> listed;
        for (const auto& shot : d.doc.m_shots) {
            listed[shot->Path().substr(d.doc.m_strDirectory.size())] = (shot->lastWriteTime - kFileTimeUnixEpoch) / 10000000;
        }
        ASSERT_EQ(listed, disk) << "step " << step;
        ASSERT_NO_FATAL_FAILURE(d.ExpectConsistent());
    }
}

}  // namespace

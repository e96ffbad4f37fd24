// Sequences: a folder of two cameras grouped by prefix. The list, its counts
// and boxes, stepping and jumping stay within the sequence on display;
// switching lists the other; the report gives one block per sequence.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "shots/list/shot_report.h"
#include "shots/list/shot_types.h"
#include "shots/shot_list_document.h"
#include "tests/qt/shot_files.h"

namespace {

using shots_test::RecordingTextBox;
using shots_test::ShotDir;

// cam0_ and cam1_ shots written alternately, each camera numbering its own
// from 1; a name too short for a number has the empty prefix.
struct TwoCameras {
    TwoCameras()
    {
        long long time = 1700000000;
        for (int n = 1; n <= 3; ++n) {
            dir.AddFile("cam1_000" + std::to_string(n) + ".png", time++);
            dir.AddFile("cam0_000" + std::to_string(n) + ".png", time++);
        }
        dir.AddFile("x.png", time++);
        dir.AddFile("cam2_0001.gif", time++);  // another type: not listed
        doc.m_pStatusBox = &status;
        doc.m_pShotNumberBox = &number;
        doc.SetShotTypes(ShotTypes::Only(ImageFormat::Png));
        doc.SetGroupByPrefix(true);
    }
    void Open(const std::string& sequence = std::string())
    {
        doc.SetSequence(sequence);
        doc.OpenDirectory(dir.Dir());
    }
    std::vector<std::string> Names() const
    {
        std::vector<std::string> names;
        for (const auto& shot : doc.Shots()) names.push_back(shot->Path().substr(dir.Dir().size()));
        return names;
    }

    ShotDir dir;
    CKESTRELDoc doc;
    RecordingTextBox status;
    RecordingTextBox number;
};

TEST(ShotSequences, EachPrefixIsASequenceOfItsOwn)
{
    struct Case {
        const char* asked;
        const char* listed;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {"", "", {"x.png"}},
        {"cam0_", "cam0_", {"cam0_0001.png", "cam0_0002.png", "cam0_0003.png"}},
        {"cam1_", "cam1_", {"cam1_0001.png", "cam1_0002.png", "cam1_0003.png"}},
        {"cam9_", "", {"x.png"}},  // not there: the first in name order
    };
    for (const Case& c : cases) {
        TwoCameras f;
        f.Open(c.asked);
        EXPECT_EQ(f.doc.Sequences(), (std::vector<std::string>{"", "cam0_", "cam1_"})) << c.asked;
        EXPECT_EQ(f.doc.SequencePrefix(), c.listed) << c.asked;
        EXPECT_EQ(f.Names(), c.names) << c.asked;
    }
}

TEST(ShotSequences, CountsStepsAndJumpsStayWithinTheSequence)
{
    TwoCameras f;
    f.Open("cam1_");
    EXPECT_EQ(f.status.m_text, "1 of 3 Shots     First Shot: 1     Last Shot: 3");
    EXPECT_EQ(f.number.m_text, "0001");
    f.doc.LoadShot();
    f.doc.LoadShot();
    EXPECT_EQ(f.doc.DisplayedShot()->Path(), f.dir.Path("cam1_0003.png"));
    f.doc.LoadShot();  // wraps within the sequence
    EXPECT_EQ(f.doc.DisplayedShot()->Path(), f.dir.Path("cam1_0001.png"));
    f.doc.LoadLastShot();
    EXPECT_EQ(f.status.m_text, "3 of 3 Shots     First Shot: 1     Last Shot: 3");
    // Shot number 2 of camera 1, not of camera 0 (written earlier).
    const std::ptrdiff_t two = f.doc.EarliestIndexOfNumber(2);
    ASSERT_GE(two, 0);
    EXPECT_EQ(f.doc.Shot(std::size_t(two)).Path(), f.dir.Path("cam1_0002.png"));
    EXPECT_TRUE(f.doc.ListsName("cam1_0009.png"));
    EXPECT_FALSE(f.doc.ListsName("cam0_0009.png"));
    EXPECT_FALSE(f.doc.ListsName("cam1_0009.gif"));
}

TEST(ShotSequences, SwitchingStepsThroughThePrefixesInNameOrderAndWraps)
{
    TwoCameras f;
    f.Open("cam0_");
    const struct {
        int step;
        const char* prefix;
    } steps[] = {{1, "cam1_"}, {1, ""}, {1, "cam0_"}, {-1, ""}, {-1, "cam1_"}};
    for (const auto& s : steps) {
        if (s.step > 0) {
            f.doc.OpenNextSequence();
        } else {
            f.doc.OpenPreviousSequence();
        }
        EXPECT_EQ(f.doc.SequencePrefix(), s.prefix);
        ASSERT_NE(f.doc.DisplayedShot(), nullptr);
        EXPECT_EQ(ShotPrefix(f.doc.DisplayedShot()->Path().substr(f.dir.Dir().size())), s.prefix);
        EXPECT_EQ(f.doc.DisplayedIndex(), 0);
    }
}

TEST(ShotSequences, WithoutGroupingOneListHoldsEveryPrefix)
{
    TwoCameras f;
    f.doc.SetGroupByPrefix(false);
    f.Open();
    EXPECT_EQ(f.doc.ShotCount(), 7u);
    EXPECT_TRUE(f.doc.Sequences().empty());
    f.doc.OpenNextSequence();  // nothing to step to
    EXPECT_EQ(f.doc.ShotCount(), 7u);
}

TEST(ShotSequences, TheReportGivesEachSequence)
{
    TwoCameras f;
    ShotListOptions options;
    options.types = ShotTypes::Only(ImageFormat::Png);
    options.groupByPrefix = true;
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(RunShotReport(f.dir.Dir(), out, err, CKESTRELDoc::MAX_SHOTS, options), SHOT_REPORT_OK);
    std::vector<std::string> heads;
    std::vector<std::string> counts;
    std::istringstream in(out.str());
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("Sequence:", 0) == 0) heads.push_back(line);
        if (line.rfind("Shots:", 0) == 0) counts.push_back(line);
        EXPECT_EQ(line.find("cam2_"), std::string::npos) << line;
    }
    EXPECT_EQ(heads, (std::vector<std::string>{"Sequence: ", "Sequence: cam0_", "Sequence: cam1_"}));
    ASSERT_EQ(counts.size(), 3u);
    EXPECT_EQ(counts[0].rfind("Shots: 1 ", 0), 0u);  // x.png: its number comes from the folder's name
    EXPECT_EQ(counts[1], "Shots: 3     First Shot: 1     Last Shot: 3");
    EXPECT_EQ(counts[2], "Shots: 3     First Shot: 1     Last Shot: 3");
    EXPECT_NE(out.str().find("1\t1\tcam1_0001.png\t"), std::string::npos);
    EXPECT_EQ(out.str().find("Numbers used more than once: 1"), std::string::npos);

    // A PNG named as PATH lists PNG files with the default types.
    std::ostringstream single;
    ASSERT_EQ(RunShotReport(f.dir.Path("cam0_0001.png"), single, err), SHOT_REPORT_OK);
    EXPECT_NE(single.str().find("Shots: 7     First Shot: 1"), std::string::npos) << single.str();
}

}  // namespace

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "shots/list/directory_listing.h"
#include "shots/list/shot_report.h"
#include "tests/qt/shot_files.h"

namespace {

using shots_test::ShotDir;

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(FollowReport, ListsShotsInShotOrderThenSummarises)
{
    ShotDir dir;
    dir.AddFile("run0003.gif", 1700000030, 500);
    dir.AddFile("run0001.gif", 1700000010);
    dir.AddFile("run0002.GIF", 1700000020);
    dir.AddFile("run0007.gif", 1700000040);
    dir.AddFile("run0002.gif", 1700000050);
    dir.AddFile("run0008.gif", 1700000060);
    dir.AddFile("notes.txt", 1700000070);

    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunShotReport(dir.Dir(), out, err), SHOT_REPORT_OK);
    EXPECT_EQ(err.str(), "");
    const std::vector<std::string> lines = Lines(out.str());
    const std::vector<std::string> expected = {
        "1\t1\trun0001.gif\t2023-11-14T22:13:30.0000000Z",
        "2\t2\trun0002.GIF\t2023-11-14T22:13:40.0000000Z",
        "3\t3\trun0003.gif\t2023-11-14T22:13:50.0000005Z",
        "4\t7\trun0007.gif\t2023-11-14T22:14:00.0000000Z",
        "5\t2\trun0002.gif\t2023-11-14T22:14:10.0000000Z",
        "6\t8\trun0008.gif\t2023-11-14T22:14:20.0000000Z",
        "",
        "Directory: " + dir.Dir(),
        "Shots: 6     First Shot: 1     Last Shot: 8",
        "Missing numbers: 4-6",
        "Numbers used more than once: 2 (positions 2, 5)",
        "Number goes down while time goes up: position 5 (7 then 2)",
    };
    EXPECT_EQ(lines, expected);
}

// A name is bytes: a newline must not split its line, other bytes pass.
TEST(FollowReport, ControlCharactersInNamesAreEscaped)
{
    ShotDir dir;
    dir.AddFile("a\nb0001.gif", 1700000010);
    dir.AddFile("t\tc\x01\x7f" "0002.gif", 1700000020);
    dir.AddFile("\xff\xfe" "0003.gif", 1700000030);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunShotReport(dir.Dir(), out, err), SHOT_REPORT_OK);
    const std::vector<std::string> lines = Lines(out.str());
    ASSERT_GE(lines.size(), 3u);
    EXPECT_EQ(lines[0], "1\t1\ta\\nb0001.gif\t2023-11-14T22:13:30.0000000Z");
    EXPECT_EQ(lines[1], "2\t2\tt\\tc\\x01\\x7f0002.gif\t2023-11-14T22:13:40.0000000Z");
    EXPECT_EQ(lines[2], "3\t3\t\xff\xfe" "0003.gif\t2023-11-14T22:13:50.0000000Z");
}

TEST(FollowReport, AFileNamesItsDirectory)
{
    ShotDir dir;
    const std::string path = dir.AddFile("a0001.gif", 1700000000);
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunShotReport(path, out, err), SHOT_REPORT_OK);
    EXPECT_EQ(Lines(out.str()).front(), "1\t1\ta0001.gif\t2023-11-14T22:13:20.0000000Z");
    EXPECT_NE(out.str().find("Missing numbers: none\nNumbers used more than once: none\n"
                             "Number goes down while time goes up: none\n"),
              std::string::npos);
}

TEST(FollowReport, AnEmptyDirectoryHasNoShots)
{
    ShotDir dir;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunShotReport(dir.Dir(), out, err), SHOT_REPORT_OK);
    EXPECT_EQ(out.str(), "\nDirectory: " + dir.Dir() + "\nShots: 0\n");
}

TEST(FollowReport, ABadPathExitsWithTwoAndSaysWhy)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunShotReport("/kestrel-no-such-place/x.gif", out, err), SHOT_REPORT_BAD_PATH);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(err.str(), "kestrel: cannot list '/kestrel-no-such-place/x.gif': No such file or directory\n");
    std::ostringstream err2;
    EXPECT_EQ(RunShotReport("", out, err2), SHOT_REPORT_BAD_PATH);
}

TEST(FollowReport, TimesAreIso8601InUtc)
{
    EXPECT_EQ(FormatFileTimeIso8601(kFileTimeUnixEpoch), "1970-01-01T00:00:00.0000000Z");
    EXPECT_EQ(FormatFileTimeIso8601(kFileTimeUnixEpoch - 1), "1969-12-31T23:59:59.9999999Z");
    EXPECT_EQ(FormatFileTimeIso8601(0), "1601-01-01T00:00:00.0000000Z");
    EXPECT_EQ(FormatFileTimeIso8601(kFileTimeUnixEpoch + 10000000LL * 951782400 + 1234567),
              "2000-02-29T00:00:00.1234567Z");
}

TEST(FollowReport, SummaryOfNumbering)
{
    struct Case {
        std::vector<int> numbers;
        std::vector<std::int64_t> times;
        std::string missing;  // first-last pairs
        std::size_t repeated;
        std::size_t drops;
    };
    auto missingText = [](const ShotNumberingSummary& summary) {
        std::string text;
        for (const ShotNumberRange& range : summary.missing) {
            text += std::to_string(range.first) + "-" + std::to_string(range.last) + " ";
        }
        return text;
    };
    const Case cases[] = {
        {{}, {}, "", 0, 0},
        {{5}, {1}, "", 0, 0},
        {{1, 2, 3}, {1, 2, 3}, "", 0, 0},
        {{10, 12, 15}, {1, 2, 3}, "11-11 13-14 ", 0, 0},
        {{9, 3, 5}, {1, 2, 3}, "6-8 ", 0, 1},           // first above last: the span runs from last to first
        {{4, 2, 3}, {1, 1, 2}, "", 0, 0},                // equal times are not a sequence
        {{7, 7, 7, 1}, {1, 2, 3, 4}, "2-6 ", 1, 1},
    };
    for (const Case& c : cases) {
        const ShotNumberingSummary summary = SummarizeShotNumbering(c.numbers, c.times);
        EXPECT_EQ(missingText(summary), c.missing);
        EXPECT_EQ(summary.repeated.size(), c.repeated);
        EXPECT_EQ(summary.drops.size(), c.drops);
    }
}

}  // namespace

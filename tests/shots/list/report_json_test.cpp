// `kestrel --list --json`: the same shots and findings as the text report,
// as one JSON object, read back with the same library.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "shots/list/shot_report.h"
#include "shots/list/shot_report_json.h"
#include "tests/qt/shot_files.h"

namespace {

using nlohmann::json;
using shots_test::ShotDir;

std::vector<std::vector<std::string>> ShotLines(const std::string& text)
{
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line) && !line.empty();) {
        std::vector<std::string> fields;
        std::istringstream split(line);
        for (std::string field; std::getline(split, field, '\t');) fields.push_back(field);
        lines.push_back(fields);
    }
    return lines;
}

std::string SummaryLine(const std::string& text, const std::string& label)
{
    const std::size_t at = text.find(label);
    return at == std::string::npos ? std::string() : text.substr(at, text.find('\n', at) - at);
}

json Report(const std::string& path)
{
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunShotReportJson(path, out, err), SHOT_REPORT_OK);
    EXPECT_EQ(err.str(), "");
    return json::parse(out.str());
}

TEST(ReportJson, AgreesWithTheTextReport)
{
    ShotDir dir;
    // Gaps 4-6, 2 used twice and going down, intervals 10, 10, 10.25, 10, 30 s.
    dir.AddFile("run0003.gif", 1700000030);
    dir.AddFile("run0001.gif", 1700000010);
    dir.AddFile("run0002.GIF", 1700000020);
    dir.AddFile("run0007.gif", 1700000040, 250000000);
    dir.AddFile("run0002.gif", 1700000050, 250000000);
    dir.AddFile("run0008.gif", 1700000080, 250000000);

    std::ostringstream text;
    std::ostringstream err;
    ASSERT_EQ(RunShotReport(dir.Dir(), text, err), SHOT_REPORT_OK);
    const json report = Report(dir.Dir());

    const auto lines = ShotLines(text.str());
    ASSERT_EQ(report["count"], lines.size());
    ASSERT_EQ(report["shots"].size(), lines.size());
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const json& shot = report["shots"][i];
        EXPECT_EQ(shot["index"], i);
        EXPECT_EQ(std::to_string(shot["index"].get<int>() + 1), lines[i][0]);
        EXPECT_EQ(std::to_string(shot["number"].get<int>()), lines[i][1]);
        EXPECT_EQ(shot["file"], lines[i][2]);
        // The same time, to the millisecond.
        EXPECT_EQ(shot["lastWriteTime"], lines[i][3].substr(0, 23) + "Z");
    }
    EXPECT_EQ(report["directory"], dir.Dir());

    std::string missing = "Missing numbers: ";
    for (const json& range : report["missing"]) {
        missing += std::to_string(range["first"].get<int>()) + "-" + std::to_string(range["last"].get<int>());
    }
    EXPECT_EQ(missing, SummaryLine(text.str(), "Missing numbers:"));
    EXPECT_EQ(report["repeated"], json::parse(R"([{"number": 2, "indices": [1, 4]}])"));
    EXPECT_EQ(report["goesDown"], json::parse(R"([{"index": 4, "numberBefore": 7, "number": 2}])"));
    EXPECT_EQ(SummaryLine(text.str(), "Number goes down"), "Number goes down while time goes up: position 5 (7 then 2)");
    EXPECT_EQ(report["intervals"],
              json::parse(R"({"count": 5, "medianMs": 10000.0, "largestMs": 30000.0, "largestAt": 5})"));
}

TEST(ReportJson, AnEmptyDirectoryAndABadPath)
{
    ShotDir dir;
    const json report = Report(dir.Dir());
    EXPECT_EQ(report["count"], 0);
    EXPECT_TRUE(report["shots"].empty());
    EXPECT_TRUE(report["intervals"]["largestAt"].is_null());

    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunShotReportJson(dir.Path("nothing-here"), out, err), SHOT_REPORT_BAD_PATH);
    EXPECT_EQ(out.str(), "");
    EXPECT_NE(err.str().find("cannot list"), std::string::npos);
}

TEST(ReportJson, AListCutAtTheLimitSaysHowManyFilesThereAre)
{
    ShotDir dir;
    for (int i = 1; i <= 3; ++i) dir.AddFile("s000" + std::to_string(i) + ".gif", 1700000000 + i);
    std::ostringstream out;
    std::ostringstream err;
    ASSERT_EQ(RunShotReportJson(dir.Dir(), out, err, 2), SHOT_REPORT_OK);
    const json report = json::parse(out.str());
    EXPECT_EQ(report["count"], 2);
    EXPECT_EQ(report["gifFiles"], 3);
    EXPECT_FALSE(Report(dir.Dir()).contains("gifFiles"));
}

TEST(ReportJson, ANameThatIsNotUtf8StillGivesValidJson)
{
    ShotDir dir;
    dir.AddFile("bad\xff\xfe" "0001.gif", 1700000010);
    const json report = Report(dir.Dir());
    ASSERT_EQ(report["shots"].size(), 1u);
    EXPECT_EQ(report["shots"][0]["file"], "bad\xef\xbf\xbd\xef\xbf\xbd" "0001.gif");
}

TEST(ReportJson, TimesToTheMillisecondRoundDown)
{
    // 2023-11-14T22:13:20 plus 0.1239999 s, and a time before 1970.
    EXPECT_EQ(FormatFileTimeIso8601Ms(kFileTimeUnixEpoch + 17000000000000000LL + 1239999),
              "2023-11-14T22:13:20.123Z");
    EXPECT_EQ(FormatFileTimeIso8601Ms(kFileTimeUnixEpoch - 1), "1969-12-31T23:59:59.999Z");
}

}  // namespace

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "shots/cache/shot_cache.h"
#include "shots/shot_list_document.h"
#include "tests/qt/shot_files.h"
#include "tests/support/gif_writer.h"

namespace {

using shots_test::RecordingTextBox;
using shots_test::ShotDir;

// An image of one size for every shot, so budgets count in images.
DecodedShot UnitShot(std::int64_t time = 1)
{
    DecodedShot shot;
    shot.stamp = {true, true, 100, time};
    shot.image = std::make_unique<CDibImage>(ImageFormat::Gif);
    shot.image->Create(64, 4, 8, ImageFormat::Gif);
    return shot;
}

std::size_t UnitBytes() { return ShotCachePolicy::ImageBytes(UnitShot().image.get()); }

std::vector<std::string> Paths(const std::string& letters)
{
    std::vector<std::string> paths;
    for (char c : letters) paths.emplace_back(1, c);
    return paths;
}

// Every job the policy gives, done at once; the paths in the order decoded.
std::string Drain(ShotCachePolicy& policy)
{
    std::string order;
    while (std::optional<ShotCachePolicy::Job> job = policy.NextJob()) {
        order += job->path;
        policy.Finish(*job, UnitShot());
    }
    return order;
}

std::string Held(const ShotCachePolicy& policy, const std::string& letters)
{
    std::string held;
    for (char c : letters)
        if (policy.Holds(std::string(1, c))) held += c;
    return held;
}

struct PolicyCase {
    const char* name;
    std::size_t budgetImages;
    const char* wanted;
    const char* wantedLater;  // empty: no second request
    const char* decoded;      // in order, over both
    const char* held;         // at the end, in alphabetical order
};

class ShotCachePolicyOrder : public ::testing::TestWithParam<PolicyCase> {};

TEST_P(ShotCachePolicyOrder, DecodesNearestFirstWithinBudget)
{
    const PolicyCase& c = GetParam();
    ShotCachePolicy policy(c.budgetImages * UnitBytes());
    policy.SetWanted(Paths(c.wanted));
    std::string decoded = Drain(policy);
    if (*c.wantedLater) {
        policy.SetWanted(Paths(c.wantedLater));
        decoded += Drain(policy);
    }
    EXPECT_EQ(decoded, c.decoded);
    EXPECT_EQ(Held(policy, "abcdefghxyz"), c.held);
    EXPECT_LE(policy.UsedBytes(), policy.Budget());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ShotCachePolicyOrder,
    ::testing::Values(PolicyCase{"AllFit", 10, "abcde", "", "abcde", "abcde"},
                      PolicyCase{"BudgetStops", 3, "abcde", "", "abc", "abc"},
                      PolicyCase{"TurningRoundDropsTheFarthest", 3, "abcde", "dcba", "abcd", "bcd"},
                      PolicyCase{"MovingOnKeepsTheOverlap", 3, "abc", "bcd", "abcd", "bcd"},
                      PolicyCase{"UnwantedGoAtOnce", 3, "abc", "xyz", "abcxyz", "xyz"},
                      PolicyCase{"RepeatedPathOnce", 5, "abab", "", "ab", "ab"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ShotCachePolicy, TakesOnlyWhatIsCurrent)
{
    ShotCachePolicy policy(10 * UnitBytes());
    policy.SetWanted(Paths("ab"));
    Drain(policy);
    EXPECT_NE(policy.Take("a", UnitShot().stamp), nullptr);
    // Written again since: dropped, not handed over, and decoded anew.
    EXPECT_EQ(policy.Take("b", UnitShot(2).stamp), nullptr);
    EXPECT_EQ(Held(policy, "ab"), "");
    EXPECT_EQ(policy.UsedBytes(), 0u);
    EXPECT_EQ(Drain(policy), "ab");
}

TEST(ShotCachePolicy, InvalidatedAndClearedJobsDoNotCount)
{
    ShotCachePolicy policy(10 * UnitBytes());
    policy.SetWanted(Paths("abc"));
    const auto a = policy.NextJob();
    const auto b = policy.NextJob();
    ASSERT_TRUE(a && b);
    policy.Invalidate("a");
    policy.Finish(*a, UnitShot());
    policy.Finish(*b, UnitShot());
    EXPECT_EQ(Held(policy, "abc"), "b");
    const auto again = policy.NextJob();
    ASSERT_TRUE(again);
    EXPECT_EQ(again->path, "a");
    policy.Clear();
    policy.Finish(*again, UnitShot());
    EXPECT_EQ(Held(policy, "abc"), "");
    EXPECT_EQ(policy.UsedBytes(), 0u);
}

// One job at a time while decodes are quick; a second once the recent ones
// average 20 ms or more (0.7 of the average, 0.3 of the last), and back to
// one when they are quick again.
TEST(ShotCachePolicy, ASecondJobRunsOnlyWhileDecodesAreSlow)
{
    ShotCachePolicy policy(100 * UnitBytes());
    policy.SetConcurrency(1, 2, 20);
    EXPECT_EQ(policy.Concurrency(), 2u);  // nothing measured yet
    policy.SetWanted(Paths("abcdefghij"));
    policy.Finish(*policy.NextJob(), UnitShot(), 5);
    const std::pair<double, std::size_t> steps[] = {{40, 1}, {40, 2}, {40, 2}, {3, 2}, {3, 1}};
    for (const auto& [decodeMs, concurrency] : steps) {
        const auto job = policy.NextJob();
        ASSERT_TRUE(job);
        // While one runs a second starts only where two may.
        const auto second = policy.NextJob();
        EXPECT_EQ(second.has_value(), policy.Concurrency() == 2) << decodeMs;
        if (second) policy.Finish(*second, UnitShot());
        policy.Finish(*job, UnitShot(), decodeMs);
        EXPECT_EQ(policy.Concurrency(), concurrency) << decodeMs << " ms, average " << policy.AverageDecodeMs();
    }
}

TEST(ShotCachePolicy, KeepsTheShotLeavingTheScreenWhenWanted)
{
    ShotCachePolicy policy(10 * UnitBytes());
    policy.SetWanted(Paths("bc"), "a", UnitShot());
    EXPECT_FALSE(policy.Holds("a"));
    policy.SetWanted(Paths("ab"), "a", UnitShot());
    EXPECT_TRUE(policy.Holds("a"));
    EXPECT_EQ(Drain(policy), "b");
}

// ---- The document with its read-ahead

kestrel::test::GifBytes Picture(int seed)
{
    kestrel::test::GifPicture picture;
    picture.width = 24;
    picture.height = 16;
    for (int i = 0; i < 4; ++i)
        picture.palette.push_back({std::uint8_t(seed * 40 + i), std::uint8_t(i * 60), std::uint8_t(200 - seed)});
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) picture.pixels.push_back(std::uint8_t((x + y * seed) % 4));
    return kestrel::test::EncodeGif(picture);
}

struct OpenDocument {
    explicit OpenDocument(const ShotDir& dir, bool readAhead)
    {
        doc.m_pStatusBox = &status;
        doc.m_pShotNumberBox = &number;
        if (readAhead) doc.EnableReadAhead(std::size_t(64) << 20, 0);
        doc.m_strDirectory = dir.Dir();
        doc.ScanDirectory();
    }
    void Warm()
    {
        while (doc.ReadAhead()->RunOne()) {
        }
    }
    std::string Pixels() const
    {
        const CDibImage* image = doc.m_pImage.get();
        if (!image || image->IsEmpty()) return "no pixels";
        return std::to_string(image->Width()) + "x" + std::to_string(image->Height()) +
               std::string(reinterpret_cast<const char*>(image->GetPalette()), image->GetPaletteSize()) +
               std::string(reinterpret_cast<const char*>(image->GetPixels()),
                           std::size_t(image->Info().stride) * std::size_t(image->Height()));
    }
    CKESTRELDoc doc;
    RecordingTextBox status;
    RecordingTextBox number;
};

struct ShotFiles {
    ShotFiles()
    {
        for (int i = 1; i <= 5; ++i) {
            const kestrel::test::GifBytes bytes = Picture(i);
            // Shot 3 cannot be read: an image without pixels.
            dir.AddFile("take000" + std::to_string(i) + ".gif", 1000 + i, 0,
                        i == 3 ? std::string("GIF89a") : std::string(bytes.begin(), bytes.end()));
        }
    }
    ShotDir dir;
};

TEST(ShotReadAhead, LoadShotGivesTheSameWithAndWithoutIt)
{
    ShotFiles files;
    OpenDocument plain(files.dir, false);
    OpenDocument ahead(files.dir, true);
    // Forward through the end and round, then back to the first and before
    // it. Only the first shot and the one on display shown again are read
    // on the spot.
    const int moves[] = {0, 0, 0, 0, 0, 0, 0, 0, -2, -2, -2};
    int hits = 0;
    for (int move : moves) {
        plain.doc.m_nShotPos += move;
        ahead.doc.m_nShotPos += move;
        ahead.Warm();
        const std::int32_t position = ahead.doc.m_nShotPos;
        const std::int32_t next = position < 0 || position > ahead.doc.m_nShotCount - 1 ? 0 : position;
        hits += ahead.doc.ReadAhead()->Holds(ahead.doc.Shot(std::size_t(next)).Path());
        plain.doc.LoadShot();
        ahead.doc.LoadShot();
        EXPECT_EQ(ahead.doc.m_nShotPos, plain.doc.m_nShotPos);
        EXPECT_EQ(ahead.status.m_text, plain.status.m_text);
        EXPECT_EQ(ahead.number.m_text, plain.number.m_text);
        EXPECT_EQ(ahead.Pixels(), plain.Pixels()) << "at " << plain.doc.m_nShotPos;
        ASSERT_TRUE(ahead.doc.m_pImage);
        EXPECT_STREQ(ahead.doc.m_pImage->Info().lastError, plain.doc.m_pImage->Info().lastError);
    }
    EXPECT_EQ(hits, 9);
}

// Playing that skips shots points the read-ahead at the shot it will want:
// that shot is read first, in either direction, with the list's wrap.
TEST(ShotReadAhead, WantingAheadOfAShotReadsThatShotFirst)
{
    ShotFiles files;
    OpenDocument ahead(files.dir, true);
    for (const auto& [reverse, index] : {std::pair{false, 3}, std::pair{true, 0}, std::pair{false, 4}}) {
        ahead.doc.SetReadAheadReverse(reverse);
        ahead.doc.WantAheadOf(std::size_t(index));
        ASSERT_TRUE(ahead.doc.ReadAhead()->RunOne());
        EXPECT_TRUE(ahead.doc.ReadAhead()->Holds(ahead.doc.Shot(std::size_t(index)).Path())) << index;
    }
}

TEST(ShotReadAhead, LooksTheWayItPlaysAndReadsRewrittenFilesAgain)
{
    ShotFiles files;
    OpenDocument ahead(files.dir, true);
    ahead.doc.LoadShotAt(1);
    ahead.doc.SetReadAheadReverse(true);
    ASSERT_TRUE(ahead.doc.ReadAhead()->RunOne());
    EXPECT_TRUE(ahead.doc.ReadAhead()->Holds(ahead.doc.Shot(0).Path()));
    ahead.Warm();
    // Shot 1 is written again (same size) after it was read ahead.
    const kestrel::test::GifBytes other = Picture(9);
    files.dir.AddFile("take0001.gif", 1001, 500, std::string(other.begin(), other.end()));
    OpenDocument plain(files.dir, false);
    plain.doc.LoadShot();
    ahead.doc.SetCursor(0);
    ahead.doc.LoadShot();
    EXPECT_EQ(ahead.Pixels(), plain.Pixels());
}

TEST(ShotReadAhead, WorkersStopWhenTheDocumentGoes)
{
    ShotFiles files;
    for (int round = 0; round < 3; ++round) {
        CKESTRELDoc doc;
        doc.EnableReadAhead(std::size_t(1) << 20, 2);
        doc.m_strDirectory = files.dir.Dir();
        doc.ScanDirectory();
        doc.LoadShot();
        if (round == 1) doc.ScanDirectory();
        if (round == 2) doc.RemoveShot(1);
    }
}

}  // namespace

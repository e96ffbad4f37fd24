#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "app/commands/command_ids.h"
#include "app/framework/file_open_dialog.h"
#include "shots/shot_list_document.h"
#include "shots/list/shot_number_text.h"
#include "tests/qt/shot_files.h"

namespace {

using shots_test::RecordingTextBox;
using shots_test::ScopedFileDialog;
using shots_test::ShotDir;

class CountingView : public DocumentView {
public:
    void OnUpdate(DocumentView*, long, void*) override { ++m_updates; }
    int m_updates = 0;
};

// A document wired to two recording boxes, as the view's initial update does.
struct DocumentWithBoxes {
    DocumentWithBoxes()
    {
        doc.m_pStatusBox = &status;
        doc.m_pShotNumberBox = &number;
        doc.AddView(&view);
    }
    ~DocumentWithBoxes() { doc.RemoveView(&view); }

    void Open(const ShotDir& dir) { Open(dir.Dir()); }
    void Open(const std::string& directory)
    {
        doc.m_strDirectory = directory;
        doc.ScanDirectory();
        doc.LoadShot();
    }

    std::vector<std::string> ShotNames() const
    {
        std::vector<std::string> names;
        for (const auto& shot : doc.m_shots) names.push_back(shot->Path().substr(shot->Path().rfind('/') + 1));
        return names;
    }

    CKESTRELDoc doc;
    RecordingTextBox status;
    RecordingTextBox number;
    CountingView view;
};

TEST(ShotNumbers, ReadFromTheFourCharactersBeforeTheExtension)
{
    struct Case {
        const char* path;
        const char* text;
        int number;
    };
    const Case cases[] = {
        {"/shots/take0042.GIF", "0042", 42},
        {"/shots/takeABCD.gif", "ABCD", 0},
        {"/shots/take 12a.gif", " 12a", 12},
        {"/shots/take-007.gif", "-007", -7},
        {"/shots/take+5xy.gif", "+5xy", 5},
        {"/shots/12.gif", "s/12", 0},
        {"/k-12/a.gif", "12/a", 12},
        {"a.gif", "a.gi", 0},
        {"9876543", "9876", 9876},
        {"", "", 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShotNumberText(c.path), c.text) << c.path;
        EXPECT_EQ(CKESTRELDoc::ShotNumberFromPath(c.path), c.number) << c.path;
    }
}

TEST(ShotNumbers, ParseFollowsAtoiAndSaturates)
{
    EXPECT_EQ(ParseLikeAtoi(" \t\n42xyz"), 42);
    EXPECT_EQ(ParseLikeAtoi("-0"), 0);
    EXPECT_EQ(ParseLikeAtoi("+-1"), 0);
    EXPECT_EQ(ParseLikeAtoi("abc"), 0);
    EXPECT_EQ(ParseLikeAtoi("0007"), 7);
    EXPECT_EQ(ParseLikeAtoi("2147483647"), INT_MAX);
    EXPECT_EQ(ParseLikeAtoi("99999999999999999999"), INT_MAX);
    EXPECT_EQ(ParseLikeAtoi("-2147483648"), INT_MIN);
    EXPECT_EQ(ParseLikeAtoi("-99999999999999999999"), INT_MIN);
}

TEST(ShotListScan, OrdersByLastWriteTimeNotByName)
{
    ShotDir dir;
    dir.AddFile("a0003.gif", 300);
    dir.AddFile("b0001.gif", 100);
    dir.AddFile("c0002.gif", 200, 199);  // times count whole 100 ns: 200 s + 100 ns
    dir.AddFile("d0004.gif", 200);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    EXPECT_EQ(fixture.ShotNames(), (std::vector<std::string>{"b0001.gif", "d0004.gif", "c0002.gif", "a0003.gif"}));
    EXPECT_EQ(fixture.doc.m_nShotCount, 4);
    const std::vector<int> numbers(fixture.doc.m_nShotNumbers.begin(), fixture.doc.m_nShotNumbers.begin() + 4);
    EXPECT_EQ(numbers, (std::vector<int>{1, 4, 2, 3}));
    EXPECT_EQ(fixture.doc.m_shots[0]->Path(), dir.Path("b0001.gif"));
}

TEST(ShotListScan, EqualTimesKeepTheShellSortOrderOfTheListing)
{
    // Listing a, b, c, d with times 1, 1, 0, 1. The gap-2 pass swaps a and c;
    // nothing else moves, so b now comes before a.
    ShotDir dir;
    dir.AddFile("a.gif", 1);
    dir.AddFile("b.gif", 1);
    dir.AddFile("c.gif", 0);
    dir.AddFile("d.gif", 1);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    EXPECT_EQ(fixture.ShotNames(), (std::vector<std::string>{"c.gif", "b.gif", "a.gif", "d.gif"}));
}

TEST(ShotListScan, ManyEqualTimesLandWhereTheGapPassesPutThem)
{
    // 41 files listed in name order, times drawn from only four values. The
    // reference below runs every gap pass over the whole chain, comparing
    // and swapping only strictly later entries, without stopping early.
    ShotDir dir;
    std::vector<std::pair<std::string, long long>> listing;
    std::uint32_t seed = 12345;
    for (int k = 0; k < 41; ++k) {
        seed = seed * 1103515245u + 12345u;  // a fixed linear congruential sequence
        char name[16];
        std::snprintf(name, sizeof name, "f%03d.gif", k);
        const long long time = (seed >> 16) % 4;
        dir.AddFile(name, time);
        listing.emplace_back(name, time);
    }
    auto stable = listing;
    std::stable_sort(stable.begin(), stable.end(), [](const auto& a, const auto& b) { return a.second < b.second; });
    const std::ptrdiff_t n = std::ptrdiff_t(listing.size());
    for (std::ptrdiff_t gap = n / 2; gap > 0; gap /= 2) {
        for (std::ptrdiff_t i = gap; i < n; ++i) {
            for (std::ptrdiff_t j = i - gap; j >= 0; j -= gap) {
                if (listing[std::size_t(j)].second > listing[std::size_t(j + gap)].second) {
                    std::swap(listing[std::size_t(j)], listing[std::size_t(j + gap)]);
                }
            }
        }
    }
    std::vector<std::string> expected;
    for (const auto& entry : listing) expected.push_back(entry.first);

    ASSERT_NE(listing, stable) << "the case must tell the Shell sort from a stable one";

    DocumentWithBoxes fixture;
    fixture.Open(dir);
    EXPECT_EQ(fixture.ShotNames(), expected);
}

TEST(ShotListScan, EqualTimesFollowByteOrderOfNames)
{
    ShotDir dir;
    dir.AddFile("a.gif", 9);
    dir.AddFile("B.GIF", 9);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    EXPECT_EQ(fixture.ShotNames(), (std::vector<std::string>{"B.GIF", "a.gif"}));
}

TEST(ShotListScan, ListsEveryCaseOfTheExtensionAndDirectories)
{
    ShotDir dir;
    dir.AddFile("one1.gif", 1);
    dir.AddFile("two2.GIF", 2);
    dir.AddFile("thr3.Gif", 3);
    dir.AddFile("note.txt", 4);
    dir.AddDirectory("d0004.GIF", 5);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    EXPECT_EQ(fixture.ShotNames(),
              (std::vector<std::string>{"one1.gif", "two2.GIF", "thr3.Gif", "d0004.GIF"}));
    EXPECT_EQ(fixture.doc.m_nShotNumbers[3], 4);
}

TEST(ShotListScan, ShortNamesTakeTheirNumberFromTheDirectory)
{
    ShotDir dir;
    dir.AddDirectory("k-12", 1);
    dir.AddDirectory("abc", 1);
    dir.AddFile("k-12/a.gif", 1);
    dir.AddFile("abc/b.gif", 1);

    DocumentWithBoxes digits;
    digits.Open(dir.Path("k-12/"));
    EXPECT_EQ(digits.doc.m_nShotNumbers[0], 12);
    EXPECT_EQ(digits.number.m_text, "12/a");

    DocumentWithBoxes letters;
    letters.Open(dir.Path("abc/"));
    EXPECT_EQ(letters.doc.m_nShotNumbers[0], 0);
    EXPECT_EQ(letters.number.m_text, "bc/b");
}

TEST(ShotListLoad, WritesBothBoxesInTheirExactFormats)
{
    ShotDir dir;
    dir.AddFile("shot0042.gif", 10);
    dir.AddFile("shotABCD.gif", 20);
    dir.AddFile("shot0007.GIF", 30);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    EXPECT_EQ(fixture.number.m_text, "0042");
    EXPECT_EQ(fixture.status.m_text, "1 of 3 Shots     First Shot: 42     Last Shot: 7");
    fixture.doc.LoadShot();
    EXPECT_EQ(fixture.number.m_text, "ABCD");
    EXPECT_EQ(fixture.status.m_text, "2 of 3 Shots     First Shot: 42     Last Shot: 7");
    fixture.doc.LoadShot();
    EXPECT_EQ(fixture.number.m_text, "0007");
    EXPECT_EQ(fixture.status.m_text, "3 of 3 Shots     First Shot: 42     Last Shot: 7");
}

TEST(ShotListLoad, StepsPastTheLastShotWrapToTheFirst)
{
    ShotDir dir;
    dir.AddFile("s0001.gif", 1);
    dir.AddFile("s0002.gif", 2);
    dir.AddFile("s0003.gif", 3);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    fixture.doc.LoadShot();
    fixture.doc.LoadShot();
    EXPECT_EQ(fixture.doc.m_nShotPos, 3);
    fixture.doc.LoadShot();
    EXPECT_EQ(fixture.doc.m_nShotPos, 1);
    EXPECT_EQ(fixture.number.m_text, "0001");

    // The first-shot step: cursor at the count.
    fixture.doc.m_nShotPos = fixture.doc.m_nShotCount;
    fixture.doc.LoadShot();
    EXPECT_EQ(fixture.doc.m_nShotPos, 1);
}

TEST(ShotListLoad, OneShotReloadsItself)
{
    ShotDir dir;
    dir.AddFile("only0005.gif", 1);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    EXPECT_EQ(fixture.status.m_text, "1 of 1 Shots     First Shot: 5     Last Shot: 5");
    const int writes = fixture.number.m_writes;
    fixture.doc.LoadShot();
    EXPECT_EQ(fixture.doc.m_nShotPos, 1);
    EXPECT_EQ(fixture.number.m_writes, writes + 1);
    EXPECT_EQ(fixture.status.m_text, "1 of 1 Shots     First Shot: 5     Last Shot: 5");
}

TEST(ShotListLoad, CursorOutsideTheListStartsAtTheFirstShot)
{
    ShotDir dir;
    dir.AddFile("s0001.gif", 1);
    dir.AddFile("s0002.gif", 2);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    for (int cursor : {-1, -2, INT_MIN, 2, 3, INT_MAX}) {
        fixture.doc.m_nShotPos = cursor;
        fixture.doc.LoadShot();
        EXPECT_EQ(fixture.doc.m_nShotPos, 1) << cursor;
        EXPECT_EQ(fixture.number.m_text, "0001") << cursor;
    }
}

TEST(ShotListLoad, UnreadableShotIsAnImageWithoutPixels)
{
    ShotDir dir;
    dir.AddFile("bad0001.gif", 1, 0, "not a gif");
    dir.AddDirectory("dir0002.GIF", 2);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    ASSERT_NE(fixture.doc.m_pImage, nullptr);
    EXPECT_TRUE(fixture.doc.m_pImage->IsEmpty());
    fixture.doc.LoadShot();
    ASSERT_NE(fixture.doc.m_pImage, nullptr);
    EXPECT_TRUE(fixture.doc.m_pImage->IsEmpty());
    EXPECT_EQ(fixture.doc.m_nShotPos, 2);
    EXPECT_EQ(fixture.number.m_text, "0002");
    EXPECT_EQ(fixture.status.m_text, "2 of 2 Shots     First Shot: 1     Last Shot: 2");
}

TEST(ShotListLoad, ReadsTheShotIntoTheImage)
{
    ShotDir dir;
    dir.AddFile("good0001.gif", 1, 0, shots_test::SolidGif(3, 2, {10, 20, 30}));
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    ASSERT_NE(fixture.doc.m_pImage, nullptr);
    ASSERT_FALSE(fixture.doc.m_pImage->IsEmpty()) << fixture.doc.m_pImage->LastError();
    EXPECT_EQ(fixture.doc.m_pImage->Width(), 3);
    EXPECT_EQ(fixture.doc.m_pImage->Height(), 2);
}

TEST(ShotListScan, AnOpenWithoutGifFilesClearsImageAndBoxes)
{
    ShotDir shots;
    shots.AddFile("s0001.gif", 1);
    ShotDir empty;
    empty.AddFile("picture.png", 1);
    DocumentWithBoxes fixture;
    fixture.Open(shots);
    ASSERT_NE(fixture.doc.m_pImage, nullptr);
    ASSERT_FALSE(fixture.status.m_text.empty());

    fixture.Open(empty);
    EXPECT_EQ(fixture.doc.m_nShotCount, 0);
    EXPECT_EQ(fixture.doc.m_nShotPos, 0);
    EXPECT_TRUE(fixture.doc.m_shots.empty());
    EXPECT_EQ(fixture.doc.m_pImage, nullptr);
    EXPECT_EQ(fixture.status.m_text, "");
    EXPECT_EQ(fixture.number.m_text, "");

    // A directory with nothing in it at all, after a good open: the same.
    ShotDir nothing;
    fixture.Open(shots);
    ASSERT_EQ(fixture.doc.m_nShotCount, 1);
    fixture.Open(nothing);
    EXPECT_EQ(fixture.doc.m_nShotCount, 0);
    EXPECT_EQ(fixture.doc.m_pImage, nullptr);
    EXPECT_EQ(fixture.status.m_text, "");
    EXPECT_EQ(fixture.number.m_text, "");
    fixture.doc.LoadShot();
    EXPECT_EQ(fixture.doc.m_nShotPos, 0);
}

TEST(ShotListScan, EmptyDirectoryTextDoesNothing)
{
    ShotDir dir;
    dir.AddFile("s0001.gif", 1);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    fixture.doc.m_strDirectory.clear();
    fixture.doc.ScanDirectory();
    EXPECT_EQ(fixture.doc.m_nShotCount, 1);
    EXPECT_EQ(fixture.doc.m_nShotPos, 1);
    EXPECT_EQ(fixture.doc.m_shots.size(), 1u);
}

TEST(ShotListScan, KeepsTheOldestMaxShotsFiles)
{
    // 5003 files, newest name first in time order reversed: s5002 is the
    // oldest, s0000 the newest. The three newest fall outside the table.
    ShotDir dir;
    const int files = CKESTRELDoc::MAX_SHOTS + 3;
    for (int k = 0; k < files; ++k) {
        char name[16];
        std::snprintf(name, sizeof name, "s%04d.gif", k);
        dir.AddFile(name, files - k);
    }
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    EXPECT_EQ(fixture.doc.m_nShotCount, CKESTRELDoc::MAX_SHOTS);
    EXPECT_EQ(fixture.doc.m_shots.size(), std::size_t(CKESTRELDoc::MAX_SHOTS));
    EXPECT_EQ(fixture.doc.m_nShotNumbers[0], 5002);
    EXPECT_EQ(fixture.doc.m_nShotNumbers[CKESTRELDoc::MAX_SHOTS - 1], 3);
    EXPECT_EQ(fixture.status.m_text, "1 of 5000 Shots     First Shot: 5002     Last Shot: 3");
    fixture.doc.m_nShotPos = fixture.doc.m_nShotCount - 1;
    fixture.doc.LoadShot();
    EXPECT_EQ(fixture.number.m_text, "0003");
    fixture.doc.LoadShot();
    EXPECT_EQ(fixture.number.m_text, "5002");
}

TEST(ShotListOpen, ShowsTheOldestShotOfTheChosenFilesDirectory)
{
    ShotDir dir;
    dir.AddFile("old0001.gif", 1);
    const std::string newest = dir.AddFile("new0002.gif", 2);
    DocumentWithBoxes fixture;
    ScopedFileDialog dialog(newest);
    fixture.doc.OnFileOpen();
    EXPECT_EQ(dialog.m_calls, 1);
    EXPECT_EQ(dialog.m_request.filter, "GIF Files (*.gif) | *.gif||");
    EXPECT_EQ(dialog.m_request.flags, 0x1804u);
    EXPECT_TRUE(dialog.m_request.openMode);
    EXPECT_EQ(fixture.doc.m_strDirectory, dir.Dir());
    EXPECT_EQ(fixture.doc.m_nShotPos, 1);
    EXPECT_EQ(fixture.number.m_text, "0001");
    EXPECT_EQ(fixture.view.m_updates, 1);
}

TEST(ShotListOpen, ADirectoryNamedDirectlyOpensLikeTheDialog)
{
    ShotDir dir;
    dir.AddFile("new0002.gif", 2);
    dir.AddFile("old0001.gif", 1);
    DocumentWithBoxes fixture;
    std::string withoutSeparator = dir.Dir();
    withoutSeparator.pop_back();
    fixture.doc.OpenDirectory(withoutSeparator);
    EXPECT_EQ(fixture.doc.m_strDirectory, dir.Dir());
    EXPECT_EQ(fixture.doc.m_nShotCount, 2);
    EXPECT_EQ(fixture.number.m_text, "0001");
    EXPECT_EQ(fixture.view.m_updates, 1);
    fixture.doc.OpenDirectory(dir.Dir());
    EXPECT_EQ(fixture.doc.m_strDirectory, dir.Dir());
    EXPECT_EQ(fixture.doc.m_nShotPos, 1);
}

TEST(ShotListOpen, CancelledDialogChangesNothing)
{
    ShotDir dir;
    dir.AddFile("s0001.gif", 1);
    dir.AddFile("s0002.gif", 2);
    DocumentWithBoxes fixture;
    fixture.Open(dir);
    fixture.doc.LoadShot();
    const std::string status = fixture.status.m_text;
    ScopedFileDialog dialog("");
    fixture.doc.OnFileOpen();
    EXPECT_EQ(dialog.m_calls, 1);
    EXPECT_EQ(fixture.doc.m_nShotPos, 2);
    EXPECT_EQ(fixture.status.m_text, status);
    EXPECT_EQ(fixture.view.m_updates, 0);
}

TEST(ShotListOpen, OpenCommandIsTheDocumentsOwn)
{
    DocumentWithBoxes fixture;
    ScopedFileDialog dialog("");
    EXPECT_TRUE(fixture.doc.HandleCommand(ID_FILE_OPEN));
    EXPECT_EQ(dialog.m_calls, 1);
}

TEST(ShotListDocument, StartsEmptyWithFitOnAndNewDocumentKeepsEverything)
{
    DocumentWithBoxes fixture;
    EXPECT_EQ(fixture.doc.m_pImage, nullptr);
    EXPECT_EQ(fixture.doc.m_nShotCount, 0);
    EXPECT_EQ(fixture.doc.m_nShotPos, 0);
    EXPECT_EQ(fixture.doc.m_bFitToScreen, 1);
    fixture.doc.LoadShot();  // nothing listed: nothing happens
    EXPECT_EQ(fixture.doc.m_nShotPos, 0);
    EXPECT_EQ(fixture.number.m_writes, 0);

    ShotDir dir;
    dir.AddFile("s0001.gif", 1);
    fixture.Open(dir);
    fixture.doc.m_bFitToScreen = 0;
    EXPECT_TRUE(fixture.doc.OnNewDocument());
    EXPECT_EQ(fixture.doc.m_nShotCount, 1);
    EXPECT_EQ(fixture.doc.m_nShotPos, 1);
    EXPECT_EQ(fixture.doc.m_bFitToScreen, 0);
    EXPECT_NE(fixture.doc.m_pImage, nullptr);
}

// Every change of the list keeps the records, the number table and the
// count in step, and leaves the cursor alone.
TEST(ShotListOperations, KeepTheRecordsNumbersAndCountInStep)
{
    CKESTRELDoc doc;
    doc.m_strDirectory = "/shots/";
    auto record = [](const char* name, std::int64_t time) {
        return std::make_unique<ShotRecord>(ShotRecord{std::string("/shots/") + name, time});
    };
    auto numbers = [&doc] {
        std::vector<int> all;
        for (std::size_t i = 0; i < doc.ShotCount(); ++i) all.push_back(doc.ShotNumber(i));
        EXPECT_EQ(std::size_t(doc.m_nShotCount), doc.ShotCount());
        return all;
    };
    EXPECT_TRUE(doc.InsertShot(0, record("a0003.gif", 30)));
    EXPECT_TRUE(doc.InsertShot(0, record("a0001.gif", 10)));
    EXPECT_TRUE(doc.InsertShot(1, record("a0002.gif", 20)));
    EXPECT_FALSE(doc.InsertShot(9, record("a0009.gif", 90)));  // past the end
    EXPECT_EQ(numbers(), (std::vector<int>{1, 2, 3}));

    doc.SetCursor(2);
    const std::unique_ptr<ShotRecord> removed = doc.RemoveShot(0);
    ASSERT_NE(removed, nullptr);
    EXPECT_EQ(removed->Path(), "/shots/a0001.gif");
    EXPECT_EQ(numbers(), (std::vector<int>{2, 3}));
    EXPECT_EQ(doc.m_nShotPos, 2);
    EXPECT_EQ(doc.RemoveShot(5), nullptr);

    EXPECT_EQ(doc.ReplaceShot(1, record("b0042.gif", 30))->Path(), "/shots/a0003.gif");
    EXPECT_EQ(numbers(), (std::vector<int>{2, 42}));

    EXPECT_TRUE(doc.MoveCursorTo(&doc.Shot(0)));
    EXPECT_EQ(doc.m_nShotPos, 1);
    EXPECT_EQ(doc.DisplayedShot(), &doc.Shot(0));
    EXPECT_FALSE(doc.MoveCursorTo(removed.get()));
    doc.SetCursor(7);
    EXPECT_EQ(doc.m_nShotPos, 2);
    doc.SetCursor(-1);
    EXPECT_EQ(doc.m_nShotPos, 0);
    EXPECT_EQ(doc.DisplayedShot(), nullptr);
}

TEST(ShotListOperations, TheTableHoldsAtMostMaxShots)
{
    CKESTRELDoc doc;
    for (int i = 0; i < CKESTRELDoc::MAX_SHOTS; ++i) {
        ASSERT_TRUE(doc.InsertShot(doc.ShotCount(), std::make_unique<ShotRecord>(ShotRecord{"s0001.gif", i})));
    }
    EXPECT_FALSE(doc.InsertShot(0, std::make_unique<ShotRecord>(ShotRecord{"s0002.gif", -1})));
    EXPECT_EQ(doc.m_nShotCount, CKESTRELDoc::MAX_SHOTS);
}

TEST(ShotListOperations, ARaisedLimitGrowsTheTable)
{
    CKESTRELDoc doc;
    doc.SetMaxShots(CKESTRELDoc::MAX_SHOTS + 2);
    for (int i = 0; i < CKESTRELDoc::MAX_SHOTS + 2; ++i) {
        ASSERT_TRUE(doc.InsertShot(0, std::make_unique<ShotRecord>(ShotRecord{"s0042.gif", -i})));
    }
    EXPECT_FALSE(doc.InsertShot(0, std::make_unique<ShotRecord>(ShotRecord{"s0002.gif", -9999})));
    EXPECT_EQ(doc.ShotNumber(CKESTRELDoc::MAX_SHOTS + 1), 42);
    doc.SetMaxShots(CKESTRELDoc::MAX_SHOTS_LIMIT + 1);
    EXPECT_EQ(doc.MaxShots(), CKESTRELDoc::MAX_SHOTS_LIMIT);
}

TEST(ShotListScan, ALoweredLimitKeepsTheOldest)
{
    ShotDir dir;
    for (int k = 0; k < 4; ++k) dir.AddFile("s000" + std::to_string(k) + ".gif", 10 - k);
    DocumentWithBoxes fixture;
    fixture.doc.SetMaxShots(2);
    fixture.Open(dir);
    EXPECT_EQ(fixture.doc.m_nShotCount, 2);
    EXPECT_EQ(fixture.status.m_text, "1 of 2 Shots     First Shot: 3     Last Shot: 2");
}

TEST(ShotListOperations, StatusTextHasBothFormats)
{
    EXPECT_EQ(CKESTRELDoc::StatusText(2, 5, 7, -3), "2 of 5 Shots     First Shot: 7     Last Shot: -3");
    EXPECT_EQ(CKESTRELDoc::StatusText(0, 0, 1, 1), "");
}

// A FIFO, socket or device named *.gif is listed, but only regular files
// are read: loading one is an image without pixels, at once.
TEST(ShotListLoad, AFifoIsAnImageWithoutPixelsAndNeverBlocks)
{
    DocumentWithBoxes fixture;
    ShotDir dir;
    dir.AddFile("s0001.gif", 10, 0, shots_test::SolidGif(2, 2, {1, 2, 3}));
    const std::string fifo = dir.AddFifo("s0002.gif", 20);
    fixture.Open(dir);
    ASSERT_EQ(fixture.doc.m_nShotCount, 2);
    EXPECT_TRUE(shots_test::ReturnsWithoutBlockingOn(fifo, [&] { fixture.doc.LoadShot(); }));
    EXPECT_EQ(fixture.doc.m_nShotPos, 2);
    ASSERT_NE(fixture.doc.m_pImage, nullptr);
    EXPECT_TRUE(fixture.doc.m_pImage->IsEmpty());
    EXPECT_EQ(fixture.number.m_text, "0002");
    EXPECT_EQ(fixture.status.m_text, "2 of 2 Shots     First Shot: 1     Last Shot: 2");
}

}  // namespace

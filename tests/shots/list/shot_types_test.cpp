// Which files are shots: the extension table, --types, the open dialog's
// filter, shot numbers of longer extensions, and the document's listing of a
// folder of mixed types.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "shots/list/shot_number_text.h"
#include "shots/list/shot_types.h"
#include "shots/shot_list_document.h"
#include "tests/qt/shot_files.h"
#include "tests/support/bmp_builder.h"

namespace {

using shots_test::ScopedFileDialog;
using shots_test::ShotDir;

TEST(ShotTypes, TheExtensionPicksTheFormatWhateverItsCase)
{
    struct Case {
        const char* name;
        std::optional<ImageFormat> format;
    };
    const Case cases[] = {
        {"a0001.gif", ImageFormat::Gif},   {"A0001.GIF", ImageFormat::Gif},   {"x.Png", ImageFormat::Png},
        {"x.jpg", ImageFormat::Jpeg},      {"x.JPEG", ImageFormat::Jpeg},     {"x.tif", ImageFormat::Tiff},
        {"x.TIFF", ImageFormat::Tiff},     {"x.bmp", ImageFormat::Bmp},       {"x.tga", ImageFormat::Tga},
        {"x.pcx", ImageFormat::Pcx},       {"x.ico", ImageFormat::Ico},       {"/d.png/shot", std::nullopt},
        {"x.gif.txt", std::nullopt},       {"gif", std::nullopt},             {"x.", std::nullopt},
        {"x.jp", std::nullopt},            {"/dir/x.tiff", ImageFormat::Tiff},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShotFormatOfName(c.name), c.format) << c.name;
        EXPECT_EQ(ShotFormatForPath(c.name), c.format.value_or(ImageFormat::Gif)) << c.name;
    }
}

TEST(ShotTypes, TypesListsParse)
{
    struct Case {
        const char* list;
        std::vector<ImageFormat> formats;  // empty: refused
    };
    const Case cases[] = {
        {"gif", {ImageFormat::Gif}},
        {"png", {ImageFormat::Png}},
        {"jpeg", {ImageFormat::Jpeg}},
        {"png,jpg,tif", {ImageFormat::Jpeg, ImageFormat::Png, ImageFormat::Tiff}},
        {"tiff,tif", {ImageFormat::Tiff}},
        {"all",
         {ImageFormat::Bmp, ImageFormat::Gif, ImageFormat::Jpeg, ImageFormat::Png, ImageFormat::Ico, ImageFormat::Tiff,
          ImageFormat::Tga, ImageFormat::Pcx}},
        {"", {}},
        {"gif,", {}},
        {"webp", {}},
        {"GIF", {}},
        {"png jpg", {}},
    };
    for (const Case& c : cases) {
        ShotTypes types = ShotTypes::Only(ImageFormat::Bmp);
        std::string reason;
        const bool ok = ParseShotTypes(c.list, types, reason);
        EXPECT_EQ(ok, !c.formats.empty()) << c.list;
        EXPECT_EQ(types.Formats(), ok ? c.formats : std::vector<ImageFormat>{ImageFormat::Bmp}) << c.list;
        EXPECT_EQ(reason.empty(), ok) << c.list;
    }
}

TEST(ShotTypes, TheOpenFilterOffersTheTypes)
{
    EXPECT_EQ(ShotOpenFilter(ShotTypes::GifOnly()), CKESTRELDoc::OPEN_FILTER);
    ShotTypes types = ShotTypes::Only(ImageFormat::Png);
    types.Add(ImageFormat::Jpeg);
    EXPECT_EQ(ShotOpenFilter(types), "Shot Files (*.jpg *.jpeg *.png) | *.jpg;*.jpeg;*.png|"
                                     "JPEG Files (*.jpg *.jpeg) | *.jpg;*.jpeg|PNG Files (*.png) | *.png||");
}

TEST(ShotTypes, NumbersAndPrefixesAreTheFourCharactersBeforeTheExtension)
{
    struct Case {
        const char* name;
        const char* number;
        const char* prefix;
    };
    const Case cases[] = {
        {"/s/cam0_0042.png", "0042", "cam0_"}, {"/s/cam0_0042.jpeg", "0042", "cam0_"},
        {"/s/cam0_0042.TIFF", "0042", "cam0_"}, {"/s/b0007.gif", "0007", "b"},
        {"/s/0007.gif", "0007", ""},           {"/s/ab.png", "s/ab", ""},
        {"/s/abcd.jpeg", "abcd", ""},          {"/s/a.b0001.tif", "0001", "a.b"},
        {"/s/noext0001", "oext", "noext"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ShotNumberText(c.name), c.number) << c.name;
        const std::string name = std::string(c.name).substr(3);
        EXPECT_EQ(ShotPrefix(name), c.prefix) << c.name;
    }
}

// One folder of every type, some in capitals: each types setting lists its
// own, in time order.
TEST(ShotTypesListing, EachTypesSettingListsItsFiles)
{
    ShotDir dir;
    const char* names[] = {"s0001.gif", "s0002.PNG", "s0003.jpg", "s0004.JPEG", "s0005.tif", "s0006.tiff",
                           "s0007.bmp", "s0008.tga", "s0009.pcx", "s0010.ico",  "s0011.txt", "s0012.Gif"};
    long long time = 1700000000;
    for (const char* name : names) dir.AddFile(name, time++);
    struct Case {
        const char* types;
        std::vector<int> numbers;
    };
    const Case cases[] = {
        {"gif", {1, 12}},
        {"png", {2}},
        {"jpg", {3, 4}},
        {"jpeg", {3, 4}},
        {"tif", {5, 6}},
        {"bmp,tga", {7, 8}},
        {"pcx,ico", {9, 10}},
        {"all", {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 12}},
    };
    for (const Case& c : cases) {
        ShotTypes types;
        std::string reason;
        ASSERT_TRUE(ParseShotTypes(c.types, types, reason)) << c.types;
        CKESTRELDoc doc;
        doc.SetShotTypes(types);
        doc.m_strDirectory = dir.Dir();
        doc.ScanDirectory();
        std::vector<int> numbers;
        for (std::size_t i = 0; i < doc.ShotCount(); ++i) numbers.push_back(doc.ShotNumber(i));
        EXPECT_EQ(numbers, c.numbers) << c.types;
    }
}

// Opening a file of a type not asked for lists that type; opening a GIF file
// afterwards lists GIF files again.
TEST(ShotTypesListing, OpeningAFileOfAnotherTypeListsItsType)
{
    ShotDir dir;
    dir.AddFile("cam0001.gif", 1700000000);
    dir.AddFile("cam0002.png", 1700000001);
    dir.AddFile("cam0003.PNG", 1700000002);
    dir.AddFile("notes.txt", 1700000003);
    struct Case {
        const char* opened;
        std::size_t count;
        const char* first;
    };
    const Case cases[] = {
        {"cam0002.png", 2, "cam0002.png"},
        {"cam0001.gif", 1, "cam0001.gif"},
        {"cam0003.PNG", 2, "cam0002.png"},
        {"notes.txt", 1, "cam0001.gif"},
    };
    CKESTRELDoc doc;
    for (const Case& c : cases) {
        ScopedFileDialog dialog(dir.Path(c.opened));
        doc.OnFileOpen();
        EXPECT_EQ(dialog.m_request.filter, CKESTRELDoc::OPEN_FILTER);
        ASSERT_EQ(doc.ShotCount(), c.count) << c.opened;
        EXPECT_EQ(doc.Shot(0).Path(), dir.Path(c.first)) << c.opened;
    }
}

// Each shot is read by its own format's reader.
TEST(ShotTypesListing, EachShotIsReadByItsFormatsReader)
{
    ShotDir dir;
    dir.AddFile("a0001.gif", 1700000000, 0, shots_test::SolidGif(3, 2, {10, 20, 30}));
    kestrel::test::BmpRecipe bmp;
    bmp.width = 5;
    bmp.height = 4;
    bmp.bitCount = 24;
    bmp.pixels = std::string(4 * 16, '\x40');  // rows of 15 bytes, padded to 16
    dir.AddFile("a0002.bmp", 1700000001, 0, kestrel::test::BuildBmp(bmp));
    dir.AddFile("a0003.png", 1700000002, 0, "not a png");
    CKESTRELDoc doc;
    doc.SetShotTypes(ShotTypes::All());
    doc.m_strDirectory = dir.Dir();
    doc.ScanDirectory();
    const int widths[] = {3, 5, 0};
    for (int i = 0; i < 3; ++i) {
        doc.LoadShotAt(std::size_t(i));
        ASSERT_NE(doc.m_pImage, nullptr);
        EXPECT_EQ(doc.m_pImage->Width(), widths[i]) << i;
        EXPECT_EQ(doc.m_pImage->IsEmpty(), widths[i] == 0) << i;
    }
}

}  // namespace

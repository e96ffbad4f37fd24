// The timeline's thumbnails: their keys on disk, the disk store and what it
// does with a damaged entry, the order the maker works in, its budget, and
// what a changed file does. The maker runs without its worker here: each
// MakeNext is one job, on the test's thread.
#include <gtest/gtest.h>

#include <cstring>
#include <set>

#include "shots/thumbnails/thumbnail_maker.h"
#include "shots/thumbnails/thumbnail_store.h"
#include "tests/qt/shot_files.h"

namespace {

using shots_test::Rgb;
using shots_test::ShotDir;
using shots_test::SolidGif;

ThumbnailKey SomeKey() { return {"/shots/s0001.gif", 1234, 1700000000123456789}; }

struct KeyChange {
    const char* name;
    void (*change)(ThumbnailKey&);
};

class ThumbnailKeyChange : public ::testing::TestWithParam<KeyChange> {};

TEST_P(ThumbnailKeyChange, GivesAnotherFileName)
{
    ThumbnailKey changed = SomeKey();
    GetParam().change(changed);
    EXPECT_EQ(ThumbnailFileName(SomeKey()), ThumbnailFileName(SomeKey()));
    EXPECT_NE(ThumbnailFileName(changed), ThumbnailFileName(SomeKey()));
    EXPECT_EQ(ThumbnailFileName(changed).size(), 20u);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, ThumbnailKeyChange,
    ::testing::Values(KeyChange{"Size", [](ThumbnailKey& k) { k.size += 1; }},
                      KeyChange{"Time", [](ThumbnailKey& k) { k.mtimeNs += 1; }},
                      KeyChange{"Path", [](ThumbnailKey& k) { k.path = "/shots/s0002.gif"; }},
                      KeyChange{"PathIntoNumbers", [](ThumbnailKey& k) { k.path += '\x01'; }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThumbnailKeyOf, FollowsTheFilesSizeAndTime)
{
    ShotDir dir;
    const std::string path = dir.AddFile("s0001.gif", 1000, 5, SolidGif(4, 4, {1, 2, 3}));
    const std::optional<ThumbnailKey> before = ThumbnailKeyOf(path);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->mtimeNs, 1000LL * 1000000000 + 5);
    ShotDir::SetTime(path, 1000, 6);
    EXPECT_NE(ThumbnailKeyOf(path)->mtimeNs, before->mtimeNs);
    dir.AddFile("s0001.gif", 1000, 5, SolidGif(8, 4, {1, 2, 3}));
    EXPECT_NE(ThumbnailKeyOf(path)->size, before->size);
    EXPECT_FALSE(ThumbnailKeyOf(dir.Path("missing.gif")));
}

TEST(ThumbnailScale, KeepsProportionsAndColours)
{
    ShotDir dir;
    const std::string path = dir.AddFile("s0001.gif", 1000, 0, SolidGif(200, 50, {10, 200, 30}));
    std::optional<ThumbnailKey> key;
    const Thumbnail thumbnail = MakeThumbnail(path, key);
    ASSERT_TRUE(key);
    EXPECT_FALSE(thumbnail.failed);
    EXPECT_EQ(thumbnail.width, THUMBNAIL_WIDTH);
    EXPECT_EQ(thumbnail.height, 24);
    ASSERT_EQ(thumbnail.pixels.size(), std::size_t(96 * 24));
    EXPECT_EQ(thumbnail.pixels[0] & 0xFFFFFF, 0x0AC81Eu);
    EXPECT_EQ(thumbnail.pixels.back() & 0xFFFFFF, 0x0AC81Eu);
}

TEST(ThumbnailScale, AShotThatCannotBeReadFails)
{
    ShotDir dir;
    std::optional<ThumbnailKey> key;
    EXPECT_TRUE(MakeThumbnail(dir.AddFile("s0001.gif", 1000, 0, "GIF89a junk"), key).failed);
    EXPECT_TRUE(key);  // read, so kept as failed
    EXPECT_TRUE(MakeThumbnail(dir.AddDirectory("s0002.gif", 1000), key).failed);
    EXPECT_FALSE(key);
}

// ---- The store

Thumbnail SolidThumbnail(int width, int height)
{
    Thumbnail thumbnail;
    thumbnail.width = width;
    thumbnail.height = height;
    thumbnail.pixels.assign(std::size_t(width * height), 0xFF102030);
    return thumbnail;
}

struct Damage {
    const char* name;
    void (*damage)(std::string& bytes);
};

class ThumbnailStoreDamage : public ::testing::TestWithParam<Damage> {};

TEST_P(ThumbnailStoreDamage, IsAMissAndTheNextWriteMendsIt)
{
    ShotDir cache;
    const ThumbnailStore store(cache.Dir() + "kestrel/thumbnails/");
    const ThumbnailKey key = SomeKey();
    ASSERT_TRUE(store.Write(key, SolidThumbnail(96, 54)));
    std::string bytes = kestrel::test::ReadFileBytes(store.PathFor(key));
    GetParam().damage(bytes);
    kestrel::test::WriteFileBytes(store.PathFor(key), bytes);
    EXPECT_FALSE(store.Read(key));
    ASSERT_TRUE(store.Write(key, SolidThumbnail(96, 54)));
    const std::optional<Thumbnail> read = store.Read(key);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->pixels, SolidThumbnail(96, 54).pixels);
}

// Offsets in the layout of SomeKey's entry: magic 8, length 4, path 16,
// size 8, time 8, width 2, height 2, failed 1.
INSTANTIATE_TEST_SUITE_P(
    Entries, ThumbnailStoreDamage,
    ::testing::Values(Damage{"Empty", [](std::string& b) { b.clear(); }},
                      Damage{"Short", [](std::string& b) { b.resize(b.size() - 1); }},
                      Damage{"Long", [](std::string& b) { b += 'x'; }},
                      Damage{"Magic", [](std::string& b) { b[0] = 'X'; }},
                      Damage{"HugePathLength", [](std::string& b) { b[11] = '\x7f'; }},
                      Damage{"AnotherPath", [](std::string& b) { b[12] = '#'; }},
                      Damage{"AnotherTime", [](std::string& b) { b[36] ^= 1; }},
                      Damage{"WidthBeyondTheBox", [](std::string& b) { b[44] = char(200); }},
                      Damage{"FailedWithPixels", [](std::string& b) { b[48] = 1; }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- The maker

class ThumbnailMakerTest : public ::testing::Test {
protected:
    // count shots, shot k (from 0) of colour k, one second apart.
    void AddShots(int count)
    {
        for (int k = 0; k < count; ++k) {
            const std::string name = "s" + std::to_string(1000 + k) + ".gif";
            const std::string path = dir.AddFile(name, 1000 + k, 0, SolidGif(16, 9, {Colour(k), 0, 0}));
            shots.push_back({path, k});
        }
    }
    static std::uint8_t Colour(int k) { return std::uint8_t(10 + k); }
    ThumbnailMaker::Options Options(std::size_t budget = ThumbnailMaker::DEFAULT_BUDGET_BYTES)
    {
        ThumbnailMaker::Options options;
        options.directory = cache.Dir();
        options.budgetBytes = budget;
        options.worker = false;
        return options;
    }
    // The indexes in the order MakeNext made them.
    static std::vector<std::size_t> MakeAll(ThumbnailMaker& maker, std::size_t count)
    {
        std::vector<std::size_t> order;
        std::set<std::size_t> seen;
        while (maker.MakeNext()) {
            for (std::size_t i = 0; i < count; ++i) {
                if (maker.Get(i) && seen.insert(i).second) order.push_back(i);
            }
        }
        return order;
    }

    ShotDir dir;
    ShotDir cache;
    std::vector<ThumbnailMaker::Shot> shots;
};

TEST_F(ThumbnailMakerTest, MakesTheVisibleFirstThenOutwards)
{
    AddShots(8);
    ThumbnailMaker maker(Options());
    maker.SetShots(shots);
    maker.SetVisible(2, 4);
    EXPECT_EQ(MakeAll(maker, 8), (std::vector<std::size_t>{2, 3, 4, 1, 5, 0, 6, 7}));
    EXPECT_TRUE(maker.VisibleReady());
    EXPECT_EQ(maker.ReadyCount(), 8u);
    EXPECT_EQ(maker.Get(5)->pixels[0] & 0xFFFFFF, std::uint32_t(Colour(5)) << 16);
}

TEST_F(ThumbnailMakerTest, ASecondMakerReadsThemFromDisk)
{
    AddShots(4);
    {
        ThumbnailMaker first(Options());
        first.SetShots(shots);
        MakeAll(first, 4);
        EXPECT_EQ(first.Decoded(), 4u);
    }
    ThumbnailMaker second(Options());
    second.SetShots(shots);
    MakeAll(second, 4);
    EXPECT_EQ(second.Decoded(), 0u);
    EXPECT_EQ(second.ReadFromDisk(), 4u);
    EXPECT_EQ(second.Get(3)->pixels[0] & 0xFFFFFF, std::uint32_t(Colour(3)) << 16);
}

TEST_F(ThumbnailMakerTest, AChangedFileIsMadeAgain)
{
    AddShots(3);
    ThumbnailMaker maker(Options());
    maker.SetShots(shots);
    MakeAll(maker, 3);
    // Written again: the listing gives it a new time, the key a new size.
    dir.AddFile("s1001.gif", 2000, 0, SolidGif(32, 18, {0, 250, 0}));
    shots[1].lastWriteTime = 99;
    maker.SetShots(shots);
    EXPECT_FALSE(maker.Get(1));
    EXPECT_TRUE(maker.Get(0));
    EXPECT_EQ(MakeAll(maker, 3), (std::vector<std::size_t>{0, 1, 2}));  // all current again
    EXPECT_EQ(maker.Decoded(), 4u);
    EXPECT_EQ(maker.ReadFromDisk(), 0u);
    EXPECT_EQ(maker.Get(1)->pixels[0] & 0xFFFFFF, 0x00FA00u);
}

TEST_F(ThumbnailMakerTest, AFailedShotGetsAPlaceholder)
{
    shots.push_back({dir.AddFile("s0001.gif", 1000, 0, "not a GIF"), 0});
    ThumbnailMaker maker(Options());
    maker.SetShots(shots);
    ASSERT_TRUE(maker.MakeNext());
    ASSERT_TRUE(maker.Get(0));
    EXPECT_TRUE(maker.Get(0)->failed);
    EXPECT_FALSE(maker.MakeNext());
}

TEST_F(ThumbnailMakerTest, TheBudgetKeepsTheNearestAndStops)
{
    AddShots(10);
    // 16x9 shots give 96x54 thumbnails: room for three.
    const std::size_t one = 96 * 54 * 4 + 200;
    ThumbnailMaker maker(Options(3 * one + one / 2));
    maker.SetShots(shots);
    maker.SetVisible(4, 5);
    MakeAll(maker, 10);
    EXPECT_LE(maker.MemoryBytes(), 3 * one + one / 2);
    EXPECT_TRUE(maker.Get(4) && maker.Get(5) && maker.Get(3));
    EXPECT_EQ(maker.ReadyCount(), 3u);
    EXPECT_LT(maker.Decoded(), 6u);  // stopped, not churning through the rest
    maker.SetVisible(8, 9);
    MakeAll(maker, 10);
    EXPECT_TRUE(maker.Get(8) && maker.Get(9) && maker.Get(7));
    EXPECT_FALSE(maker.Get(4));
}

TEST_F(ThumbnailMakerTest, TheWorkerMakesThemAllAndSaysSo)
{
    AddShots(6);
    ThumbnailMaker::Options options = Options();
    options.worker = true;
    std::mutex mutex;
    std::condition_variable told;
    int ready = 0;
    ThumbnailMaker maker(options);
    maker.SetReadyCallback([&] {
        std::lock_guard<std::mutex> lock(mutex);
        ++ready;
        told.notify_all();
    });
    maker.SetShots(shots);
    std::unique_lock<std::mutex> lock(mutex);
    ASSERT_TRUE(told.wait_for(lock, std::chrono::seconds(20), [&] { return ready == 6; }));
    EXPECT_EQ(maker.ReadyCount(), 6u);
    EXPECT_EQ(maker.Decoded(), 6u);  // no shot made by two workers
}

}  // namespace

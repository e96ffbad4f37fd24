// Shot types and sequences in the application: the command line's words,
// a PNG folder of two cameras grouped by prefix, G and Shift+G, the title.
#include <QFileInfo>

#include "app/command_line.h"
#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

CommandLineResult Parse(std::initializer_list<const char*> words)
{
    QStringList arguments;
    for (const char* word : words) arguments << QString::fromUtf8(word);
    return ParseCommandLine(arguments);
}

TEST(SequenceCommandLine, TypesGroupAndSequenceAreRead)
{
    struct Case {
        std::initializer_list<const char*> words;
        bool ok;
        bool png;
        bool grouped;
        const char* sequence;  // null: none
    };
    const Case cases[] = {
        {{"dir"}, true, false, false, nullptr},
        {{"--types", "png,jpg", "dir"}, true, true, false, nullptr},
        {{"--types=all", "--group", "prefix", "dir"}, true, true, true, nullptr},
        {{"--sequence=cam1_", "dir"}, true, false, true, "cam1_"},
        {{"--group=prefix", "--sequence", "", "dir"}, true, false, true, ""},
        {{"--types", "webp", "dir"}, false, false, false, nullptr},
        {{"--group", "suffix", "dir"}, false, false, false, nullptr},
        {{"dir", "--types"}, false, false, false, nullptr},
    };
    for (const Case& c : cases) {
        const CommandLineResult result = Parse(c.words);
        SCOPED_TRACE(*c.words.begin());
        ASSERT_EQ(result.action == CommandLineResult::Action::Run, c.ok) << result.message.toStdString();
        if (!c.ok) continue;
        const ShotListOptions& options = result.info.m_shotList;
        EXPECT_EQ(options.types.Has(ImageFormat::Png), c.png);
        EXPECT_EQ(options.groupByPrefix, c.grouped);
        EXPECT_EQ(options.sequence.has_value(), c.sequence != nullptr);
        if (c.sequence) {
            EXPECT_EQ(*options.sequence, c.sequence);
        }
    }
}

class SequenceAppTest : public AppTest {
protected:
    void StartOnCameras(bool grouped)
    {
        long long time = 1'600'000'000;
        for (const char* name : {"cam1_0001.png", "cam0_0001.png", "cam1_0002.png", "cam0_0002.png", "cam0_0003.png"})
            m_cameras.AddFile(name, time++, 0, "not decoded");
        CCommandLineInfo info = NoSplash();
        info.m_strFileName = QString::fromStdString(m_cameras.Path("cam1_0002.png"));
        info.m_shotList.groupByPrefix = grouped;
        Start(info);
    }
    shots_test::ShotDir m_cameras;
};

TEST_F(SequenceAppTest, GAndShiftGStepBetweenSequencesAndTheTitleShowsThePrefix)
{
    StartOnCameras(true);
    // The opened file's type and sequence; display starts at its oldest.
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("ORVANE, INC. - KESTREL - cam1_"));
    EXPECT_EQ(ToolBar()->m_wndShotStatus->text(), QStringLiteral("1 of 2 Shots     First Shot: 1     Last Shot: 2"));
    const struct {
        Qt::KeyboardModifiers modifiers;
        const char* title;
        int count;
    } steps[] = {{Qt::NoModifier, "ORVANE, INC. - KESTREL - cam0_", 3},
                 {Qt::NoModifier, "ORVANE, INC. - KESTREL - cam1_", 2},
                 {Qt::ShiftModifier, "ORVANE, INC. - KESTREL - cam0_", 3}};
    for (const auto& step : steps) {
        Press(Qt::Key_G, step.modifiers);
        EXPECT_EQ(Frame()->windowTitle(), QString::fromLatin1(step.title));
        EXPECT_EQ(Doc()->m_nShotCount, step.count);
        EXPECT_EQ(Doc()->m_nShotPos, 1);
    }
}

TEST_F(SequenceAppTest, WithoutGroupingTheListIsOneAndTheTitleStays)
{
    StartOnCameras(false);
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("ORVANE, INC. - KESTREL"));
    EXPECT_EQ(Doc()->m_nShotCount, 5);
    Press(Qt::Key_G);
    EXPECT_EQ(Doc()->m_nShotCount, 5);
    EXPECT_EQ(Frame()->windowTitle(), QStringLiteral("ORVANE, INC. - KESTREL"));
}

}  // namespace
}  // namespace app_test

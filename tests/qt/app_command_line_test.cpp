#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

#include "app/command_line.h"

namespace {

using Action = CommandLineResult::Action;

CommandLineResult Parse(std::initializer_list<const char*> words)
{
    QStringList arguments;
    for (const char* word : words) arguments << QString::fromUtf8(word);
    return ParseCommandLine(arguments);
}

TEST(CommandLine, NothingGivenShowsTheSplashAndOpensNothing)
{
    const CommandLineResult result = Parse({});
    ASSERT_EQ(result.action, Action::Run);
    EXPECT_TRUE(result.info.m_bShowSplash);
    EXPECT_TRUE(result.info.m_strFileName.isEmpty());
    EXPECT_FALSE(result.info.m_nShot.has_value());
    EXPECT_TRUE(result.info.m_strScreenshot.isEmpty());
    EXPECT_FALSE(result.info.m_bPrintStatus);
}

TEST(CommandLine, EveryOptionIsRead)
{
    const CommandLineResult result =
        Parse({"--no-splash", "--shot", "0042", "--screenshot", "out.png", "--print-status", "shots/A0001.gif"});
    ASSERT_EQ(result.action, Action::Run) << result.message.toStdString();
    EXPECT_FALSE(result.info.m_bShowSplash);
    EXPECT_EQ(result.info.m_nShot, 42);
    EXPECT_EQ(result.info.m_strScreenshot, QStringLiteral("out.png"));
    EXPECT_TRUE(result.info.m_bPrintStatus);
    EXPECT_EQ(result.info.m_strFileName, QStringLiteral("shots/A0001.gif"));
}

TEST(CommandLine, ViewOptionsAreRead)
{
    const CommandLineResult result = Parse({"--fit", "aspect", "--zoom=400", "--fullscreen", "--overlay", "--timeline", "dir"});
    ASSERT_EQ(result.action, Action::Run) << result.message.toStdString();
    EXPECT_EQ(result.info.m_fitMode, FitMode::Aspect);
    EXPECT_EQ(result.info.m_zoom, 4.0);
    EXPECT_TRUE(result.info.m_bFullScreen);
    EXPECT_TRUE(result.info.m_bOverlay);
    EXPECT_TRUE(result.info.m_bTimeline);
    EXPECT_FALSE(Parse({"dir"}).info.m_bTimeline);
    EXPECT_EQ(Parse({"dir"}).info.m_fitMode, FitMode::Stretch);
    EXPECT_FALSE(Parse({"dir"}).info.m_zoom);
}

TEST(CommandLine, PlaybackOptionsAreRead)
{
    const CommandLineResult result =
        Parse({"--play", "--exit-after=500", "--loop", "pingpong", "--in", "3", "--max-shots=100000", "dir"});
    ASSERT_EQ(result.action, Action::Run) << result.message.toStdString();
    EXPECT_TRUE(result.info.m_playback.play);
    EXPECT_EQ(result.info.m_playback.exitAfterMs, 500);
    EXPECT_EQ(result.info.m_playback.loop, LoopMode::PingPong);
    EXPECT_EQ(result.info.m_playback.inShot, 3);
    EXPECT_EQ(result.info.m_playback.maxShots, 100000);
    EXPECT_EQ(result.info.m_strFileName, QStringLiteral("dir"));
    const CommandLineResult bad = Parse({"--loop"});
    EXPECT_EQ(bad.action, Action::UsageError);
    EXPECT_EQ(bad.message, QStringLiteral("--loop needs a value"));
}

TEST(CommandLine, CompareOptionsAreReadAndChecked)
{
    const CommandLineResult result =
        Parse({"--compare", "runB", "--pair", "index", "--compare-mode=diff", "--wipe", "12.5", "--diff-gain", "64", "runA"});
    ASSERT_EQ(result.action, Action::Run) << result.message.toStdString();
    EXPECT_EQ(result.info.m_strCompare, QStringLiteral("runB"));
    EXPECT_EQ(result.info.m_compare.pairBy, PairBy::Index);
    EXPECT_EQ(result.info.m_compare.mode, CompareMode::Diff);
    EXPECT_EQ(result.info.m_compare.wipePercent, 12.5);
    EXPECT_EQ(result.info.m_compare.diffGain, 64);
    const CompareOptions defaults = Parse({"runA"}).info.m_compare;
    EXPECT_EQ(defaults.pairBy, PairBy::Number);
    EXPECT_EQ(defaults.mode, CompareMode::Side);
    EXPECT_EQ(defaults.wipePercent, 50);
    EXPECT_EQ(defaults.diffGain, 1);
    const std::vector<std::vector<const char*>> refused = {
             {"--compare", "runB"},  // no A
             {"--diff-gain", "0", "runA"}, {"--diff-gain", "65", "runA"}, {"--wipe", "101", "runA"},
             {"--wipe", "-1", "runA"}, {"--compare-mode", "blend", "runA"}, {"--pair", "name", "runA"},
             {"--compare", "", "runA"}};
    for (const std::vector<const char*>& words : refused) {
        QStringList arguments;
        for (const char* word : words) arguments << QString::fromUtf8(word);
        EXPECT_EQ(ParseCommandLine(arguments).action, Action::UsageError) << arguments.join(u' ').toStdString();
    }
}

TEST(CommandLine, ValuesMayFollowAnEqualsSign)
{
    const CommandLineResult result = Parse({"--shot=7", "--screenshot=a.png", "dir"});
    ASSERT_EQ(result.action, Action::Run);
    EXPECT_EQ(result.info.m_nShot, 7);
    EXPECT_EQ(result.info.m_strScreenshot, QStringLiteral("a.png"));
}

TEST(CommandLine, ScreenshotModeHasNoSplash)
{
    const CommandLineResult result = Parse({"--screenshot", "a.png"});
    ASSERT_EQ(result.action, Action::Run);
    EXPECT_FALSE(result.info.m_bShowSplash);
}

TEST(CommandLine, DoubleDashEndsTheOptions)
{
    const CommandLineResult result = Parse({"--", "--no-splash"});
    ASSERT_EQ(result.action, Action::Run);
    EXPECT_TRUE(result.info.m_bShowSplash);
    EXPECT_EQ(result.info.m_strFileName, QStringLiteral("--no-splash"));
}

TEST(CommandLine, HelpAndVersionWinOverEverythingElse)
{
    EXPECT_EQ(Parse({"--help"}).action, Action::ShowHelp);
    EXPECT_EQ(Parse({"-h", "a", "b"}).action, Action::ShowHelp);
    EXPECT_EQ(Parse({"--version"}).action, Action::ShowVersion);
    EXPECT_TRUE(CommandLineHelp().startsWith(CommandLineUsage()));
    EXPECT_EQ(VersionText(), QStringLiteral("KESTREL Version 1.2\n"));
}

TEST(CommandLine, BadWordsAreUsageErrors)
{
    const std::initializer_list<const char*> cases[] = {
        {"--bogus"},
        {"-platform", "offscreen"},
        {"--shot"},
        {"--shot", "x7", "dir"},
        {"--shot", "-3", "dir"},
        {"--shot", "1234567890", "dir"},
        {"--shot", "5"},
        {"--screenshot"},
        {"--screenshot="},
        {"--fit", "square"},
        {"--fit"},
        {"--zoom", "6"},
        {"--zoom", "3201"},
        {"--zoom", "big"},
        {"one", "two"},
    };
    for (const auto& words : cases) {
        const CommandLineResult result = Parse(words);
        EXPECT_EQ(result.action, Action::UsageError) << *words.begin();
        EXPECT_FALSE(result.message.isEmpty()) << *words.begin();
    }
    EXPECT_TRUE(Parse({"--bogus"}).message.contains(QStringLiteral("--bogus")));
}

TEST(CommandLine, ReadableFilesAndDirectoriesPass)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("A0001.gif")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_EQ(CheckOpenPath(dir.path()), QString());
    EXPECT_EQ(CheckOpenPath(file.fileName()), QString());
}

TEST(CommandLine, MissingPathsAreNamedInTheMessage)
{
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("nothing-here.gif"));
    const QString message = CheckOpenPath(missing);
    EXPECT_TRUE(message.contains(missing));
    // A path that runs through a file cannot exist either.
    QFile file(dir.filePath(QStringLiteral("plain")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    EXPECT_FALSE(CheckOpenPath(file.fileName() + QStringLiteral("/A0001.gif")).isEmpty());
}

// Runs check as a user without root's right to read any directory, in a
// child so the test's own rights stay; the child's result as exit status.
bool HoldsUnprivileged(const std::function<bool()>& check)
{
    if (::geteuid() != 0) return check();
    const pid_t child = ::fork();
    if (child == 0) _exit(::setgid(65534) == 0 && ::setuid(65534) == 0 && check() ? 0 : 1);
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(CommandLine, AFileInADirectoryThatCannotBeListedIsRefused)
{
    QTemporaryDir dir;
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0711), 0);
    const std::string locked = QFile::encodeName(dir.filePath(QStringLiteral("locked"))).toStdString();
    ASSERT_TRUE(QDir().mkdir(QString::fromStdString(locked)));
    QFile file(QString::fromStdString(locked + "/A0001.gif"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    ASSERT_EQ(::chmod(locked.c_str(), 0711), 0);  // may be passed through, not read
    EXPECT_TRUE(HoldsUnprivileged([&] {
        return CheckOpenPath(locked + "/A0001.gif") ==
                   QStringLiteral("cannot list the directory '%1': permission denied").arg(QString::fromStdString(locked)) &&
               CheckOpenPath(locked).startsWith(QStringLiteral("cannot list the directory"));
    }));
}

TEST(CommandLine, ALoopOfSymbolicLinksIsNamed)
{
    QTemporaryDir dir;
    const QString loop = dir.filePath(QStringLiteral("loop"));
    ASSERT_TRUE(QFile::link(loop, loop));
    EXPECT_EQ(CheckOpenPath(loop + QStringLiteral("/A0001.gif")),
              QStringLiteral("cannot open '%1/A0001.gif': a loop of symbolic links").arg(loop));
}

// Paths are bytes: a name that is not UTF-8 survives the command line.
TEST(CommandLine, APathThatIsNotUtf8KeepsItsBytes)
{
    QTemporaryDir dir;
    const std::string path = QFile::encodeName(dir.path()).toStdString() + "/caf\xe9\xff" "0001.gif";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr);
    std::fclose(file);
    const CommandLineResult result = ParseCommandLineWords(std::vector<std::string>{"--shot", "1", path});
    ASSERT_EQ(result.action, Action::Run);
    EXPECT_EQ(result.info.PathBytes(), path);
    EXPECT_EQ(CheckOpenPath(result.info.PathBytes()), QString());
}

TEST(CommandLine, InAndOutNeedAPath)
{
    EXPECT_EQ(Parse({"--in", "3"}).action, Action::UsageError);
    EXPECT_EQ(Parse({"--out", "3"}).action, Action::UsageError);
}

}  // namespace

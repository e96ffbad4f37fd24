// Following in the running application: --follow, the F key, --interval,
// and `kestrel --list` as a program.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTest>

#include "app/command_line.h"
#include "shots/follow/qt/shot_directory_follower.h"
#include "tests/qt/app_fixture.h"
#include "tests/support/test_paths.h"

namespace {

using app_test::AppTest;

class FollowAppTest : public AppTest {
protected:
    std::string StatusText() const { return ToolBar()->m_wndShotStatus->GetWindowText(); }
    std::string NumberText() const { return ToolBar()->m_wndShotNumber->GetWindowText(); }
    void WriteShot(const std::string& name)
    {
        kestrel::test::WriteFileBytes(m_shots.Path(name), shots_test::SolidGif(8, 6, app_test::kRed));
    }
};

TEST_F(FollowAppTest, FollowFromTheCommandLineShowsTheNewestShotAndEachArrival)
{
    CCommandLineInfo info = NoSplash();
    info.m_strFileName = QString::fromStdString(m_shots.Dir());
    info.m_bFollow = true;
    Start(info);
    ASSERT_NE(m_app->Follower(), nullptr);
    EXPECT_EQ(NumberText(), "0012");
    EXPECT_EQ(StatusText(), "3 of 3 Shots     First Shot: 7     Last Shot: 12");

    WriteShot("D0020.gif");
    ASSERT_TRUE(QTest::qWaitFor([&] { return NumberText() == "0020"; }, 5000));
    EXPECT_EQ(StatusText(), "4 of 4 Shots     First Shot: 7     Last Shot: 20");

    // A navigation key turns following off; arrivals then leave the display alone.
    Press(Qt::Key_Left);
    EXPECT_EQ(NumberText(), "0012");
    EXPECT_FALSE(m_app->Follower()->FollowNewest());
    WriteShot("E0021.gif");
    ASSERT_TRUE(QTest::qWaitFor([&] { return Doc()->m_nShotCount == 5; }, 5000));
    EXPECT_EQ(NumberText(), "0012");
    EXPECT_EQ(StatusText(), "3 of 5 Shots     First Shot: 7     Last Shot: 21");
}

TEST_F(FollowAppTest, PollFromTheCommandLineListsALocalDirectoryToFollowIt)
{
    CCommandLineInfo info = NoSplash();
    info.m_strFileName = QString::fromStdString(m_shots.Dir());
    info.m_bFollow = true;
    info.m_bPoll = true;
    Start(info);
    ASSERT_NE(m_app->Follower(), nullptr);
    EXPECT_TRUE(m_app->Follower()->Polls());
    EXPECT_FALSE(m_app->Follower()->UsesKernelNotification());
    WriteShot("D0020.gif");
    ASSERT_TRUE(QTest::qWaitFor([&] { return NumberText() == "0020"; }, 5000));
    EXPECT_EQ(StatusText(), "4 of 4 Shots     First Shot: 7     Last Shot: 20");
}

TEST_F(FollowAppTest, KeyFTurnsFollowingOnAndOff)
{
    StartOnShots();
    EXPECT_EQ(NumberText(), "0007");
    ASSERT_NE(Action(ID_FOLLOW_NEWEST), nullptr);
    Press(Qt::Key_F);
    EXPECT_TRUE(m_app->Follower()->FollowNewest());
    EXPECT_EQ(NumberText(), "0012");
    Press(Qt::Key_F);
    EXPECT_FALSE(m_app->Follower()->FollowNewest());
    Press(Qt::Key_F);
    Press(Qt::Key_Home);
    EXPECT_FALSE(m_app->Follower()->FollowNewest());
    EXPECT_EQ(NumberText(), "0007");
}

TEST_F(FollowAppTest, TheIntervalFromTheCommandLineTimesPlaying)
{
    CCommandLineInfo info = NoSplash();
    info.m_nPlayInterval = 50;
    Start(info);
    EXPECT_EQ(View()->Timers().Interval(CKestrel::PLAY_TIMER_ID), 50);
    Press(Qt::Key_N, Qt::ControlModifier);  // the new-document step starts the timer again
    EXPECT_EQ(View()->Timers().Interval(CKestrel::PLAY_TIMER_ID), 50);

    m_app.reset();
    Start(NoSplash());
    EXPECT_EQ(View()->Timers().Interval(CKestrel::PLAY_TIMER_ID), 1000);
}

TEST(FollowCommandLine, FollowIntervalAndListWords)
{
    using Action = CommandLineResult::Action;
    CommandLineResult result = ParseCommandLine({"--follow", "--interval", "20", "dir"});
    EXPECT_EQ(result.action, Action::Run);
    EXPECT_TRUE(result.info.m_bFollow);
    EXPECT_EQ(result.info.m_nPlayInterval, 20);
    EXPECT_EQ(ParseCommandLine({"--interval=60000"}).info.m_nPlayInterval, 60000);
    EXPECT_EQ(ParseCommandLine({}).info.m_nPlayInterval, 1000);
    EXPECT_FALSE(ParseCommandLine({}).info.m_bFollow);
    EXPECT_TRUE(ParseCommandLine({"--poll", "dir"}).info.m_bPoll);
    EXPECT_FALSE(ParseCommandLine({"dir"}).info.m_bPoll);

    result = ParseCommandLine({"--list", "dir"});
    EXPECT_EQ(result.action, Action::Run);
    EXPECT_TRUE(result.info.m_bList);
    EXPECT_EQ(result.info.m_strFileName, QStringLiteral("dir"));

    struct Bad {
        QStringList words;
        QString message;
    };
    for (const Bad& bad : {
             Bad{{"--interval", "4"}, "--interval needs a whole number of milliseconds from 5 to 60000: '4' is out of range"},
             Bad{{"--interval=fast"}, "--interval needs a whole number of milliseconds from 5 to 60000, not 'fast'"},
             Bad{{"--interval"}, "--interval needs a number of milliseconds"},
             Bad{{"--list"}, "--list needs a PATH whose shots to list"},
         }) {
        result = ParseCommandLine(bad.words);
        EXPECT_EQ(result.action, Action::UsageError) << bad.words.join(' ').toStdString();
        EXPECT_EQ(result.message, bad.message);
    }
    EXPECT_TRUE(CommandLineHelp().contains(QStringLiteral("--interval MS")));
}

// The program itself, without a display: the report needs none.
class ListProgram : public ::testing::Test {
protected:
    static QProcess* Run(const QStringList& arguments)
    {
        auto* process = new QProcess;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(name);
        process->setProcessEnvironment(environment);
        process->start(QStringLiteral(KESTREL_PROGRAM_PATH), arguments);
        process->waitForFinished(30000);
        return process;
    }
};

TEST_F(ListProgram, PrintsTheReportAndExitsWithZero)
{
    shots_test::ShotDir dir;
    app_test::AddThreeShots(dir);
    std::unique_ptr<QProcess> process(Run({QStringLiteral("--list"), QString::fromStdString(dir.Path("A0012.gif"))}));
    EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process->exitCode(), 0);
    const QString out = QString::fromLocal8Bit(process->readAllStandardOutput());
    EXPECT_TRUE(out.startsWith(QStringLiteral("1\t7\tC0007.gif\t2020-09-13T12:26:40.0000000Z\n"
                                              "2\t3\tB0003.gif\t2020-09-13T12:28:20.0000000Z\n"
                                              "3\t12\tA0012.gif\t2020-09-13T12:30:00.0000000Z\n")))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("Number goes down while time goes up: position 2 (7 then 3)\n")));
}

TEST_F(ListProgram, ABadPathExitsWithTwo)
{
    std::unique_ptr<QProcess> process(Run({QStringLiteral("--list"), QStringLiteral("/kestrel-no-such-dir")}));
    EXPECT_EQ(process->exitCode(), 2);
    EXPECT_EQ(QString::fromLocal8Bit(process->readAllStandardError()),
              QStringLiteral("kestrel: cannot list '/kestrel-no-such-dir': No such file or directory\n"));
    EXPECT_TRUE(process->readAllStandardOutput().isEmpty());
}

}  // namespace

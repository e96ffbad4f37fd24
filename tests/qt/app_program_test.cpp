// The kestrel program as a user or a script runs it: PATH as a file or a
// directory, --shot, --screenshot with --print-status, and the usage errors.
#include <gtest/gtest.h>

#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

struct ProgramRun {
    int status = -1;
    QString out;
    QString err;
};

ProgramRun RunKestrel(const QStringList& arguments, bool withDisplay = true)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (withDisplay) {
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    } else {
        for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QLatin1String(name));
    }
    // Settings (the recent files) go to a folder of the test's own.
    static QTemporaryDir configHome;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome.path());
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(KESTREL_PROGRAM_PATH), arguments);
    ProgramRun run;
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

// The colour in the middle of the picture's view area (below the toolbar).
QRgb ViewColour(const QImage& picture) { return picture.pixel(picture.width() / 2, picture.height() * 2 / 3); }

class ProgramTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        AddThreeShots(m_shots);
        ASSERT_TRUE(m_out.isValid());
    }
    QString Shots() const { return QString::fromStdString(m_shots.Dir()); }
    QString Shot(const char* name) const { return QString::fromStdString(m_shots.Path(name)); }
    QString Png() const { return m_out.filePath(QStringLiteral("window.png")); }

    shots_test::ShotDir m_shots;
    QTemporaryDir m_out;
};

TEST_F(ProgramTest, ScreenshotOfADirectoryShowsTheOldestShot)
{
    const ProgramRun run = RunKestrel({QStringLiteral("--screenshot"), Png(), QStringLiteral("--print-status"), Shots()});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("0007\t1 of 3 Shots     First Shot: 7     Last Shot: 12\n"));
    const QImage picture(Png());
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(ViewColour(picture), qRgb(255, 0, 0));
}

TEST_F(ProgramTest, AFileOpensItsDirectoryAndShotJumps)
{
    const ProgramRun run = RunKestrel({QStringLiteral("--shot"), QStringLiteral("3"), QStringLiteral("--screenshot"), Png(),
                                QStringLiteral("--print-status"), Shot("A0012.gif")});
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(run.out, QStringLiteral("0003\t2 of 3 Shots     First Shot: 7     Last Shot: 12\n"));
    EXPECT_EQ(ViewColour(QImage(Png())), qRgb(0, 255, 0));
}

// A FIFO among the shots is an empty shot, shown as mid-grey under what is
// wrong with it: neither jumping to it nor naming it on the command line
// waits for a writer.
TEST_F(ProgramTest, AFifoAmongTheShotsNeverBlocks)
{
    m_shots.AddFifo("D0002.gif", 1'600'000'050);
    const ProgramRun jump = RunKestrel({QStringLiteral("--shot"), QStringLiteral("2"), QStringLiteral("--screenshot"),
                                        Png(), QStringLiteral("--print-status"), Shots()});
    ASSERT_EQ(jump.status, 0) << jump.err.toStdString();
    EXPECT_EQ(jump.out, QStringLiteral("0002\t2 of 4 Shots     First Shot: 7     Last Shot: 12\n"));
    EXPECT_EQ(ViewColour(QImage(Png())), qRgb(0x80, 0x80, 0x80));

    const ProgramRun named =
        RunKestrel({QStringLiteral("--screenshot"), Png(), QStringLiteral("--print-status"), Shot("D0002.gif")});
    ASSERT_EQ(named.status, 0) << named.err.toStdString();
    EXPECT_EQ(named.out, QStringLiteral("0007\t1 of 4 Shots     First Shot: 7     Last Shot: 12\n"));
}

TEST_F(ProgramTest, WithoutADisplayAScreenshotIsStillDrawn)
{
    const ProgramRun run = RunKestrel({QStringLiteral("--screenshot"), Png(), Shots()}, false);
    ASSERT_EQ(run.status, 0) << run.err.toStdString();
    EXPECT_EQ(ViewColour(QImage(Png())), qRgb(255, 0, 0));

    const ProgramRun window = RunKestrel({Shots()}, false);
    EXPECT_EQ(window.status, 1);
    EXPECT_TRUE(window.err.contains(QLatin1String("no display"))) << window.err.toStdString();
}

TEST_F(ProgramTest, UsageErrorsExitWithTwoAndSaySo)
{
    const ProgramRun unknown = RunKestrel({QStringLiteral("--frobnicate")});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_TRUE(unknown.err.contains(QLatin1String("unknown option '--frobnicate'"))) << unknown.err.toStdString();
    EXPECT_TRUE(unknown.err.contains(QLatin1String("usage: kestrel")));

    const ProgramRun missing = RunKestrel({m_out.filePath(QStringLiteral("nowhere"))});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains(QLatin1String("no such file or directory"))) << missing.err.toStdString();

    const ProgramRun badShot = RunKestrel({QStringLiteral("--shot"), QStringLiteral("x7"), Shots()});
    EXPECT_EQ(badShot.status, 2);

    // Points the shots cannot meet stop the start, with the window never shown.
    const ProgramRun noIn = RunKestrel({QStringLiteral("--screenshot"), Png(), QStringLiteral("--in"), QStringLiteral("5555"), Shots()});
    EXPECT_EQ(noIn.status, 2);
    EXPECT_TRUE(noIn.err.contains(QLatin1String("--in: no shot numbered 5555"))) << noIn.err.toStdString();

    const ProgramRun unwritable =
        RunKestrel({QStringLiteral("--screenshot"), m_out.filePath(QStringLiteral("no/such/dir/x.png")), Shots()});
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_TRUE(unwritable.err.contains(QLatin1String("cannot write"))) << unwritable.err.toStdString();
}

TEST_F(ProgramTest, HelpAndVersion)
{
    const ProgramRun help = RunKestrel({QStringLiteral("--help")});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.startsWith(QLatin1String("usage: kestrel")));
    const ProgramRun version = RunKestrel({QStringLiteral("--version")});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, QStringLiteral("KESTREL Version 1.2\n"));
}

}  // namespace
}  // namespace app_test

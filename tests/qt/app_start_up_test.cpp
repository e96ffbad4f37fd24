// Start-up with the splash, the help path, and the screenshot of the window.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <optional>

#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

class StartUpTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        m_previousLoader = CSplashWnd::SetPictureLoader([] {
            QImage picture(720, 540, QImage::Format_Indexed8);
            picture.setColorTable({qRgb(10, 20, 30)});
            picture.fill(0);
            return picture;
        });
    }
    void TearDown() override
    {
        AppTest::TearDown();
        CSplashWnd::SetPictureLoader(m_previousLoader);
    }

    CCommandLineInfo WithSplash() const
    {
        CCommandLineInfo info;
        info.m_strFileName = QString::fromStdString(m_shots.Dir());
        return info;
    }

    CSplashWnd::PictureLoader m_previousLoader;
};

TEST_F(StartUpTest, TheSplashCoversTheScreenAndItsFirstKeyGoesNoFurther)
{
    Start(WithSplash());
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->isVisible());
    EXPECT_EQ(splash->geometry(), Frame()->screen()->geometry());

    // The key closes the splash and does not step the shots.
    Press(Qt::Key_Right);
    // The main window has the keyboard again once the events are through.
    EXPECT_TRUE(QTest::qWaitForWindowActive(Frame()));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(Doc()->m_nShotPos, 1);
    Press(Qt::Key_Right);  // the next one does
    EXPECT_EQ(Doc()->m_nShotPos, 2);
}

TEST_F(StartUpTest, TheSplashClosesOnItsTimerAndAMouseClickIsSwallowed)
{
    Start(WithSplash());
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    EXPECT_TRUE(splash->IsTimerRunning());
    splash->OnTimer(CSplashWnd::SPLASH_TIMER_ID);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    m_app.reset();

    Start(WithSplash());
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    QWidget* next = ToolBar()->widgetForAction(Action(ID_SHOT_NEXT));
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(Doc()->m_nShotPos, 1);
}

TEST_F(StartUpTest, NoSplashWhenTheCommandLineSaysSoOrThePictureIsMissing)
{
    Start();  // --no-splash
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    m_app.reset();

    CSplashWnd::SetPictureLoader([] { return QImage(); });
    Start(WithSplash());
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(Doc()->m_nShotCount, 3);
    EXPECT_TRUE(Frame()->isVisible());
}

TEST_F(StartUpTest, HelpPathIsFixedFromTheStartUpDirectory)
{
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(QString::fromStdString(m_shots.Dir())));
    Start();
    QDir::setCurrent(before);
    const QString expected = QDir::cleanPath(QString::fromStdString(m_shots.Dir())) + QStringLiteral("/Kestrel.CHM");
    EXPECT_EQ(QString::fromStdString(m_app->HelpPath()), expected);
    // Later changes of directory do not move it.
    m_app->WinHelp();
    ASSERT_EQ(m_helpOpened.size(), 1);
    EXPECT_EQ(m_helpOpened[0], expected);
}

TEST_F(StartUpTest, WithoutTheHelpFileHelpOpensTheInstalledManual)
{
    QTemporaryDir start;
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(start.path()));
    Start();
    QDir::setCurrent(before);
    EXPECT_EQ(m_installedManual, QDir::cleanPath(QCoreApplication::applicationDirPath() +
                                                  QStringLiteral("/../share/doc/kestrel/manual.html")));
    const QString manual = start.filePath(QStringLiteral("manual.html"));
    QFile(manual).open(QIODevice::WriteOnly);
    m_app->SetManualPath(manual.toStdString());

    Frame()->Router().Execute(ID_CONTEXT_HELP);
    QFile(start.filePath(QStringLiteral("Kestrel.CHM"))).open(QIODevice::WriteOnly);
    Frame()->Router().Execute(ID_CONTEXT_HELP);
    EXPECT_EQ(m_helpOpened, (QStringList{manual, QString::fromStdString(m_app->HelpPath())}));
}

TEST_F(StartUpTest, AStartUpDirectoryTooLongForTheHelpPathMeansNoHelp)
{
    // A directory of 250 characters can be read, but with the help file's
    // name the path would need 263 of the 260 places.
    QString deep = QString::fromStdString(m_shots.Dir());
    while (deep.size() < 235) deep += QStringLiteral("d123456789/");
    deep += QString(250 - deep.size(), u'e');
    ASSERT_EQ(deep.size(), 250);
    ASSERT_TRUE(QDir().mkpath(deep));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(deep));
    Start();
    QDir::setCurrent(before);
    EXPECT_TRUE(m_app->HelpPath().empty());
    Frame()->Router().Execute(ID_HELP);
    EXPECT_TRUE(m_helpOpened.isEmpty());
}

TEST_F(StartUpTest, ScreenshotShowsTheShot)
{
    CCommandLineInfo info = NoSplash();
    info.m_strFileName = QString::fromStdString(m_shots.Path("B0003.gif"));
    info.m_nShot = 12;
    Start(info);
    EXPECT_EQ(m_app->StatusLine(), QStringLiteral("0012\t3 of 3 Shots     First Shot: 7     Last Shot: 12"));
    QTemporaryDir out;
    const QString file = out.filePath(QStringLiteral("w.png"));
    ASSERT_TRUE(m_app->SaveScreenshot(file));
    const QImage picture(file);
    ASSERT_EQ(picture.size(), Frame()->size());
    // The view, fitted: blue from its top left to its bottom right.
    const QRect view(View()->mapTo(Frame(), QPoint(0, 0)), View()->viewport()->size());
    EXPECT_EQ(picture.pixel(view.topLeft() + QPoint(1, 1)), qRgb(0, 0, 255));
    EXPECT_EQ(picture.pixel(view.bottomRight() - QPoint(1, 1)), qRgb(0, 0, 255));
    EXPECT_FALSE(m_app->SaveScreenshot(out.filePath(QStringLiteral("missing/w.png"))));
}

// Shots 0007, 0003, 0012 in that order: an in or out point must name one,
// and the out point may not come first.
TEST_F(StartUpTest, InAndOutPointsTheShotsCannotMeetRefuseToStart)
{
    struct Case {
        std::optional<int> in, out;
        QString error;
    };
    const QString dir = QString::fromStdString(m_shots.Dir());
    const Case cases[] = {
        {3, 12, {}},
        {5, {}, QStringLiteral("--in: no shot numbered 5 in '%1'").arg(dir)},
        {{}, 99, QStringLiteral("--out: no shot numbered 99 in '%1'").arg(dir)},
        {12, 3, QStringLiteral("the in point (shot 12) comes after the out point (shot 3)")},
    };
    for (const Case& c : cases) {
        CCommandLineInfo info = NoSplash();
        info.m_strFileName = dir;
        info.m_playback.inShot = c.in;
        info.m_playback.outShot = c.out;
        m_app = std::make_unique<CKESTRELApp>();
        EXPECT_EQ(m_app->InitInstance(info), c.error.isEmpty()) << c.error.toStdString();
        EXPECT_EQ(m_app->StartError(), c.error);
        m_app.reset();
    }
}

// Paths are bytes: a file whose name is not UTF-8 opens its directory.
TEST_F(StartUpTest, APathThatIsNotUtf8Opens)
{
    shots_test::ShotDir dir;
    const std::string path = dir.AddFile("caf\xe9\xff" "0005.gif", 1'600'000'000, 0, shots_test::SolidGif(4, 4, kRed));
    CCommandLineInfo info = NoSplash();
    info.m_strPath = path;
    Start(info);
    EXPECT_EQ(Doc()->ShotCount(), 1u);
    EXPECT_EQ(m_app->StatusLine(), QStringLiteral("0005\t1 of 1 Shots     First Shot: 5     Last Shot: 5"));
}

// Open and a drop say why a directory cannot be listed, and keep what shows.
TEST_F(StartUpTest, AnOpenThatCannotListSaysSoInABox)
{
    StartOnShots();
    QTemporaryDir dir;
    const QString loop = dir.filePath(QStringLiteral("loop"));
    ASSERT_TRUE(QFile::link(loop, loop));
    EXPECT_FALSE(m_app->OpenShots(loop + QStringLiteral("/A0001.gif")));
    ASSERT_EQ(m_messages.size(), 1);
    EXPECT_TRUE(m_messages[0].contains(QStringLiteral("a loop of symbolic links"))) << m_messages[0].toStdString();
    EXPECT_EQ(Doc()->ShotCount(), 3u);
}

}  // namespace
}  // namespace app_test

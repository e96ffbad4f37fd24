#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include "app/splash_wnd.h"
#include "app/splash_picture.h"

namespace {

// Puts the splash filter in front of everything, as the application's
// pre-translation does.
class SplashFilter : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override { return CSplashWnd::FilterSplashInput(event); }
};

// A window that counts the key and mouse presses that reach it.
class Target : public QWidget {
public:
    int keys = 0;
    int clicks = 0;

protected:
    void keyPressEvent(QKeyEvent*) override { ++keys; }
    void mousePressEvent(QMouseEvent*) override { ++clicks; }
};

// A 4 x 3 picture: left half red, right half blue.
QImage TwoColourPicture()
{
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(Qt::red);
    QPainter painter(&picture);
    painter.fillRect(2, 0, 2, 3, Qt::blue);
    return picture;
}

class SplashTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_previousLoader = CSplashWnd::SetPictureLoader([] { return TwoColourPicture(); });
        qApp->installEventFilter(&m_filter);
        CSplashWnd::EnableSplash(true);
        m_owner.resize(300, 200);
    }
    void TearDown() override
    {
        if (CSplashWnd* splash = CSplashWnd::Current()) splash->HideSplash();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        CSplashWnd::EnableSplash(false);
        qApp->removeEventFilter(&m_filter);
        CSplashWnd::SetPictureLoader(m_previousLoader);
    }

    SplashFilter m_filter;
    CSplashWnd::PictureLoader m_previousLoader;
    Target m_owner;
};

TEST_F(SplashTest, DisabledSplashIsNeverShown)
{
    CSplashWnd::EnableSplash(false);
    CSplashWnd::ShowSplash(&m_owner);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
}

TEST_F(SplashTest, MissingPictureMeansNoSplash)
{
    CSplashWnd::SetPictureLoader([] { return QImage(); });
    CSplashWnd::ShowSplash(&m_owner);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    CSplashWnd::SetPictureLoader(nullptr);
    CSplashWnd::ShowSplash(&m_owner);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
}

TEST_F(SplashTest, CoversTheWholeScreenWithThePictureStretched)
{
    CSplashWnd::ShowSplash(&m_owner);
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_TRUE(splash->isVisible());
    EXPECT_TRUE(splash->isWindow());
    EXPECT_EQ(splash->geometry(), screen);
    EXPECT_EQ(splash->ScreenWidth(), screen.width());
    EXPECT_EQ(splash->ScreenHeight(), screen.height());
    EXPECT_TRUE(splash->IsTimerRunning());

    const QImage shown = splash->grab().toImage();
    ASSERT_EQ(shown.size(), screen.size());
    EXPECT_EQ(shown.pixelColor(5, 5), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(screen.width() / 2 - 5, screen.height() - 5), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(screen.width() / 2 + 5, 5), QColor(Qt::blue));
    EXPECT_EQ(shown.pixelColor(screen.width() - 1, screen.height() - 1), QColor(Qt::blue));
}

TEST_F(SplashTest, AtMostOneSplashAtATime)
{
    CSplashWnd::ShowSplash(&m_owner);
    CSplashWnd* first = CSplashWnd::Current();
    ASSERT_NE(first, nullptr);
    CSplashWnd::ShowSplash(&m_owner);
    EXPECT_EQ(CSplashWnd::Current(), first);
    EXPECT_EQ(m_owner.findChildren<CSplashWnd*>().size(), 1);
}

TEST_F(SplashTest, TimerClosesItAndTheObjectGoes)
{
    CSplashWnd::ShowSplash(&m_owner);
    QPointer<CSplashWnd> splash = CSplashWnd::Current();
    ASSERT_TRUE(splash);
    splash->OnTimer(CSplashWnd::SPLASH_TIMER_ID);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_FALSE(splash->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(splash.isNull());
}

TEST_F(SplashTest, TimerIntervalIsThreeSeconds)
{
    EXPECT_EQ(CSplashWnd::SPLASH_INTERVAL_MS, 3000);
    EXPECT_EQ(CSplashWnd::SPLASH_TIMER_ID, 1);
}

TEST_F(SplashTest, KeyPressClosesItWithoutReachingTheMainWindow)
{
    m_owner.show();
    CSplashWnd::ShowSplash(&m_owner);
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    QTest::keyClick(&m_owner, Qt::Key_Right);
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(m_owner.keys, 0);
    // Once it is gone, keys go through again.
    QTest::keyClick(&m_owner, Qt::Key_Right);
    EXPECT_EQ(m_owner.keys, 1);
}

TEST_F(SplashTest, MousePressOnAnyWindowClosesItAndIsSwallowed)
{
    m_owner.show();
    CSplashWnd::ShowSplash(&m_owner);
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    QTest::mousePress(&m_owner, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
    EXPECT_EQ(m_owner.clicks, 0);
    QTest::mouseRelease(&m_owner, Qt::RightButton, {}, QPoint(10, 10));

    CSplashWnd::ShowSplash(&m_owner);
    CSplashWnd* splash = CSplashWnd::Current();
    ASSERT_NE(splash, nullptr);
    QTest::mouseClick(splash, Qt::LeftButton, {}, QPoint(3, 3));
    EXPECT_EQ(CSplashWnd::Current(), nullptr);
}

TEST_F(SplashTest, MovesAndReleasesLeaveItUp)
{
    m_owner.show();
    CSplashWnd::ShowSplash(&m_owner);
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    QTest::mouseMove(&m_owner, QPoint(20, 20));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QApplication::sendEvent(&m_owner, &release);
    EXPECT_NE(CSplashWnd::Current(), nullptr);
}

TEST_F(SplashTest, ClosingRepaintsTheOwnerAtOnce)
{
    class Painted : public QWidget {
    public:
        int paints = 0;

    protected:
        void paintEvent(QPaintEvent*) override { ++paints; }
    } owner;
    owner.resize(100, 100);
    owner.show();
    QCoreApplication::processEvents();
    CSplashWnd::ShowSplash(&owner);
    ASSERT_NE(CSplashWnd::Current(), nullptr);
    const int before = owner.paints;
    CSplashWnd::Current()->HideSplash();
    EXPECT_GT(owner.paints, before);
}

TEST(SplashPicture, BuiltInPictureIsA720By540IndexedBitmap)
{
    QFile resource(QString::fromLatin1(SPLASH_RESOURCE));
    ASSERT_TRUE(resource.open(QIODevice::ReadOnly));
    const QByteArray bytes = resource.readAll();
    // File header 14, info header 40, colour table 1024, rows 720 x 540.
    ASSERT_EQ(bytes.size(), 14 + 389864);
    auto le32 = [&](int at) {
        return quint32(quint8(bytes[at])) | quint32(quint8(bytes[at + 1])) << 8 |
               quint32(quint8(bytes[at + 2])) << 16 | quint32(quint8(bytes[at + 3])) << 24;
    };
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(18), 720u);
    EXPECT_EQ(le32(22), 540u);
    EXPECT_EQ(quint8(bytes[28]), 8);
    EXPECT_EQ(le32(30), 0u);    // uncompressed
    EXPECT_EQ(le32(46), 256u);  // colours used
}

TEST(SplashPicture, OurReaderLoadsTheBuiltInPicture)
{
    const QImage picture = LoadSplashPicture();
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.size(), QSize(720, 540));
    // Top-left is the night sky, bottom-left the film strip.
    const QColor sky = picture.pixelColor(0, 0);
    EXPECT_GT(sky.blue(), sky.red());
    EXPECT_LT(picture.pixelColor(2, 470).lightness(), 40);
}

TEST(SplashPicture, MissingResourceGivesNoPicture)
{
    EXPECT_TRUE(LoadSplashPicture(QStringLiteral(":/kestrel/no-such-picture.bmp")).isNull());
}

}  // namespace

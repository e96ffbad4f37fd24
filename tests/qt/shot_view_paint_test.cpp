// What the player view paints, grabbed pixel by pixel from the widget, and
// the sizes it gives itself and its frame: fitted to the window, at the
// shot's own size with scroll bars, for opaque, transparent and failed shots.
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QScreen>
#include <QScrollBar>

#include "shots/view/view_message.h"
#include "tests/qt/shot_view_host.h"

namespace {

using shots_test::IndexedShot;
using shots_test::Rgb;
using shots_test::SolidShot;
using shots_test::ToQRgb;
using shots_test::ViewHost;

constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kGreen{0, 200, 0};
constexpr Rgb kBlue{0, 0, 255};
constexpr Rgb kYellow{250, 240, 10};
constexpr QRgb kWhite = 0xFFFFFFFF;

// Counts the pixels of image that differ from colour.
int PixelsOtherThan(const QImage& image, QRgb colour)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) count += image.pixel(x, y) != colour;
    }
    return count;
}

// A picture whose index changes every 10 pixels across and down, so any
// shift of the painted picture shows.
std::unique_ptr<CDibImage> CheckedShot(int width, int height)
{
    std::vector<std::uint8_t> indices;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) indices.push_back(std::uint8_t((x / 10 + 2 * (y / 10)) % 4));
    }
    return IndexedShot(width, height, {kRed, kGreen, kBlue, kYellow}, indices);
}

QRgb CheckedColour(int x, int y)
{
    const Rgb colours[] = {kRed, kGreen, kBlue, kYellow};
    return ToQRgb(colours[(x / 10 + 2 * (y / 10)) % 4]);
}

void Show(ViewHost& host, std::unique_ptr<CDibImage> image)
{
    host.doc.m_pImage = std::move(image);
    host.doc.UpdateAllViews(nullptr, 0, nullptr);
}

TEST(ShotViewPaint, WithoutAnImageTheClientAreaIsWhite)
{
    ViewHost host;
    const QImage painted = host.Grab();
    ASSERT_FALSE(painted.isNull());
    EXPECT_EQ(painted.size(), host.view->viewport()->size());
    EXPECT_EQ(PixelsOtherThan(painted, kWhite), 0);
}

TEST(ShotViewPaint, FitStretchesEachAxisOverTheWholeClientArea)
{
    ViewHost host(QSize(500, 300));
    ASSERT_EQ(host.doc.m_bFitToScreen, 1);
    // 2 x 2: red, green on top; blue, yellow below.
    Show(host, IndexedShot(2, 2, {kRed, kGreen, kBlue, kYellow}, {0, 1, 2, 3}));
    const QImage painted = host.Grab();
    const int w = painted.width();
    const int h = painted.height();
    ASSERT_GT(w, 100);
    ASSERT_GT(h, 100);
    EXPECT_EQ(host.view->GetTotalSize(), QSize(w, h));  // no scrolling
    EXPECT_EQ(host.view->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(host.view->verticalScrollBar()->maximum(), 0);
    // Each quadrant of the (non-square) client area holds one pixel.
    EXPECT_EQ(painted.pixel(0, 0), ToQRgb(kRed));
    EXPECT_EQ(painted.pixel(w / 2 - 1, h / 2 - 1), ToQRgb(kRed));
    EXPECT_EQ(painted.pixel(w - 1, 0), ToQRgb(kGreen));
    EXPECT_EQ(painted.pixel(0, h - 1), ToQRgb(kBlue));
    EXPECT_EQ(painted.pixel(w - 1, h - 1), ToQRgb(kYellow));
    EXPECT_EQ(painted.pixel(w / 2 + 1, h / 2 + 1), ToQRgb(kYellow));
}

TEST(ShotViewPaint, TransparentPixelsShowWhiteNotThePreviousShot)
{
    ViewHost host;
    Show(host, SolidShot(4, 4, kBlue));
    ASSERT_EQ(PixelsOtherThan(host.Grab(), ToQRgb(kBlue)), 0);

    // Left half red, right half the transparent index.
    Show(host, IndexedShot(2, 1, {kRed, kGreen, kBlue, kYellow}, {0, 3}, 3));
    const QImage painted = host.Grab();
    const int w = painted.width();
    // Blending keeps 254/256 of an opaque pixel: red over white is 254, 0, 0.
    EXPECT_EQ(painted.pixel(0, 0), qRgb(254, 0, 0));
    EXPECT_EQ(painted.pixel(w / 2 - 1, painted.height() - 1), qRgb(254, 0, 0));
    EXPECT_EQ(painted.pixel(w / 2 + 1, 0), kWhite);
    EXPECT_EQ(painted.pixel(w - 1, painted.height() - 1), kWhite);
    EXPECT_EQ(PixelsOtherThan(painted.copy(w / 2 + 1, 0, w - w / 2 - 1, painted.height()), kWhite), 0);
}

TEST(ShotViewPaint, AFailedShotPaintsWhiteAndKeepsTheFrame)
{
    for (int fit : {1, 0}) {
        ViewHost host;
        host.doc.m_bFitToScreen = fit;
        Show(host, CheckedShot(1000, 800));
        host.Grab();
        const QSize frame = host.Frame().size();
        Show(host, std::make_unique<CDibImage>(ImageFormat::Gif));  // a load that failed
        const QImage painted = host.Grab();
        EXPECT_EQ(PixelsOtherThan(painted, kWhite), 0) << "fit " << fit;
        // Not taken as a picture of 0 x 0: the frame does not shrink away.
        EXPECT_EQ(host.Frame().size(), frame) << "fit " << fit;
    }
}

TEST(ShotViewPaint, NaturalSizeShrinksTheFrameToASmallShot)
{
    ViewHost host(QSize(480, 360));
    host.doc.m_bFitToScreen = 0;
    Show(host, CheckedShot(120, 90));
    host.Grab();
    const QImage painted = host.Grab();
    EXPECT_EQ(host.view->GetTotalSize(), QSize(120, 90));
    EXPECT_EQ(painted.size(), QSize(120, 90));
    EXPECT_LT(host.Frame().width(), 480);
    EXPECT_LT(host.Frame().height(), 360);
    int wrong = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) wrong += painted.pixel(x, y) != CheckedColour(x, y);
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ShotViewPaint, NaturalSizeShrinksOnlyTheSmallerDimension)
{
    ViewHost host(QSize(480, 360));
    host.doc.m_bFitToScreen = 0;
    const int clientHeight = host.view->GetClientRect().height();
    Show(host, CheckedShot(100, 2000));
    host.Grab();
    EXPECT_LT(host.Frame().width(), 480);
    EXPECT_EQ(host.Frame().height(), 360);
    EXPECT_GT(host.view->verticalScrollBar()->maximum(), 0);
    EXPECT_LE(host.view->GetClientRect().height(), clientHeight);
}

TEST(ShotViewPaint, NaturalSizeScrollsALargeShotAndKeepsTheFrame)
{
    ViewHost host(QSize(480, 360));
    host.doc.m_bFitToScreen = 0;
    Show(host, CheckedShot(1000, 800));
    QImage painted = host.Grab();
    EXPECT_EQ(host.Frame().size(), QSize(480, 360));
    EXPECT_EQ(host.view->GetTotalSize(), QSize(1000, 800));
    EXPECT_EQ(host.view->GetPageSize(), QSize(100, 80));
    EXPECT_EQ(host.view->GetLineSize(), QSize(10, 8));
    const QSize client = host.view->GetClientRect().size();
    EXPECT_EQ(host.view->horizontalScrollBar()->maximum(), 1000 - client.width());
    EXPECT_EQ(host.view->verticalScrollBar()->maximum(), 800 - client.height());
    EXPECT_EQ(painted.pixel(0, 0), CheckedColour(0, 0));
    EXPECT_EQ(painted.pixel(15, 25), CheckedColour(15, 25));

    host.view->horizontalScrollBar()->setValue(130);
    host.view->verticalScrollBar()->setValue(47);
    painted = host.Grab();
    int wrong = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) wrong += painted.pixel(x, y) != CheckedColour(x + 130, y + 47);
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ShotViewPaint, FitOnGrowsTheFrameAndFitOffLeavesItToTheShrinkRule)
{
    ViewHost host(QSize(400, 300));
    Show(host, CheckedShot(120, 90));
    host.Grab();
    ASSERT_EQ(host.Frame().size(), QSize(400, 300));  // fit: the frame keeps its size

    // Off: the next paint shrinks the frame to the shot.
    ASSERT_TRUE(host.Execute(ID_FIT_TO_SCREEN));
    EXPECT_EQ(host.doc.m_bFitToScreen, 0);
    host.Grab();
    EXPECT_EQ(host.view->GetClientRect().size(), QSize(120, 90));

    // On: the frame grows as far as the screen allows, then the view fits it.
    ASSERT_TRUE(host.Execute(ID_FIT_TO_SCREEN));
    EXPECT_EQ(host.doc.m_bFitToScreen, 1);
    EXPECT_EQ(host.view->GetTotalSize(), QSize(32768, 32768));
    ViewHost::Settle();
    const QSize screen = host.Frame().screen()->availableGeometry().size();
    EXPECT_GT(host.Frame().width(), 400);
    EXPECT_GT(host.Frame().height(), 300);
    EXPECT_LE(host.Frame().width(), screen.width());
    EXPECT_LE(host.Frame().height(), screen.height());
    const QImage painted = host.Grab();
    EXPECT_EQ(host.view->GetTotalSize(), host.view->GetClientRect().size());
    EXPECT_EQ(painted.size(), host.view->GetClientRect().size());
    EXPECT_EQ(painted.pixel(painted.width() - 1, painted.height() - 1), CheckedColour(119, 89));
}

TEST(ShotViewPaint, GifShotsFromTheDirectoryPaintAsTheyStep)
{
    shots_test::ShotDir dir;
    dir.AddFile("s0001.gif", 1, 0, shots_test::SolidGif(3, 3, kBlue));
    // Top row green, the rest the transparent index 2.
    dir.AddFile("s0002.gif", 2, 0,
                shots_test::TinyGif(3, 3, {kRed, kGreen, kBlue, kYellow}, {1, 1, 1, 2, 2, 2, 2, 2, 2}, 2));
    dir.AddFile("s0003.gif", 3, 0, "damaged");
    ViewHost host;
    host.Open(dir);
    ASSERT_NE(host.doc.m_pImage, nullptr);
    ASSERT_FALSE(host.doc.m_pImage->IsEmpty()) << host.doc.m_pImage->LastError();
    EXPECT_EQ(PixelsOtherThan(host.Grab(), ToQRgb(kBlue)), 0);

    ASSERT_TRUE(host.Execute(ID_SHOT_NEXT));
    QImage painted = host.Grab();
    const int h = painted.height();
    EXPECT_EQ(painted.pixel(0, 0), qRgb(0, (200 * 254 + 255) >> 8, 0));  // green blended over white
    EXPECT_EQ(PixelsOtherThan(painted.copy(0, h / 3 + 1, painted.width(), h - h / 3 - 1), kWhite), 0);

    ASSERT_TRUE(host.Execute(ID_SHOT_NEXT));
    EXPECT_EQ(host.doc.m_nShotPos, 3);
    // The damaged shot: mid-grey under the line that says what is wrong.
    EXPECT_EQ(host.Grab().pixel(0, 0), qRgb(0x80, 0x80, 0x80));
    EXPECT_EQ(ViewMessage(host.doc).rfind("s0003.gif: ", 0), 0u) << ViewMessage(host.doc);

    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    host.view->DispatchTimer(CKestrel::PLAY_TIMER_ID);  // wraps to the first
    EXPECT_EQ(host.doc.m_nShotPos, 1);
    EXPECT_EQ(PixelsOtherThan(host.Grab(), ToQRgb(kBlue)), 0);
}

}  // namespace

namespace {

// The view paints the window's own pixels where it can, and a back buffer
// copied onto the target where it cannot (a grab): both must show the same.
TEST(ShotViewPaint, TheWindowShowsWhatAGrabShows)
{
    ViewHost host(QSize(500, 300));
    Show(host, CheckedShot(96, 64));
    QWidget* viewport = host.view->viewport();
    viewport->repaint();
    QApplication::processEvents();
    const QImage grabbed = host.Grab();
    const QPoint at = viewport->mapTo(viewport->window(), QPoint(0, 0));
    const QImage shown = viewport->screen()
                             ->grabWindow(viewport->window()->winId(), at.x(), at.y(), viewport->width(),
                                          viewport->height())
                             .toImage()
                             .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), grabbed.size());
    ASSERT_EQ(PixelsOtherThan(grabbed, kWhite) > 0, true);
    EXPECT_EQ(shown, grabbed.convertToFormat(QImage::Format_RGB32));
}

}  // namespace

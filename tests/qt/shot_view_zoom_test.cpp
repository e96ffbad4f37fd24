// The player view zoomed, fitted aspect-true and read under the pointer,
// grabbed pixel by pixel from the widget.
#include <gtest/gtest.h>

#include <QMouseEvent>
#include <QScrollBar>

#include "tests/qt/shot_view_host.h"

namespace {

using shots_test::ViewHost;

constexpr QRgb kWhite = 0xFFFFFFFF;

// An 8-bit shot whose every pixel has an index of its own neighbourhood:
// (7x + 13y) mod 256 from the top, entry i holding (i, 255 - i, 3i mod 256).
std::unique_ptr<CDibImage> PatternShot(int width, int height)
{
    auto image = std::make_unique<CDibImage>(ImageFormat::Gif);
    image->Create(width, height, 8, ImageFormat::Gif);
    for (int i = 0; i < 256; ++i) image->SetPaletteEntry(BYTE(i), BYTE(i), BYTE(255 - i), BYTE(3 * i % 256), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) image->SetPixelIndex(x, height - 1 - y, BYTE((7 * x + 13 * y) % 256));
    }
    return image;
}

int PatternIndex(int x, int y) { return (7 * x + 13 * y) % 256; }
QRgb PatternColour(int x, int y)
{
    const int i = PatternIndex(x, y);
    return qRgb(i, 255 - i, 3 * i % 256);
}

void Show(ViewHost& host, std::unique_ptr<CDibImage> image)
{
    host.doc.m_pImage = std::move(image);
    host.doc.UpdateAllViews(nullptr, 0, nullptr);
}

TEST(ShotViewZoom, At400PercentEachPixelIsAnExactSquareAfterAScroll)
{
    ViewHost host;
    Show(host, PatternShot(200, 150));
    host.view->ZoomTo(4);
    host.Grab();
    EXPECT_EQ(host.doc.m_bFitToScreen, 0);
    EXPECT_EQ(host.view->GetTotalSize(), QSize(800, 600));
    host.view->horizontalScrollBar()->setValue(37);
    host.view->verticalScrollBar()->setValue(21);
    const QImage painted = host.Grab();
    int wrong = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            wrong += painted.pixel(x, y) != PatternColour((x + 37) / 4, (y + 21) / 4);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ShotViewZoom, At50PercentOnePixelStandsForEachPairCentredOnWhite)
{
    ViewHost host;
    Show(host, PatternShot(80, 60));
    host.view->ZoomTo(0.5);
    const QImage painted = host.Grab();
    const int left = (painted.width() - 40) / 2;
    const int top = (painted.height() - 30) / 2;
    int wrong = 0;
    int white = 0;
    for (int y = 0; y < painted.height(); ++y) {
        for (int x = 0; x < painted.width(); ++x) {
            const bool inside = x >= left && x < left + 40 && y >= top && y < top + 30;
            // Columns through their left edge, lines through their lower edge.
            if (inside) wrong += painted.pixel(x, y) != PatternColour(2 * (x - left), 2 * (y - top) + 1);
            else white += painted.pixel(x, y) == kWhite;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(white, painted.width() * painted.height() - 40 * 30);
}

TEST(ShotViewZoom, AspectFitOfAWideShotInASquareViewLetterboxesWithWhite)
{
    ViewHost host(QSize(420, 420));
    const QSize client = host.view->GetClientRect().size();
    host.Frame().resize(host.Frame().width(), host.Frame().height() + client.width() - client.height());
    ViewHost::Settle();
    ASSERT_EQ(host.view->GetClientRect().width(), host.view->GetClientRect().height());
    host.view->m_geometry.SetFit(FitMode::Aspect);
    Show(host, shots_test::SolidShot(100, 50, {255, 0, 0}));
    const QImage painted = host.Grab();
    const int side = painted.width();
    ASSERT_EQ(painted.height(), side);
    const int band = (side - side / 2) / 2;
    int wrong = 0;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const bool inside = y >= band && y < band + side / 2;
            wrong += painted.pixel(x, y) != (inside ? qRgb(255, 0, 0) : kWhite);
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST(ShotViewZoom, TheOverlayReadsThePixelUnderThePointerAndLeavesItFree)
{
    ViewHost host;
    Show(host, PatternShot(200, 150));
    host.view->ZoomTo(4);
    host.view->horizontalScrollBar()->setValue(8);
    host.view->verticalScrollBar()->setValue(0);
    host.view->m_bOverlay = true;
    host.Grab();
    // Client (13, 14) is document (21, 14): picture pixel (5, 3).
    const QPoint pointer(13, 14);
    QMouseEvent move(QEvent::MouseMove, QPointF(pointer), host.view->viewport()->mapToGlobal(QPointF(pointer)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(host.view->viewport(), &move);
    const std::vector<std::string> lines = host.view->OverlayLines();
    ASSERT_FALSE(lines.empty());
    const int i = PatternIndex(5, 3);
    EXPECT_EQ(lines.back(), "x 5, y 3, index " + std::to_string(i) + ", RGB " + std::to_string(i) + " " +
                                std::to_string(255 - i) + " " + std::to_string(3 * i % 256));
    EXPECT_EQ(lines[lines.size() - 2], "zoom 400 %");
    // The box went elsewhere: the pointer's pixel shows the shot.
    EXPECT_EQ(host.Grab().pixel(pointer), PatternColour(5, 3));
}

TEST(ShotViewZoom, DraggingWithTheLeftButtonPans)
{
    ViewHost host;
    Show(host, PatternShot(200, 150));
    host.view->ZoomTo(4);
    host.Grab();
    const QPoint start = host.view->GetScrollPosition();
    QWidget* viewport = host.view->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QMouseEvent move(QEvent::MouseMove, QPointF(30, 40), viewport->mapToGlobal(QPointF(30, 40)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    EXPECT_EQ(host.view->GetScrollPosition(), start + QPoint(20, 10));
}

TEST(ShotViewZoom, ZoomFitAndOverlaySurviveSteppingAndLeaveTheBoxesAlone)
{
    shots_test::ShotDir dir;
    dir.AddFile("s0001.gif", 1, 0, shots_test::SolidGif(3, 3, {0, 0, 255}));
    dir.AddFile("s0002.gif", 2, 0, shots_test::SolidGif(5, 4, {0, 255, 0}));
    ViewHost host;
    host.Open(dir);
    const QString status = host.status->text();
    ASSERT_TRUE(host.Execute(ID_VIEW_ZOOM_OWN_SIZE));
    ASSERT_TRUE(host.Execute(ID_VIEW_ZOOM_IN));
    ASSERT_TRUE(host.Execute(ID_VIEW_OVERLAY));
    ASSERT_TRUE(host.Execute(ID_VIEW_FIT_MODE));  // fit back on, aspect-true
    EXPECT_EQ(host.status->text(), status);
    EXPECT_EQ(host.number->text(), QStringLiteral("0001"));

    ASSERT_TRUE(host.Execute(ID_SHOT_NEXT));
    EXPECT_EQ(host.view->m_geometry.Zoom(), 2);
    EXPECT_EQ(host.view->m_geometry.Fit(), FitMode::Aspect);
    EXPECT_EQ(host.doc.m_bFitToScreen, 1);
    EXPECT_TRUE(host.view->m_bOverlay);
    EXPECT_EQ(host.number->text(), QStringLiteral("0002"));
    EXPECT_EQ(host.view->OverlayLines().front(), "s0002.gif");
}

}  // namespace

// Comparing with a second run in the window: --compare, the keys C, X and
// Ctrl+B, the wipe drag and what the view shows in each mode.
#include <QMouseEvent>

#include "app/compare_control.h"
#include "compare/shot_compare.h"
#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

const Rgb kPink{255, 0, 128};

class CompareTest : public AppTest {
protected:
    void StartComparing()
    {
        // B: 12 as A's, 7 pinker than A's red, no 3.
        m_b.AddFile("B0012.gif", 1'600'000'000, 0, shots_test::SolidGif(8, 6, kBlue));
        m_b.AddFile("B0007.gif", 1'600'000'100, 0, shots_test::SolidGif(8, 6, kPink));
        CCommandLineInfo info = NoSplash();
        info.m_strFileName = QString::fromStdString(m_shots.Dir());
        info.m_strCompare = QString::fromStdString(m_b.Dir());
        Start(info);
    }
    QImage Shown() const
    {
        // Twice, so that the scroll sizes a paint sets have settled.
        View()->viewport()->grab();
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        const QImage image = View()->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
        for (int i = 0; i < 5; ++i) QApplication::processEvents();
        return image;
    }
    // The colours at a quarter, the middle and three quarters of the width.
    std::array<QRgb, 3> Thirds() const
    {
        const QImage image = Shown();
        const int w = image.width(), y = image.height() / 2;
        return {image.pixel(w / 4, y) & 0xFFFFFF, image.pixel((w - 2) / 2, y) & 0xFFFFFF,
                image.pixel(w * 3 / 4, y) & 0xFFFFFF};
    }
    ShotCompare* Compare() const { return View()->Compare(); }

    shots_test::ShotDir m_b;
};

constexpr QRgb RED = 0xFF0000, PINK = 0xFF0080, GREY = 0x808080, BLUE_DIFF = 0x000080;

// With sequences, G and Shift+G take B to the sequence A shows.
TEST_F(CompareTest, BFollowsASequence)
{
    shots_test::ShotDir a;
    for (const char* prefix : {"camA", "camB"}) {
        a.AddFile(std::string(prefix) + "0001.gif", 1'600'000'000, 0, shots_test::SolidGif(8, 6, kRed));
        m_b.AddFile(std::string(prefix) + "0001.gif", 1'600'000'000, 0, shots_test::SolidGif(8, 6, kBlue));
    }
    CCommandLineInfo info = NoSplash();
    info.m_strFileName = QString::fromStdString(a.Dir());
    info.m_strCompare = QString::fromStdString(m_b.Dir());
    info.m_shotList.groupByPrefix = true;
    Start(info);
    ASSERT_NE(Compare(), nullptr);
    EXPECT_EQ(Compare()->B().SequencePrefix(), Doc()->SequencePrefix());
    for (int key : {Qt::Key_G, Qt::Key_G}) {
        Press(key);
        EXPECT_EQ(Compare()->B().SequencePrefix(), Doc()->SequencePrefix());
    }
    Press(Qt::Key_G, Qt::ShiftModifier);
    EXPECT_EQ(Compare()->B().SequencePrefix(), Doc()->SequencePrefix());
}

TEST_F(CompareTest, KeysCycleTheModesAndEachShowsWhatItShould)
{
    StartComparing();
    ASSERT_NE(Compare(), nullptr);
    EXPECT_EQ(Thirds(), (std::array<QRgb, 3>{RED, GREY, PINK}));  // side, the divider in the middle
    EXPECT_FALSE(Frame()->Router().IsEnabled(ID_COMPARE_SWAP));
    Press(Qt::Key_C);
    EXPECT_EQ(Compare()->Mode(), CompareMode::Wipe);
    EXPECT_EQ(Thirds(), (std::array<QRgb, 3>{RED, RED, PINK}));  // the line at 50 %
    Press(Qt::Key_C);
    EXPECT_EQ(Thirds(), (std::array<QRgb, 3>{RED, RED, RED}));  // flip: A
    Press(Qt::Key_X);
    EXPECT_EQ(Thirds(), (std::array<QRgb, 3>{PINK, PINK, PINK}));
    Press(Qt::Key_C);
    EXPECT_EQ(Thirds(), (std::array<QRgb, 3>{BLUE_DIFF, BLUE_DIFF, BLUE_DIFF}));
    EXPECT_EQ(m_app->CompareLine(), "compare: B shot 7 of 2: 48 pixels differ, largest difference 128\n");
    // B follows A; B has no 3.
    Press(Qt::Key_Right);
    EXPECT_EQ(m_app->CompareLine(), "compare: B has no shot 3\n");
    Press(Qt::Key_Right);
    EXPECT_EQ(Thirds(), (std::array<QRgb, 3>{0, 0, 0}));
    // Ctrl+B leaves: the single view, all blue.
    Press(Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(Compare(), nullptr);
    EXPECT_EQ(m_app->CompareLine(), "");
    EXPECT_EQ(Thirds(), (std::array<QRgb, 3>{0x0000FF, 0x0000FF, 0x0000FF}));
    // Ctrl+B again asks for B, and the mode is as it was.
    int asked = 0;
    const CompareDirectoryDialog previous = SetCompareDirectoryDialog([&](QWidget*, const QString&) {
        ++asked;
        return QString::fromStdString(m_b.Dir());
    });
    Press(Qt::Key_B, Qt::ControlModifier);
    SetCompareDirectoryDialog(previous);
    EXPECT_EQ(asked, 1);
    ASSERT_NE(Compare(), nullptr);
    EXPECT_EQ(Compare()->Mode(), CompareMode::Diff);
}

TEST_F(CompareTest, WipeLineFollowsALeftButtonDrag)
{
    StartComparing();
    Compare()->SetMode(CompareMode::Wipe);
    Compare()->SetWipePercent(25);
    QImage image = Shown();  // the scroll bars settle
    QWidget* viewport = View()->viewport();
    const int w = viewport->width(), y = viewport->height() / 2;
    EXPECT_EQ(image.pixel(w / 4 - 1, y) & 0xFFFFFF, RED);
    EXPECT_EQ(image.pixel(w / 4 + 1, y) & 0xFFFFFF, PINK);
    QTest::mousePress(viewport, Qt::LeftButton, {}, QPoint(w / 4, y));
    QTest::mouseMove(viewport, QPoint(w * 3 / 4, y));
    QMouseEvent move(QEvent::MouseMove, QPointF(w * 3 / 4, y), viewport->mapToGlobal(QPointF(w * 3 / 4, y)),
                     Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(viewport, &move);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, QPoint(w * 3 / 4, y));
    EXPECT_NEAR(Compare()->WipePercent(), 75, 100.0 / w);
    image = Shown();
    int firstB = 0;
    while (firstB < image.width() && (image.pixel(firstB, y) & 0xFFFFFF) != PINK) ++firstB;
    EXPECT_EQ(firstB, w * 3 / 4);
    EXPECT_EQ(image.pixel(w * 3 / 4 - 2, y) & 0xFFFFFF, RED);
    EXPECT_EQ(image.pixel(w * 3 / 4 + 1, y) & 0xFFFFFF, PINK);
    // No pan happened.
    EXPECT_EQ(View()->GetScrollPosition(), QPoint(0, 0));
}

}  // namespace
}  // namespace app_test

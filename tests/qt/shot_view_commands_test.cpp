// The player view's commands, their availability, the play timer and the
// shot-number box, driven through the frame's command route as the toolbar
// and the keys drive them.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QtTest/QTest>
#include <string>

#include "tests/qt/shot_view_host.h"

namespace {

using shots_test::ScopedFileDialog;
using shots_test::ShotDir;
using shots_test::ViewHost;

// Enabled state of every command, in this order:
// open about play stop first previous next last fit.
std::string Availability(ViewHost& host)
{
    std::string states;
    for (UINT id : {ID_FILE_OPEN, ID_APP_ABOUT, ID_SHOT_PLAY, ID_SHOT_STOP, ID_SHOT_FIRST, ID_SHOT_PREVIOUS,
                    ID_SHOT_NEXT, ID_SHOT_LAST, ID_FIT_TO_SCREEN}) {
        const bool enabled = host.Enabled(id);
        // The toolbar button shows the same state once the interface is refreshed.
        EXPECT_EQ(host.ButtonEnabled(id), enabled) << id;
        states += enabled ? '1' : '0';
    }
    return states;
}

// Three shots whose names carry 0010, 0020, 0030, in time order.
void AddThreeShots(ShotDir& dir)
{
    dir.AddFile("c0010.gif", 100);
    dir.AddFile("b0020.gif", 200);
    dir.AddFile("a0030.gif", 300);
}

TEST(ShotViewAvailability, EveryRuleBeforeAnyOpen)
{
    ViewHost host;
    //                               o a p s f p n l f
    EXPECT_EQ(Availability(host), "110000001");
    // Playing cannot start on an empty list; were the switch on, only stop
    // and fit would be offered.
    host.view->m_player.m_bPlaying = 1;
    EXPECT_EQ(Availability(host), "000100001");
}

TEST(ShotViewAvailability, EveryRuleAtFirstMiddleAndLastShot)
{
    ShotDir dir;
    AddThreeShots(dir);
    ViewHost host;
    host.Open(dir);
    ASSERT_EQ(host.doc.m_nShotPos, 1);
    EXPECT_EQ(Availability(host), "111000111");  // at the first shot
    ASSERT_TRUE(host.Execute(ID_SHOT_NEXT));
    EXPECT_EQ(Availability(host), "111011111");  // in the middle
    ASSERT_TRUE(host.Execute(ID_SHOT_NEXT));
    EXPECT_EQ(Availability(host), "111011001");  // at the last shot

    for (int position : {1, 2, 3}) {
        host.doc.SetCursor(position);
        host.view->m_player.m_bPlaying = 1;
        EXPECT_EQ(Availability(host), "000100001") << position;
        host.view->m_player.m_bPlaying = 0;
    }
}

TEST(ShotViewAvailability, OneShotOffersOnlyPlayAmongTheSteps)
{
    ShotDir dir;
    dir.AddFile("only0001.gif", 1);
    ViewHost host;
    host.Open(dir);
    EXPECT_EQ(Availability(host), "111000001");
    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    EXPECT_EQ(Availability(host), "000100001");
}

TEST(ShotViewAvailability, DisabledCommandsNeverRun)
{
    ShotDir dir;
    AddThreeShots(dir);
    ViewHost host;
    host.Open(dir);
    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));

    // Every step, open and about are refused while playing, even when the
    // button still looked enabled (no refresh since playing started).
    ScopedFileDialog dialog(dir.Path("a0030.gif"));
    for (UINT id : {ID_SHOT_PLAY, ID_SHOT_FIRST, ID_SHOT_PREVIOUS, ID_SHOT_NEXT, ID_SHOT_LAST, ID_FILE_OPEN,
                    ID_APP_ABOUT}) {
        EXPECT_FALSE(host.Execute(id)) << id;
        EXPECT_EQ(host.doc.m_nShotPos, 1) << id;
    }
    EXPECT_EQ(dialog.m_calls, 0);
    EXPECT_EQ(host.about.m_runs, 0);

    // A key whose action is still enabled goes through the same check.
    QAction* open = host.Frame().Actions().Action(ID_FILE_OPEN);
    open->setEnabled(true);
    open->trigger();
    EXPECT_EQ(dialog.m_calls, 0);

    // Previous at the first shot never runs, so the cursor never goes below.
    ASSERT_TRUE(host.Execute(ID_SHOT_STOP));
    EXPECT_FALSE(host.Execute(ID_SHOT_PREVIOUS));
    EXPECT_FALSE(host.Execute(ID_SHOT_FIRST));
    EXPECT_EQ(host.doc.m_nShotPos, 1);
    EXPECT_TRUE(host.Execute(ID_APP_ABOUT));
    EXPECT_EQ(host.about.m_runs, 1);
}

TEST(ShotViewAvailability, OpenKeyReachesTheDocumentUnlessPlaying)
{
    ShotDir dir;
    AddThreeShots(dir);
    ViewHost host;
    ScopedFileDialog dialog(dir.Path("b0020.gif"));
    QTest::keyClick(&host.Frame(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialog.m_calls, 1);
    EXPECT_EQ(host.doc.m_nShotCount, 3);
    EXPECT_EQ(host.number->text().toStdString(), "0010");  // the oldest, whatever was chosen

    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    host.Frame().UpdateCommandUI();
    QTest::keyClick(&host.Frame(), Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialog.m_calls, 1);
}

TEST(ShotViewCommands, StepsMoveTheCursorAndRewriteBothBoxes)
{
    ShotDir dir;
    AddThreeShots(dir);
    ViewHost host;
    host.Open(dir);
    auto expectShown = [&host](int position, const char* number) {
        EXPECT_EQ(host.doc.m_nShotPos, position);
        EXPECT_EQ(host.number->text().toStdString(), number);
        EXPECT_EQ(host.status->text().toStdString(),
                  std::to_string(position) + " of 3 Shots     First Shot: 10     Last Shot: 30");
    };
    expectShown(1, "0010");
    ASSERT_TRUE(host.Execute(ID_SHOT_LAST));
    expectShown(3, "0030");
    ASSERT_TRUE(host.Execute(ID_SHOT_PREVIOUS));
    expectShown(2, "0020");
    ASSERT_TRUE(host.Execute(ID_SHOT_PREVIOUS));
    expectShown(1, "0010");
    ASSERT_TRUE(host.Execute(ID_SHOT_NEXT));
    expectShown(2, "0020");
    ASSERT_TRUE(host.Execute(ID_SHOT_FIRST));
    expectShown(1, "0010");
}

TEST(ShotViewCommands, PlayLoadsNothingAndStopKeepsTheShot)
{
    ShotDir dir;
    AddThreeShots(dir);
    ViewHost host;
    host.Open(dir);
    ASSERT_TRUE(host.Execute(ID_SHOT_NEXT));
    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    EXPECT_EQ(host.view->m_player.m_bPlaying, 1);
    EXPECT_EQ(host.doc.m_nShotPos, 2);
    ASSERT_TRUE(host.Execute(ID_SHOT_STOP));
    EXPECT_EQ(host.view->m_player.m_bPlaying, 0);
    EXPECT_EQ(host.doc.m_nShotPos, 2);
    EXPECT_EQ(host.number->text().toStdString(), "0020");
}

// A FIFO named like a shot is shown as a shot without pixels, at once,
// whether a step or a play tick reaches it.
TEST(ShotViewCommands, StepsAndTicksOntoAFifoNeverBlock)
{
    ShotDir dir;
    dir.AddFile("c0010.gif", 100);
    const std::string fifo = dir.AddFifo("b0020.gif", 200);
    ViewHost host;
    host.Open(dir);
    EXPECT_TRUE(shots_test::ReturnsWithoutBlockingOn(fifo, [&] { ASSERT_TRUE(host.Execute(ID_SHOT_NEXT)); }));
    EXPECT_EQ(host.number->text().toStdString(), "0020");
    ASSERT_NE(host.doc.m_pImage, nullptr);
    EXPECT_TRUE(host.doc.m_pImage->IsEmpty());

    ASSERT_TRUE(host.Execute(ID_SHOT_FIRST));
    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    EXPECT_TRUE(shots_test::ReturnsWithoutBlockingOn(fifo, [&] { host.view->DispatchTimer(CKestrel::PLAY_TIMER_ID); }));
    EXPECT_EQ(host.doc.m_nShotPos, 2);
    EXPECT_TRUE(host.doc.m_pImage->IsEmpty());
}

TEST(ShotViewTimer, RunsForTheLifeOfTheViewAtOneSecond)
{
    ViewHost host;
    EXPECT_TRUE(host.view->Timers().IsRunning(CKestrel::PLAY_TIMER_ID));
    EXPECT_EQ(host.view->Timers().Interval(1), 1000);
    // A second initial update (the new-document step) replaces it.
    host.Frame().NewDocumentStep();
    EXPECT_EQ(host.view->Timers().Interval(1), 1000);
    host.view->OnDestroy();
    EXPECT_FALSE(host.view->Timers().IsRunning(1));
}

TEST(ShotViewTimer, TicksStepOnlyWhilePlayingAndWrapToTheFirst)
{
    ShotDir dir;
    AddThreeShots(dir);
    ViewHost host;
    host.Open(dir);
    host.view->DispatchTimer(CKestrel::PLAY_TIMER_ID);
    EXPECT_EQ(host.doc.m_nShotPos, 1);  // stopped: a tick does nothing

    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    const int expected[] = {2, 3, 1, 2, 3, 1};
    for (int position : expected) {
        host.view->DispatchTimer(CKestrel::PLAY_TIMER_ID);
        EXPECT_EQ(host.doc.m_nShotPos, position);
    }
    EXPECT_EQ(host.status->text().toStdString(), "1 of 3 Shots     First Shot: 10     Last Shot: 30");
    // Any timer of the view does the same.
    host.view->DispatchTimer(7);
    EXPECT_EQ(host.doc.m_nShotPos, 2);

    ASSERT_TRUE(host.Execute(ID_SHOT_STOP));
    host.view->DispatchTimer(CKestrel::PLAY_TIMER_ID);
    EXPECT_EQ(host.doc.m_nShotPos, 2);
}

TEST(ShotViewTimer, OneShotReloadsOnEveryTick)
{
    ShotDir dir;
    dir.AddFile("only0004.gif", 1);
    ViewHost host;
    host.Open(dir);
    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    host.number->setText(QString());
    host.view->DispatchTimer(1);
    EXPECT_EQ(host.doc.m_nShotPos, 1);
    EXPECT_EQ(host.number->text().toStdString(), "0004");
    EXPECT_NE(host.doc.m_pImage.get(), nullptr);
}

TEST(ShotViewTimer, RealTicksArriveAsTimerMessages)
{
    ShotDir dir;
    AddThreeShots(dir);
    ViewHost host;
    host.Open(dir);
    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    // A short period stands in for the second, only to see ticks arrive.
    host.view->SetTimer(CKestrel::PLAY_TIMER_ID, 1);
    QTRY_VERIFY_WITH_TIMEOUT(host.doc.m_nShotPos != 1, 5000);
}

class ShotNumberBox : public ::testing::Test {
protected:
    ShotNumberBox()
    {
        dir.AddFile("a0007.gif", 1);
        dir.AddFile("b0012.gif", 2);
        dir.AddFile("cABCD.gif", 3);
        dir.AddFile("d0012.gif", 4);
        dir.AddFile("e0015.gif", 5);
        host.Open(dir);
    }

    // Types text into the box and lets it lose the focus.
    void Type(const char* text)
    {
        host.number->setText(QString::fromLatin1(text));
        host.Frame().Router().Notify(IDC_SHOT_NUMBER, EN_KILLFOCUS);
    }

    ShotDir dir;
    ViewHost host;
};

TEST_F(ShotNumberBox, AKnownNumberJumpsToItsFirstShot)
{
    Type("15");
    EXPECT_EQ(host.doc.m_nShotPos, 5);
    EXPECT_EQ(host.number->text().toStdString(), "0015");
    EXPECT_EQ(host.status->text().toStdString(), "5 of 5 Shots     First Shot: 7     Last Shot: 15");
    // Two shots carry 12: the earlier in shot order wins.
    Type("0012");
    EXPECT_EQ(host.doc.m_nShotPos, 2);
    // 0 is the number of the shot whose name gives no digits.
    Type("0");
    EXPECT_EQ(host.doc.m_nShotPos, 3);
    EXPECT_EQ(host.number->text().toStdString(), "ABCD");
}

TEST_F(ShotNumberBox, AnUnknownNumberPutsBackTheShownOneWithoutZeros)
{
    Type("99");
    EXPECT_EQ(host.doc.m_nShotPos, 1);
    EXPECT_EQ(host.number->text().toStdString(), "7");
    ASSERT_TRUE(host.Execute(ID_SHOT_NEXT));
    EXPECT_EQ(host.number->text().toStdString(), "0012");
    Type("13");
    EXPECT_EQ(host.doc.m_nShotPos, 2);
    EXPECT_EQ(host.number->text().toStdString(), "12");
}

TEST_F(ShotNumberBox, AnUnknownNumberWithNoShotOnDisplayEmptiesTheBox)
{
    // Listed but not yet shown (the cursor before any load): nothing to put back.
    host.doc.ScanDirectory();
    ASSERT_EQ(host.doc.m_nShotPos, 0);
    Type("99");
    EXPECT_EQ(host.number->text().toStdString(), "");
    EXPECT_EQ(host.doc.m_nShotPos, 0);
}

TEST_F(ShotNumberBox, EnterJumpsThroughTheFocusChange)
{
    host.Frame().activateWindow();
    host.number->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    if (!host.number->hasFocus()) GTEST_SKIP() << "the platform gives no keyboard focus to the test window";
    host.number->selectAll();
    QTest::keyClicks(host.number, "x1y5");  // letters are refused
    EXPECT_EQ(host.number->text().toStdString(), "15");
    QTest::keyClick(host.number, Qt::Key_Return);
    EXPECT_FALSE(host.number->hasFocus());
    EXPECT_EQ(host.doc.m_nShotPos, 5);
    EXPECT_EQ(host.number->text().toStdString(), "0015");
}

TEST_F(ShotNumberBox, RefusesTheFocusWhilePlaying)
{
    host.Frame().activateWindow();
    QApplication::processEvents();
    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    host.number->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(host.number->hasFocus());
    ASSERT_TRUE(host.Execute(ID_SHOT_STOP));
    host.number->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    if (QApplication::focusWidget() == nullptr) GTEST_SKIP() << "the platform gives no keyboard focus to the test window";
    EXPECT_TRUE(host.number->hasFocus());
}

TEST(ShotNumberBoxEmpty, DoesNothingAndRefusesTheFocusWithNoShots)
{
    ViewHost host;
    host.number->setText(QStringLiteral("5"));
    host.Frame().Router().Notify(IDC_SHOT_NUMBER, EN_KILLFOCUS);
    EXPECT_EQ(host.number->text().toStdString(), "5");
    EXPECT_EQ(host.doc.m_nShotPos, 0);
    host.Frame().activateWindow();
    host.number->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    EXPECT_FALSE(host.number->hasFocus());
}

TEST(ShotViewDocument, InitialUpdateHandsTheBoxesToTheDocument)
{
    ViewHost host;
    EXPECT_EQ(host.doc.m_pShotNumberBox, static_cast<ITextBox*>(host.number));
    EXPECT_EQ(host.doc.m_pStatusBox, static_cast<ITextBox*>(host.status));
    host.Frame().NewDocumentStep();
    EXPECT_EQ(host.view->GetTotalSize(), QSize(1280, 1024));
    EXPECT_EQ(host.view->GetPageSize(), QSize(128, 102));
    EXPECT_EQ(host.view->GetLineSize(), QSize(12, 10));
    // The first paint without an image takes the client area as the size.
    host.Grab();
    EXPECT_EQ(host.view->GetTotalSize(), host.view->GetClientRect().size());
}

}  // namespace

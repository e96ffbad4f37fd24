// The keyboard: accelerators and viewer keys reach their commands through the
// frame, disabled commands do not run, and the shot-number box keeps the keys
// it needs.
#include <QClipboard>
#include <QFileInfo>

#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

TEST_F(AppTest, TheViewHasTheKeyboardAtStartUp)
{
    StartOnShots();
    EXPECT_EQ(QApplication::focusWidget(), View());
}

TEST_F(AppTest, ViewerKeysStepThroughTheShots)
{
    StartOnShots();
    ASSERT_EQ(Doc()->m_nShotCount, 3);
    EXPECT_EQ(Doc()->m_nShotPos, 1);
    Press(Qt::Key_Right);
    EXPECT_EQ(Doc()->m_nShotPos, 2);
    Press(Qt::Key_End);
    EXPECT_EQ(Doc()->m_nShotPos, 3);
    Press(Qt::Key_Right);  // disabled at the last shot: nothing happens
    EXPECT_EQ(Doc()->m_nShotPos, 3);
    Press(Qt::Key_Left);
    EXPECT_EQ(Doc()->m_nShotPos, 2);
    Press(Qt::Key_Home);
    EXPECT_EQ(Doc()->m_nShotPos, 1);
    EXPECT_EQ(ToolBar()->m_wndShotNumber->text(), QStringLiteral("0007"));
}

TEST_F(AppTest, SpacePlaysAndStopsAndPlayingDisablesTheOtherKeys)
{
    StartOnShots();
    Press(Qt::Key_Space);
    ASSERT_TRUE(View()->m_player.m_bPlaying);
    EXPECT_FALSE(Action(ID_SHOT_PLAY)->isEnabled());
    EXPECT_TRUE(Action(ID_SHOT_STOP)->isEnabled());

    // While playing: stepping, open and about do not run.
    shots_test::ScopedFileDialog dialog("");
    Press(Qt::Key_Right);
    Press(Qt::Key_End);
    Press(Qt::Key_O, Qt::ControlModifier);
    Action(ID_APP_ABOUT)->trigger();
    EXPECT_EQ(Doc()->m_nShotPos, 1);
    EXPECT_EQ(dialog.m_calls, 0);
    EXPECT_TRUE(m_aboutTitles.isEmpty());

    // A tick shows the next shot; Space again stops.
    View()->DispatchTimer(CKestrel::PLAY_TIMER_ID);
    EXPECT_EQ(Doc()->m_nShotPos, 2);
    Press(Qt::Key_Space);
    EXPECT_FALSE(View()->m_player.m_bPlaying);
    View()->DispatchTimer(CKestrel::PLAY_TIMER_ID);
    EXPECT_EQ(Doc()->m_nShotPos, 2);
}

TEST_F(AppTest, CtrlOOpensThroughTheDocumentAndCtrlNRunsTheNewDocumentStep)
{
    shots_test::ShotDir other;
    other.AddFile("X0042.gif", 1'600'000'000, 0, shots_test::SolidGif(4, 4, kGreen));
    shots_test::ScopedFileDialog dialog(other.Path("X0042.gif"));
    Start();
    ASSERT_EQ(Doc()->m_nShotCount, 0);
    Press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(dialog.m_calls, 1);
    EXPECT_EQ(Doc()->m_nShotCount, 1);
    EXPECT_EQ(ToolBar()->m_wndShotNumber->text(), QStringLiteral("0042"));

    // The new-document step keeps the shots and hands the boxes over again.
    Doc()->m_pStatusBox = nullptr;
    Press(Qt::Key_N, Qt::ControlModifier);
    EXPECT_EQ(Doc()->m_nShotCount, 1);
    EXPECT_EQ(Doc()->m_pStatusBox, ToolBar()->m_wndShotStatus);
}

TEST_F(AppTest, SaveAndTheUnhandledKeysDoNothing)
{
    shots_test::ScopedFileDialog dialog(m_shots.Path("new.gif"));
    StartOnShots();
    const QString shown = m_app->StatusLine();
    for (const auto& [key, modifiers] : std::vector<std::pair<int, Qt::KeyboardModifiers>>{
             {Qt::Key_S, Qt::ControlModifier},
             {Qt::Key_Z, Qt::ControlModifier},
             {Qt::Key_Backspace, Qt::AltModifier},
             {Qt::Key_X, Qt::ControlModifier},
             {Qt::Key_Delete, Qt::ShiftModifier},
             {Qt::Key_C, Qt::ControlModifier},
             {Qt::Key_Insert, Qt::ControlModifier},
             {Qt::Key_V, Qt::ControlModifier},
             {Qt::Key_Insert, Qt::ShiftModifier},
             {Qt::Key_F6, Qt::NoModifier},
             {Qt::Key_F6, Qt::ShiftModifier}}) {
        Press(key, modifiers);
    }
    EXPECT_EQ(dialog.m_calls, 0);
    EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(m_shots.Path("new.gif"))));
    EXPECT_EQ(m_app->StatusLine(), shown);
    EXPECT_EQ(Action(ID_FILE_SAVE), nullptr);
    // The edit and pane keys have commands but no handler: shown disabled.
    for (UINT id : {ID_EDIT_UNDO, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_NEXT_PANE, ID_PREV_PANE}) {
        ASSERT_NE(Action(id), nullptr) << id;
        EXPECT_FALSE(Action(id)->isEnabled()) << id;
    }
}

TEST_F(AppTest, ShotNumberBoxTakesDigitsOnlyAndEnterJumps)
{
    StartOnShots();
    CShotNumberEdit* box = ToolBar()->m_wndShotNumber;
    EXPECT_EQ(box->alignment() & Qt::AlignHorizontal_Mask, Qt::AlignRight);
    EXPECT_EQ(box->textMargins(), QMargins(1, 0, 1, 0));
    EXPECT_TRUE(box->hasFrame());

    box->setFocus(Qt::MouseFocusReason);
    ASSERT_TRUE(box->hasFocus());
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("a1b2 ;-"));
    EXPECT_EQ(box->text(), QStringLiteral("12"));
    // The keys a box needs stay in it: no shot step, no play.
    QTest::keyClick(box, Qt::Key_Left);
    QTest::keyClick(box, Qt::Key_Home);
    QTest::keyClick(box, Qt::Key_Space);
    EXPECT_EQ(Doc()->m_nShotPos, 1);
    EXPECT_FALSE(View()->m_player.m_bPlaying);

    // Tab and Escape leave the focus in the box.
    QTest::keyClick(box, Qt::Key_Tab);
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClick(box, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(box->hasFocus());
    QTest::keyClick(box, Qt::Key_Escape);
    EXPECT_TRUE(box->hasFocus());

    // Enter gives the focus to the main window, and the jump happens then.
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_FALSE(box->hasFocus());
    EXPECT_EQ(QApplication::focusWidget(), Frame());
    EXPECT_EQ(Doc()->m_nShotPos, 3);
    EXPECT_EQ(box->text(), QStringLiteral("0012"));

    // An unknown number puts the shown shot's number back.
    box->setFocus(Qt::MouseFocusReason);
    box->selectAll();
    QTest::keyClicks(box, QStringLiteral("99"));
    QTest::keyClick(box, Qt::Key_Enter);
    EXPECT_EQ(Doc()->m_nShotPos, 3);
    EXPECT_EQ(box->text(), QStringLiteral("12"));
}

TEST_F(AppTest, ShotNumberBoxTakesOnlyTheDigitsOfTextThatIsNotTyped)
{
    StartOnShots();
    CShotNumberEdit* box = ToolBar()->m_wndShotNumber;
    box->setFocus(Qt::MouseFocusReason);
    box->selectAll();
    box->insert(QStringLiteral("1x-2"));  // what pasting, dropping and input methods do
    EXPECT_EQ(box->text(), QStringLiteral("12"));
    QApplication::clipboard()->setText(QStringLiteral("shot 3"));
    box->paste();
    EXPECT_EQ(box->text(), QStringLiteral("123"));
}

TEST_F(AppTest, TabNeverGivesEitherBoxTheFocus)
{
    StartOnShots();
    for (int i = 0; i < 6; ++i) {
        Press(Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), ToolBar()->m_wndShotNumber) << i;
        EXPECT_NE(QApplication::focusWidget(), ToolBar()->m_wndShotStatus) << i;
    }
}

TEST_F(AppTest, ShotOnTheCommandLineLeavesTheBoxEmptyWithNoShotsListed)
{
    shots_test::ShotDir empty;
    CCommandLineInfo info = NoSplash();
    info.m_strFileName = QString::fromStdString(empty.Dir());
    info.m_nShot = 1;
    Start(info);
    EXPECT_EQ(m_app->StatusLine(), QStringLiteral("\t"));
}

TEST_F(AppTest, ShotNumberBoxHoldsOnlyTheDigitsThatFit)
{
    StartOnShots();
    CShotNumberEdit* box = ToolBar()->m_wndShotNumber;
    box->setFocus(Qt::MouseFocusReason);
    box->clear();
    QTest::keyClicks(box, QString(40, u'8'));
    const int held = int(box->text().size());
    EXPECT_GE(held, 4);
    EXPECT_LT(held, 40);
    EXPECT_LE(box->fontMetrics().horizontalAdvance(box->text()), box->width());
}

TEST_F(AppTest, StatusBoxCannotBeEdited)
{
    StartOnShots();
    EditBox* status = ToolBar()->m_wndShotStatus;
    EXPECT_TRUE(status->isReadOnly());
    const QString text = status->text();
    EXPECT_EQ(text, QStringLiteral("1 of 3 Shots     First Shot: 7     Last Shot: 12"));
    status->setFocus(Qt::MouseFocusReason);
    QTest::keyClicks(status, QStringLiteral("abc123"));
    QTest::keyClick(status, Qt::Key_Backspace);
    EXPECT_EQ(status->text(), text);
}

}  // namespace
}  // namespace app_test

// The main window: title, no menu bar, the toolbar's items, the boxes, and
// the command route through the frame.
#include <QFontInfo>
#include <QLayout>
#include <QMenuBar>
#include <QToolButton>

#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

constexpr const char* kTitle = "ORVANE, INC. - KESTREL";

TEST_F(AppTest, TitleIsFixedAndThereIsNoMenuBar)
{
    StartOnShots();
    EXPECT_EQ(Frame()->windowTitle(), QLatin1String(kTitle));
    EXPECT_TRUE(Frame()->isMaximized());
    EXPECT_EQ(Frame()->menuWidget(), nullptr);
    EXPECT_TRUE(Frame()->findChildren<QMenuBar*>().isEmpty());

    // Neither an open, a jump nor a new-document step adds a name to it.
    m_app->OpenShots(QString::fromStdString(m_shots.Path("B0003.gif")));
    m_app->JumpToShot(12);
    ASSERT_TRUE(Frame()->Router().Execute(ID_FILE_NEW));
    EXPECT_EQ(Frame()->windowTitle(), QLatin1String(kTitle));
}

TEST_F(AppTest, ToolbarHasSeventeenItemsInOrderWithTheirIds)
{
    Start();
    const UINT expected[] = {ID_FILE_OPEN, 0, ID_APP_ABOUT, 0, ID_CONTEXT_HELP, 0, ID_SHOT_PLAY, ID_SHOT_STOP, 0,
                             ID_FIT_TO_SCREEN, 0, ID_SHOT_FIRST, ID_SHOT_PREVIOUS, IDC_SHOT_NUMBER, ID_SHOT_NEXT,
                             ID_SHOT_LAST, IDC_SHOT_STATUS};
    ASSERT_EQ(ToolBar()->ItemCount(), 17);
    for (int i = 0; i < 17; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ToolBar()->ItemId(i), expected[i]);
        EXPECT_EQ(ToolBar()->IsPlainSeparator(i), expected[i] == 0);
        if (expected[i] != 0 && expected[i] != IDC_SHOT_NUMBER && expected[i] != IDC_SHOT_STATUS) {
            // The button is the command's own action, with its picture.
            EXPECT_EQ(ToolBar()->ItemAction(i), Action(expected[i]));
            EXPECT_FALSE(ToolBar()->ItemAction(i)->icon().isNull());
        }
    }

    // The boxes lie in their slots, 64 and 384 pixels wide, 12 in from the left.
    QWidget* numberSlot = ToolBar()->widgetForAction(ToolBar()->ItemAction(13));
    QWidget* statusSlot = ToolBar()->widgetForAction(ToolBar()->ItemAction(16));
    ASSERT_NE(numberSlot, nullptr);
    ASSERT_NE(statusSlot, nullptr);
    EXPECT_EQ(numberSlot->width(), 64);
    EXPECT_EQ(statusSlot->width(), 384);
    EXPECT_EQ(ToolBar()->m_wndShotNumber->parentWidget(), numberSlot);
    EXPECT_EQ(ToolBar()->m_wndShotStatus->parentWidget(), statusSlot);
    EXPECT_EQ(ToolBar()->m_wndShotNumber->x(), 12);
    EXPECT_EQ(ToolBar()->m_wndShotStatus->x(), 12);
}

TEST_F(AppTest, ToolbarTooltipsAndPrompts)
{
    Start();
    const struct {
        UINT id;
        const char* tip;
        const char* prompt;  // null: any text of our own
    } buttons[] = {
        {ID_FILE_OPEN, "Open", nullptr},
        {ID_APP_ABOUT, "About", nullptr},
        {ID_CONTEXT_HELP, "Help", nullptr},
        {ID_SHOT_PLAY, "Play", "Play"},
        {ID_SHOT_STOP, "Stop", "Stop"},
        {ID_FIT_TO_SCREEN, "Fit Image To Screen (On/Off)", "Fit Image To Screen (On/Off)"},
        {ID_SHOT_FIRST, "First Record", "First Record"},
        {ID_SHOT_PREVIOUS, "Previous Record", "Previous"},
        {ID_SHOT_NEXT, "Next Record", "Next"},
        {ID_SHOT_LAST, "Last Record", "Last Record"},
    };
    for (const auto& button : buttons) {
        SCOPED_TRACE(button.tip);
        QAction* action = Action(button.id);
        ASSERT_NE(action, nullptr);
        EXPECT_EQ(action->toolTip(), QLatin1String(button.tip));
        const auto* tool = qobject_cast<QToolButton*>(ToolBar()->widgetForAction(action));
        ASSERT_NE(tool, nullptr);
        EXPECT_EQ(tool->toolTip(), QLatin1String(button.tip));
        if (button.prompt) {
            EXPECT_EQ(action->statusTip(), QLatin1String(button.prompt));
        }
        EXPECT_FALSE(action->statusTip().isEmpty());
    }
}

TEST_F(AppTest, FitIsACheckBoxButtonPressedExactlyWhenFitIsOn)
{
    StartOnShots();
    QAction* fit = Action(ID_FIT_TO_SCREEN);
    ASSERT_TRUE(fit->isCheckable());
    ASSERT_EQ(Doc()->m_bFitToScreen, 1);
    EXPECT_TRUE(fit->isChecked());

    fit->trigger();  // a click
    EXPECT_EQ(Doc()->m_bFitToScreen, 0);
    EXPECT_FALSE(fit->isChecked());
    fit->trigger();
    EXPECT_EQ(Doc()->m_bFitToScreen, 1);
    EXPECT_TRUE(fit->isChecked());

    // Changed behind the button's back, the look follows at the next idle time.
    Doc()->m_bFitToScreen = 0;
    Frame()->SyncFitButton();
    EXPECT_FALSE(fit->isChecked());
}

// The shots are 8 x 6: at their own size the frame shrinks, but never so far
// that the toolbar's boxes hide behind its overflow button; a maximised
// frame is not resized at all.
TEST_F(AppTest, ASmallShotAtItsOwnSizeKeepsTheWholeToolbar)
{
    StartOnShots();
    const QSize maximised = Frame()->size();
    Action(ID_FIT_TO_SCREEN)->trigger();
    View()->repaint();
    QCoreApplication::processEvents();
    EXPECT_EQ(Frame()->size(), maximised);

    Frame()->showNormal();
    Frame()->resize(900, 700);
    QCoreApplication::processEvents();
    View()->repaint();
    QCoreApplication::processEvents();
    EXPECT_LT(Frame()->height(), 700);
    EXPECT_GE(Frame()->width(), ToolBar()->sizeHint().width());
    EXPECT_LT(Frame()->width(), 900);
    EXPECT_TRUE(ToolBar()->m_wndShotNumber->isVisible());
    EXPECT_TRUE(ToolBar()->m_wndShotStatus->isVisible());
}

TEST_F(AppTest, ToolbarDocksAnywhereAndTheBoxesTravelWithIt)
{
    StartOnShots();
    EXPECT_EQ(ToolBar()->allowedAreas(), Qt::AllToolBarAreas);
    EXPECT_TRUE(ToolBar()->isMovable());
    EXPECT_TRUE(ToolBar()->isFloatable());
    EXPECT_EQ(Frame()->toolBarArea(ToolBar()), Qt::TopToolBarArea);

    Frame()->addToolBar(Qt::LeftToolBarArea, ToolBar());
    QCoreApplication::processEvents();
    EXPECT_EQ(Frame()->toolBarArea(ToolBar()), Qt::LeftToolBarArea);
    EXPECT_TRUE(ToolBar()->isAncestorOf(ToolBar()->m_wndShotNumber));
    EXPECT_TRUE(ToolBar()->isAncestorOf(ToolBar()->m_wndShotStatus));
    EXPECT_TRUE(ToolBar()->m_wndShotNumber->isVisible());
    // Still the boxes the document writes.
    Frame()->Router().Execute(ID_SHOT_LAST);
    EXPECT_EQ(ToolBar()->m_wndShotNumber->text(), QStringLiteral("0012"));
}

TEST_F(AppTest, BoxesUseTheBoxFont)
{
    Start();
    for (QLineEdit* box : {static_cast<QLineEdit*>(ToolBar()->m_wndShotNumber),
                           static_cast<QLineEdit*>(ToolBar()->m_wndShotStatus)}) {
        const QFontInfo info(box->font());
        EXPECT_EQ(info.pixelSize(), 14);
        EXPECT_FALSE(info.italic());
        EXPECT_EQ(info.weight(), int(QFont::Normal));
        EXPECT_EQ(box->font().families().value(0), QStringLiteral("Times New Roman"));
    }
    const QString family = QFontInfo(ToolBar()->m_wndShotNumber->font()).family();
    if (family != QLatin1String("Times New Roman") && family != QLatin1String("Liberation Serif")) {
        GTEST_SKIP() << "neither Times New Roman nor Liberation Serif is installed (Debian fonts-liberation); got "
                     << family.toStdString();
    }
}

TEST_F(AppTest, CommandsRouteThroughViewDocumentFrameAndApplication)
{
    StartOnShots();
    const std::vector<CommandTarget*>& route = Frame()->Router().Route();
    ASSERT_EQ(route.size(), 4u);
    EXPECT_EQ(route[0], View());
    EXPECT_EQ(route[1], Doc());
    EXPECT_EQ(route[2], Frame());
    EXPECT_EQ(route[3], m_app.get());

    // Buttons reach their handlers at each stage of the route.
    EXPECT_EQ(Doc()->m_nShotPos, 1);
    Action(ID_SHOT_NEXT)->trigger();  // view
    EXPECT_EQ(Doc()->m_nShotPos, 2);
    Action(ID_CONTEXT_HELP)->trigger();  // frame, then the application's help
    EXPECT_EQ(m_helpOpened.size(), 1);
    Action(ID_APP_ABOUT)->trigger();  // application
    EXPECT_EQ(m_aboutTitles, QStringList{QStringLiteral("About KESTREL")});
    {
        shots_test::ScopedFileDialog dialog("");  // document: the dialog is asked
        Action(ID_FILE_OPEN)->trigger();
        EXPECT_EQ(dialog.m_calls, 1);
        EXPECT_EQ(dialog.m_request.filter, "GIF Files (*.gif) | *.gif||");
    }
}

TEST_F(AppTest, EveryHelpCommandOpensTheHelpFile)
{
    Start();
    const std::string expected = m_app->HelpPath();
    ASSERT_FALSE(expected.empty());
    for (UINT id : {ID_HELP_FINDER, ID_HELP, ID_CONTEXT_HELP, ID_DEFAULT_HELP}) {
        EXPECT_TRUE(Frame()->Router().Execute(id)) << id;
    }
    ASSERT_EQ(m_helpOpened.size(), 4);
    for (const QString& path : m_helpOpened) EXPECT_EQ(path.toStdString(), expected);
    EXPECT_TRUE(QString::fromStdString(expected).endsWith(QLatin1String("/Kestrel.CHM")));
    EXPECT_TRUE(m_messages.isEmpty());
}

TEST_F(AppTest, HelpThatCannotOpenSaysWhereTheManualIs)
{
    Start();
    m_helpOpens = false;
    m_app->SetManualPath("/usr/share/doc/kestrel/manual.html");
    EXPECT_TRUE(Frame()->Router().Execute(ID_HELP));
    EXPECT_EQ(m_messages, QStringList{QStringLiteral(
                              "Kestrel Help|The help could not be opened.\nThe manual is at "
                              "/usr/share/doc/kestrel/manual.html")});
}

}  // namespace
}  // namespace app_test

// What a desktop user expects beyond the toolbar: the wheel, Page keys and
// quitting, typing a number straight away, the right-click menu, Open Folder,
// the recent files, and the short state messages. Real key, wheel and menu
// events throughout.
#include <QContextMenuEvent>
#include <QMenu>
#include <QScrollBar>
#include <QWheelEvent>

#include "app/command_menu.h"
#include "app/framework/file_open_dialog.h"
#include "tests/qt/app_fixture.h"

namespace app_test {
namespace {

class DesktopTest : public AppTest {
protected:
    void TearDown() override
    {
        SetMenuRunner(std::move(m_previousRunner));
        AppTest::TearDown();
    }

    QString Number() const { return ToolBar()->m_wndShotNumber->text(); }

    void Wheel(int angle)
    {
        QWidget* viewport = View()->viewport();
        const QPointF at(viewport->width() / 2.0, viewport->height() / 2.0);
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
        Frame()->UpdateCommandUI();
    }

    // The entries of the view's right-click menu, "name\tkey" with whether
    // each is enabled; picks the entry named pick, if any.
    QList<std::pair<QString, bool>> RightClick(const QString& pick = {})
    {
        QList<std::pair<QString, bool>> entries;
        m_previousRunner = SetMenuRunner([&](QMenu& menu, QPoint) {
            QAction* chosen = nullptr;
            for (QAction* action : menu.actions()) {
                entries.push_back({action->text(), action->isEnabled()});
                if (action->text().section(u'\t', 0, 0) == pick) chosen = action;
            }
            if (chosen) chosen->trigger();
        });
        QWidget* viewport = View()->viewport();
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), viewport->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(viewport, &event);
        Frame()->UpdateCommandUI();
        return entries;
    }

    MenuRunner m_previousRunner;
};

// Shots 0007, 0003, 0012 in list order; fit is on, so nothing scrolls.
TEST_F(DesktopTest, TheWheelAndPageKeysStepWhereNothingScrolls)
{
    StartOnShots();
    View()->repaint();  // fitted: the scroll bars have nothing to do
    QCoreApplication::processEvents();
    ASSERT_EQ(View()->verticalScrollBar()->maximum(), 0);
    Wheel(-120);
    EXPECT_EQ(Number(), QStringLiteral("0003"));
    Wheel(-240);  // two notches, one shot left to go to
    EXPECT_EQ(Number(), QStringLiteral("0012"));
    Wheel(120);
    EXPECT_EQ(Number(), QStringLiteral("0003"));
    Press(Qt::Key_PageDown);
    EXPECT_EQ(Number(), QStringLiteral("0012"));
    Press(Qt::Key_PageUp);
    Press(Qt::Key_PageUp);
    EXPECT_EQ(Number(), QStringLiteral("0007"));
}

TEST_F(DesktopTest, CtrlQAndQQuit)
{
    for (const auto modifiers : {Qt::KeyboardModifiers(Qt::ControlModifier), Qt::KeyboardModifiers()}) {
        StartOnShots();
        ASSERT_TRUE(Frame()->isVisible());
        Press(Qt::Key_Q, modifiers);
        EXPECT_FALSE(Frame()->isVisible());
        m_app.reset();
    }
}

TEST_F(DesktopTest, ADigitTypedInTheViewStartsANumberInTheBox)
{
    StartOnShots();
    ASSERT_TRUE(View()->hasFocus());
    Press(Qt::Key_1);
    EXPECT_TRUE(ToolBar()->m_wndShotNumber->hasFocus());
    EXPECT_EQ(Number(), QStringLiteral("1"));
    Press(Qt::Key_2);
    Press(Qt::Key_Return);
    EXPECT_EQ(Doc()->DisplayedIndex(), 2);
    // While playing the box cannot be edited: the digit goes nowhere.
    Frame()->Router().Execute(ID_SHOT_PLAY);
    View()->setFocus();
    Press(Qt::Key_3);
    EXPECT_FALSE(ToolBar()->m_wndShotNumber->hasFocus());
    EXPECT_EQ(Number(), QStringLiteral("0012"));
}

TEST_F(DesktopTest, TheRightClickMenuListsEveryCommandAsItMayRunNow)
{
    StartOnShots();
    const auto entries = RightClick();
    const auto find = [&](const QString& name) {
        for (const auto& entry : entries) {
            if (entry.first.section(u'\t', 0, 0) == name) return entry;
        }
        return std::pair<QString, bool>{};
    };
    EXPECT_EQ(find(QStringLiteral("Next Record")), std::pair(QStringLiteral("Next Record\tRight"), true));
    EXPECT_EQ(find(QStringLiteral("Previous Record")), std::pair(QStringLiteral("Previous Record\tLeft"), false));
    EXPECT_EQ(find(QStringLiteral("Quit")).first, QStringLiteral("Quit\tCtrl+Q"));
    EXPECT_TRUE(find(QStringLiteral("Open Folder\u2026")).second);
    EXPECT_TRUE(find(QStringLiteral("Pause")).first.isEmpty());  // nothing handles it
    int help = 0;
    for (const auto& entry : entries) help += entry.first.startsWith(QStringLiteral("Help"));
    EXPECT_EQ(help, 2);  // Help, Help Topics
    RightClick(QStringLiteral("Last Record"));
    EXPECT_EQ(Number(), QStringLiteral("0012"));
}

TEST_F(DesktopTest, OpenStartsInTheShotDirectoryAndOpenFolderOpensOne)
{
    StartOnShots();
    shots_test::ShotDir other;
    other.AddFile("Z0042.gif", 1'600'000'000, 0, shots_test::SolidGif(4, 4, kRed));
    std::string openStart;
    FileOpenDialog previousFile = SetFileOpenDialog([&](const FileOpenRequest& request, FileOpenChoice&) {
        openStart = request.initialDirectory;
        return false;
    });
    std::string folderStart;
    FolderOpenDialog previousFolder = SetFolderOpenDialog([&](const std::string& start, std::string& chosen) {
        folderStart = start;
        chosen = other.Dir();
        return true;
    });
    Press(Qt::Key_O, Qt::ControlModifier);
    EXPECT_EQ(openStart, Doc()->m_strDirectory);
    const std::string before = Doc()->m_strDirectory;
    Press(Qt::Key_O, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(folderStart, before);
    EXPECT_EQ(Doc()->ShotCount(), 1u);
    EXPECT_EQ(Number(), QStringLiteral("0042"));
    SetFileOpenDialog(std::move(previousFile));
    SetFolderOpenDialog(std::move(previousFolder));
}

TEST_F(DesktopTest, TheOpenButtonDropsDownTheRecentFiles)
{
    StartOnShots();
    shots_test::ShotDir other;
    other.AddFile("Z0042.gif", 1'600'000'000, 0, shots_test::SolidGif(4, 4, kRed));
    ASSERT_TRUE(m_app->OpenShots(QString::fromStdString(other.Path("Z0042.gif"))));
    QMenu* menu = Frame()->RecentFilesMenu();
    ASSERT_NE(menu, nullptr);
    emit menu->aboutToShow();
    const QList<QAction*> actions = menu->actions();
    ASSERT_GE(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("&1 ") + QString::fromStdString(other.Path("Z0042.gif")));
    EXPECT_TRUE(actions[1]->text().endsWith(QString::fromStdString(m_shots.Dir()).chopped(1)));
    actions[1]->trigger();
    EXPECT_EQ(Doc()->ShotCount(), 3u);
}

// Each key that changes a state nothing else shows says so for a moment.
TEST_F(DesktopTest, KeysThatChangeAHiddenStateSaySoForAMoment)
{
    StartOnShots();
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        const char* message;
    };
    const Case cases[] = {
        {Qt::Key_R, {}, "Playing backwards"},
        {Qt::Key_L, {}, "Loop: ping-pong"},
        {Qt::Key_BracketLeft, {}, "In point: shot 7"},
        {Qt::Key_Backslash, {}, "In and out points cleared"},
        {Qt::Key_F, {}, "Follow newest: on"},
        {Qt::Key_D, {}, "Drop late shots: on"},
        {Qt::Key_A, {}, "Fit: aspect-true"},
        {Qt::Key_0, Qt::ControlModifier, "Zoom: 100 %"},
        {Qt::Key_Plus, Qt::ControlModifier, "Zoom: 200 %"},
    };
    for (const Case& c : cases) {
        Press(c.key, c.modifiers);
        EXPECT_EQ(View()->StateMessageNow(), c.message);
    }
    View()->DispatchTimer(CKestrel::STATE_MESSAGE_TIMER_ID);
    EXPECT_EQ(View()->StateMessageNow(), "");
    // Stepping shows its state in the boxes already.
    Press(Qt::Key_Right);
    EXPECT_EQ(View()->StateMessageNow(), "");
}

}  // namespace
}  // namespace app_test

// The view's keys in the running program, and a GIF file or folder dropped
// on the main window, which opens as Open opens it.
#include <QDir>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "app/commands/command_ids.h"
#include "tests/qt/app_fixture.h"

namespace {

using app_test::AppTest;

bool Drop(QWidget* window, const QString& path)
{
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(path)});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &drop);
    return drop.isAccepted();
}

TEST_F(AppTest, ADroppedFolderOpensItsShotsAndOtherFilesAreRefused)
{
    Start();
    const std::string other = m_shots.AddFile("notes.txt", 1'500'000'000, 0, "text");
    EXPECT_FALSE(Drop(Frame(), QString::fromStdString(other)));
    EXPECT_EQ(Doc()->m_nShotCount, 0);

    ASSERT_TRUE(Drop(Frame(), QString::fromStdString(m_shots.Dir())));
    EXPECT_EQ(Doc()->m_nShotCount, 3);
    EXPECT_EQ(Doc()->m_nShotPos, 1);
    EXPECT_EQ(ToolBar()->m_wndShotNumber->text(), QStringLiteral("0007"));
    ASSERT_FALSE(m_app->RecentFiles().Files().isEmpty());
    EXPECT_EQ(m_app->RecentFiles().Files().front(), QDir::cleanPath(QString::fromStdString(m_shots.Dir())));
}

TEST_F(AppTest, ZoomFitOverlayAndFullScreenKeysReachTheirCommands)
{
    StartOnShots();
    ASSERT_EQ(Doc()->m_bFitToScreen, 1);
    Press(Qt::Key_0, Qt::ControlModifier);
    EXPECT_EQ(Doc()->m_bFitToScreen, 0);
    Press(Qt::Key_Plus, Qt::ControlModifier);
    EXPECT_EQ(View()->m_geometry.Zoom(), 2);
    Press(Qt::Key_Minus, Qt::ControlModifier);
    EXPECT_EQ(View()->m_geometry.Zoom(), 1);
    Press(Qt::Key_I);
    EXPECT_TRUE(View()->m_bOverlay);
    Press(Qt::Key_A);
    EXPECT_EQ(View()->m_geometry.Fit(), FitMode::Aspect);
    EXPECT_EQ(Doc()->m_bFitToScreen, 1);

    EXPECT_FALSE(Action(ID_VIEW_LEAVE_FULL_SCREEN)->isEnabled());
    Press(Qt::Key_F11);
    EXPECT_TRUE(Frame()->isFullScreen());
    EXPECT_TRUE(ToolBar()->isVisible());
    Press(Qt::Key_Escape);
    EXPECT_FALSE(Frame()->isFullScreen());
}

}  // namespace

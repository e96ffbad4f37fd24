// The framework services under the shot sequence: command routing and
// availability, edit-box notifications, window timers, scroll sizes and
// fitting the frame to the view.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QScreen>
#include <QScrollBar>
#include <QToolBar>
#include <QtTest/QTest>
#include <string>
#include <vector>

#include "app/framework/document.h"
#include "app/framework/edit_box.h"
#include "app/framework/file_open_dialog.h"
#include "app/framework/file_open_dialog_widget.h"
#include "app/framework/frame_window.h"
#include "app/framework/main_window.h"
#include "app/framework/scroll_view.h"
#include "image/device_context.h"

namespace {

constexpr UINT kCommand = 40001;
constexpr UINT kBox = 77;

// Every kind of target records what reached it in one shared log.
using Log = std::vector<std::string>;

template <typename Base>
class Recording : public Base {
public:
    template <typename... Args>
    explicit Recording(std::string name, Log& log, Args&&... args)
        : Base(std::forward<Args>(args)...), m_name(std::move(name)), m_log(log)
    {
    }

    void Handle(UINT id) { this->OnCommand(id, [this] { m_log.push_back(m_name); }); }
    void Disable(UINT id) { this->OnUpdateCommand(id, [](CCmdUI& ui) { ui.Enable(false); }); }
    void LeaveAlone(UINT id) { this->OnUpdateCommand(id, [](CCmdUI&) {}); }
    void Listen(UINT code)
    {
        this->OnNotify(kBox, code, [this, code] { m_log.push_back(m_name + (code == EN_SETFOCUS ? " set" : " kill")); });
    }

private:
    std::string m_name;
    Log& m_log;
};

class PlainView : public ScrollView {
public:
    using ScrollView::ScrollView;
    // Blue everywhere, and a red square at document position (100, 50).
    void OnDraw(HDC dc) override
    {
        dc->FillSolid(dc->GetClipBox(), RGB(0, 0, 255));
        dc->FillSolid({100, 50, 110, 60}, RGB(255, 0, 0));
    }
    void OnTimer(UINT id) override { m_ticks.push_back(id); }
    std::vector<UINT> m_ticks;
};

// A frame with a view, its document and an application target, all
// recording into one log.
struct Route {
    Route()
        : document("document", log),
          application("application", log)
    {
        frame = new Recording<FrameWindow>("frame", log);
        view = new Recording<PlainView>("view", log, &document);
        frame->SetView(view);
        frame->SetApplicationTarget(&application);
        frame->resize(400, 300);
        frame->show();
        [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(frame);
    }
    ~Route() { delete frame; }

    Log log;
    Recording<CDocument> document;
    Recording<CommandTarget> application;
    Recording<FrameWindow>* frame;
    Recording<PlainView>* view;
};

TEST(CommandRouting, TheFirstOfViewDocumentFrameApplicationRuns)
{
    Route route;
    route.application.Handle(kCommand);
    EXPECT_TRUE(route.frame->Router().Execute(kCommand));
    route.frame->Handle(kCommand);
    EXPECT_TRUE(route.frame->Router().Execute(kCommand));
    route.document.Handle(kCommand);
    EXPECT_TRUE(route.frame->Router().Execute(kCommand));
    route.view->Handle(kCommand);
    EXPECT_TRUE(route.frame->Router().Execute(kCommand));
    EXPECT_EQ(route.log, (Log{"application", "frame", "document", "view"}));
    EXPECT_FALSE(route.frame->Router().Execute(kCommand + 1));  // nobody handles it
}

TEST(CommandRouting, UpdateHandlersOnlyDisableAndTheFirstOneAnswers)
{
    Route route;
    route.application.Handle(kCommand);
    EXPECT_TRUE(route.frame->Router().IsEnabled(kCommand));
    EXPECT_FALSE(route.frame->Router().IsEnabled(kCommand + 1));  // no handler: shown disabled

    // The document disables; a later target's handler is not asked.
    route.document.Disable(kCommand);
    route.application.LeaveAlone(kCommand);
    EXPECT_FALSE(route.frame->Router().IsEnabled(kCommand));
    EXPECT_FALSE(route.frame->Router().Execute(kCommand));
    EXPECT_TRUE(route.log.empty());

    // The view answers first and leaves the default: enabled, and it runs.
    route.view->LeaveAlone(kCommand);
    EXPECT_TRUE(route.frame->Router().IsEnabled(kCommand));
    EXPECT_TRUE(route.frame->Router().Execute(kCommand));
    EXPECT_EQ(route.log, (Log{"application"}));
}

TEST(CommandRouting, ButtonsAndKeysGoThroughTheRoute)
{
    Route route;
    route.document.Handle(kCommand);
    QAction* action = route.frame->Actions().Add(kCommand, "Do It\nDo it now", {QKeySequence(Qt::CTRL | Qt::Key_J)});
    EXPECT_EQ(action->text().toStdString(), "Do It");
    EXPECT_EQ(action->toolTip().toStdString(), "Do it now");
    EXPECT_EQ(route.frame->Actions().Add(kCommand), action);

    route.frame->UpdateCommandUI();
    EXPECT_TRUE(action->isEnabled());
    QTest::keyClick(route.frame, Qt::Key_J, Qt::ControlModifier);
    action->trigger();
    EXPECT_EQ(route.log, (Log{"document", "document"}));

    // Disabled: the refresh after the next routed command greys the button,
    // and a trigger that comes before any refresh is refused all the same.
    route.view->Disable(kCommand);
    action->trigger();
    EXPECT_EQ(route.log.size(), 2u);
    EXPECT_FALSE(action->isEnabled());
}

TEST(CommandRouting, ARefusedCheckBoxClickIsUndone)
{
    Route route;
    route.frame->Handle(kCommand);
    QAction* toggle = route.frame->Actions().Add(kCommand);
    toggle->setCheckable(true);
    toggle->trigger();
    EXPECT_TRUE(toggle->isChecked());
    route.view->Disable(kCommand);
    toggle->trigger();
    EXPECT_TRUE(toggle->isChecked());
    EXPECT_EQ(route.log, (Log{"frame"}));
}

TEST(EditBoxes, FocusNotificationsTakeTheCommandRoute)
{
    Route route;
    auto* toolbar = route.frame->addToolBar(QStringLiteral("boxes"));
    auto* box = new EditBox(kBox);
    toolbar->addWidget(box);
    route.frame->AddEditBox(box);
    EXPECT_EQ(FindEditBox(route.frame, kBox), box);
    EXPECT_EQ(FindEditBox(route.frame, kBox + 1), nullptr);

    route.application.Listen(EN_KILLFOCUS);
    route.document.Listen(EN_SETFOCUS);
    route.view->Listen(EN_KILLFOCUS);
    route.frame->Router().Notify(kBox, EN_SETFOCUS);
    route.frame->Router().Notify(kBox, EN_KILLFOCUS);
    EXPECT_EQ(route.log, (Log{"document set", "view kill"}));

    route.frame->activateWindow();
    box->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    if (!box->hasFocus()) GTEST_SKIP() << "the platform gives no keyboard focus to the test window";
    route.frame->setFocus(Qt::OtherFocusReason);
    EXPECT_EQ(route.log, (Log{"document set", "view kill", "document set", "view kill"}));
}

TEST(EditBoxes, NumberOnlyBoxTakesDigitsAndEnterGivesTheFocusAway)
{
    QWidget window;
    auto* box = new EditBox(kBox, &window);
    auto* other = new EditBox(kBox + 1, &window);
    other->move(0, 40);
    std::vector<UINT> codes;
    box->SetNotifyHandler([&codes](UINT controlId, UINT code) {
        if (controlId == kBox) codes.push_back(code);
    });
    box->SetNumberOnly(true);
    box->SetEnterMovesFocusToMainWindow(true);
    QWidget* previousMain = GetMainWindow();
    SetMainWindow(other);
    window.show();
    window.activateWindow();
    [[maybe_unused]] const bool exposed = QTest::qWaitForWindowExposed(&window);

    box->SetWindowText("0042");
    EXPECT_EQ(box->GetWindowText(), "0042");
    box->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    if (!box->hasFocus()) {
        SetMainWindow(previousMain);
        GTEST_SKIP() << "the platform gives no keyboard focus to the test window";
    }
    box->clear();
    QTest::keyClicks(box, "1a-2 .3");
    EXPECT_EQ(box->GetWindowText(), "123");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_TRUE(other->hasFocus());
    EXPECT_EQ(codes, (std::vector<UINT>{EN_SETFOCUS, EN_KILLFOCUS}));
    SetMainWindow(previousMain);
}

TEST(WindowTimersById, ReplaceKillAndTickWithTheirIds)
{
    Route route;
    route.view->SetTimer(1, 1000);
    route.view->SetTimer(1, 3);  // replaces the first
    route.view->SetTimer(2, 60000);
    EXPECT_EQ(route.view->Timers().Interval(1), 3);
    EXPECT_EQ(route.view->Timers().Interval(2), 60000);
    QTRY_VERIFY_WITH_TIMEOUT(route.view->m_ticks.size() >= 2, 5000);
    for (UINT id : route.view->m_ticks) EXPECT_EQ(id, 1u);
    route.view->KillTimer(1);
    EXPECT_FALSE(route.view->Timers().IsRunning(1));
    EXPECT_EQ(route.view->Timers().Interval(1), -1);
    route.view->OnDestroy();
    EXPECT_FALSE(route.view->Timers().IsRunning(2));
}

TEST(Documents, UpdateAllViewsRepaintsEveryViewButTheSender)
{
    struct Counting : DocumentView {
        void OnUpdate(DocumentView*, long, void*) override { ++updates; }
        int updates = 0;
    };
    CDocument document;
    Counting a;
    Counting b;
    document.AddView(&a);
    document.AddView(&b);
    document.AddView(&a);
    document.UpdateAllViews(&b);
    document.UpdateAllViews(nullptr);
    EXPECT_EQ(a.updates, 2);
    EXPECT_EQ(b.updates, 1);
    document.RemoveView(&a);
    document.UpdateAllViews(nullptr);
    EXPECT_EQ(a.updates, 2);
}

TEST(ScrollViews, BarsShowOnlyWhereTheTotalExceedsTheClientArea)
{
    Route route;
    const QSize client = route.view->GetClientRect().size();
    route.view->SetScrollSizes(QSize(client.width() + 250, client.height() / 2));
    EXPECT_GT(route.view->horizontalScrollBar()->maximum(), 0);
    EXPECT_EQ(route.view->verticalScrollBar()->maximum(), 0);
    EXPECT_EQ(route.view->horizontalScrollBar()->pageStep(), (client.width() + 250) / 10);
    EXPECT_EQ(route.view->horizontalScrollBar()->singleStep(), (client.width() + 250) / 100);
    route.view->SetScrollSizes(QSize(-5, 10));
    EXPECT_EQ(route.view->GetTotalSize(), QSize(0, 10));
}

TEST(ScrollViews, ResizeParentToFitShrinksOnlyOrGrowsToTheScreen)
{
    Route route;
    ASSERT_EQ(route.frame->size(), QSize(400, 300));
    const QSize client = route.view->maximumViewportSize();

    // Shrink-only: smaller in width, never taller.
    route.view->SetScrollSizes(QSize(client.width() - 100, client.height() + 500));
    route.view->ResizeParentToFit(true);
    EXPECT_EQ(route.frame->size(), QSize(300, 300));

    // Without the limit: exactly the total where the screen has room...
    route.view->SetScrollSizes(QSize(client.width() + 20, client.height() + 10));
    route.view->ResizeParentToFit(false);
    EXPECT_EQ(route.frame->size(), QSize(420, 310));

    // ...and no larger than the screen.
    route.view->SetScrollSizes(QSize(32768, 32768));
    route.view->ResizeParentToFit(false);
    const QSize screen = route.frame->screen()->availableGeometry().size();
    EXPECT_LE(route.frame->width(), screen.width());
    EXPECT_LE(route.frame->height(), screen.height());
    EXPECT_GT(route.frame->width(), 420);
}

TEST(ScrollViews, ResizeParentToFitLeavesAMaximisedOrFullScreenFrameAlone)
{
    Route route;
    route.frame->showMaximized();
    const QSize maximised = route.frame->size();
    route.view->ResizeParentToFit(true);
    route.view->ResizeParentToFit(false);
    EXPECT_EQ(route.frame->size(), maximised);
    EXPECT_TRUE(route.frame->windowState() & Qt::WindowMaximized);

    route.frame->showFullScreen();
    const QSize fullScreen = route.frame->size();
    route.view->SetScrollSizes(QSize(20, 20));
    route.view->ResizeParentToFit(true);
    EXPECT_EQ(route.frame->size(), fullScreen);
}

TEST(ScrollViews, PaintsThroughTheDeviceContextInScrolledCoordinates)
{
    Route route;
    QImage painted = route.view->viewport()->grab().toImage();
    ASSERT_FALSE(painted.isNull());
    EXPECT_EQ(painted.pixel(0, 0), qRgb(0, 0, 255));
    EXPECT_EQ(painted.pixel(100, 50), qRgb(255, 0, 0));
    EXPECT_EQ(painted.pixel(109, 59), qRgb(255, 0, 0));
    EXPECT_EQ(painted.pixel(110, 60), qRgb(0, 0, 255));

    route.view->SetScrollSizes(QSize(2000, 2000));
    route.view->horizontalScrollBar()->setValue(100);
    route.view->verticalScrollBar()->setValue(50);
    painted = route.view->viewport()->grab().toImage();
    EXPECT_EQ(route.view->GetScrollPosition(), QPoint(100, 50));
    EXPECT_EQ(painted.pixel(0, 0), qRgb(255, 0, 0));
    EXPECT_EQ(painted.pixel(9, 9), qRgb(255, 0, 0));
    EXPECT_EQ(painted.pixel(10, 10), qRgb(0, 0, 255));
}

TEST(FileDialogs, FilterBecomesQtNameFiltersAndNoDialogMeansCancel)
{
    EXPECT_EQ(ToQtNameFilters("GIF Files (*.gif) | *.gif||").toStdString(), "GIF Files (*.gif)");
    EXPECT_EQ(ToQtNameFilters("Pictures|*.gif;*.bmp|All|*.*||").toStdString(), "Pictures (*.gif *.bmp);;All (*.*)");

    FileOpenDialog previous = SetFileOpenDialog(nullptr);
    FileOpenChoice choice;
    EXPECT_FALSE(RunFileOpenDialog(FileOpenRequest{}, choice));
    SetFileOpenDialog(std::move(previous));
}

}  // namespace

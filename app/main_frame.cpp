#include "app/main_frame.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QDockWidget>
#include <QDropEvent>
#include <QSignalBlocker>

#include "app/accelerators.h"
#include "app/box_font.h"
#include "app/commands/command_ids.h"
#include "app/commands/command_table.h"
#include "app/drop_open.h"
#include "app/framework/scroll_view.h"
#include "app/splash_wnd.h"
#include "shots/shot_list_document.h"

CMainFrame::CMainFrame(QWidget* parent) : FrameWindow(parent)
{
    setObjectName(QStringLiteral("CMainFrame"));
    // Message map: every help command ends in the application's help.
    OnCommand(ID_HELP_FINDER, [this] { OnHelp(); });
    OnCommand(ID_HELP, [this] { OnHelp(); });
    OnCommand(ID_CONTEXT_HELP, [this] { OnHelp(); });
    OnCommand(ID_DEFAULT_HELP, [this] { OnHelp(); });
    OnCommand(ID_VIEW_FULL_SCREEN, [this] { OnFullScreen(); });
    OnCommand(ID_VIEW_LEAVE_FULL_SCREEN, [this] { OnFullScreen(); });
    OnUpdateCommand(ID_VIEW_LEAVE_FULL_SCREEN, [this](CCmdUI& ui) {
        if (!isFullScreen()) ui.Enable(false);  // Escape belongs to others then
    });
    OnCommand(ID_VIEW_TIMELINE, [this] { OnTimeline(); });
    OnUpdateCommand(ID_VIEW_TIMELINE, [this](CCmdUI& ui) {
        if (!m_pTimeline) ui.Enable(false);
    });
    setAcceptDrops(true);
}

CMainFrame::~CMainFrame() = default;

bool CMainFrame::OnCreate()
{
    auto* toolBar = new CShotToolBar(this);
    if (!toolBar->LoadToolBar(Actions())) {
        delete toolBar;
        return false;
    }
    m_wndToolBar = toolBar;
    m_pBoxFont = MakeBoxFont();

    toolBar->SetBoxSlot(CShotToolBar::SHOT_NUMBER_ITEM, IDC_SHOT_NUMBER, CShotToolBar::SHOT_NUMBER_WIDTH,
                        toolBar->m_wndShotNumber, CShotToolBar::SHOT_NUMBER_TOP_OFFSET);
    toolBar->SetBoxSlot(CShotToolBar::STATUS_ITEM, IDC_SHOT_STATUS, CShotToolBar::STATUS_WIDTH,
                        toolBar->m_wndShotStatus, CShotToolBar::STATUS_TOP_OFFSET);
    toolBar->SetButtonCheckBox(CShotToolBar::FIT_ITEM);
    toolBar->m_wndShotNumber->setFont(*m_pBoxFont);
    toolBar->m_wndShotStatus->setFont(*m_pBoxFont);
    AddEditBox(toolBar->m_wndShotNumber);
    AddEditBox(toolBar->m_wndShotStatus);

    // The command table's keys join the commands' actions.
    for (const CommandRow& row : CommandTable()) {
        const QList<QKeySequence> keys = CommandKeys(row);
        if (keys.isEmpty()) continue;
        QAction* action = Actions().Add(row.id, row.promptAndTip);
        action->setShortcuts(action->shortcuts() + keys);
    }
    auto* space = new QAction(QStringLiteral("Play or Stop"), this);
    space->setObjectName(QStringLiteral("playOrStop"));
    space->setShortcut(QKeySequence(Qt::Key_Space));
    space->setShortcutContext(Qt::WindowShortcut);
    addAction(space);
    connect(space, &QAction::triggered, this, [this] { OnPlayOrStop(); });

    // Runs after the command itself, which is connected first.
    if (QAction* fit = Actions().Action(ID_FIT_TO_SCREEN)) {
        connect(fit, &QAction::triggered, this, [this] { SyncFitButton(); });
    }
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { SyncFitButton(); });
    }

    toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    toolBar->setMovable(true);
    toolBar->setFloatable(true);
    addToolBar(Qt::TopToolBarArea, toolBar);

    CSplashWnd::ShowSplash(this);
    return true;
}

void CMainFrame::OnPlayOrStop()
{
    if (Router().IsEnabled(ID_SHOT_PLAY)) {
        Router().Execute(ID_SHOT_PLAY);
    } else {
        Router().Execute(ID_SHOT_STOP);
    }
}

void CMainFrame::SyncFitButton()
{
    QAction* fit = Actions().Action(ID_FIT_TO_SCREEN);
    const CKESTRELDoc* document = ShotDocument();
    if (!fit || !document) return;
    const bool on = document->m_bFitToScreen != 0;
    if (fit->isChecked() != on) {
        const QSignalBlocker blocker(fit);
        fit->setChecked(on);
    }
}

void CMainFrame::AddTimeline(QWidget* strip, bool shown)
{
    m_pTimeline = new QDockWidget(QStringLiteral("Timeline"), this);
    m_pTimeline->setObjectName(QStringLiteral("timeline"));
    m_pTimeline->setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);
    m_pTimeline->setWidget(strip);
    addDockWidget(Qt::BottomDockWidgetArea, m_pTimeline);
    m_pTimeline->setVisible(shown);
}

int CMainFrame::ToolBarWidth() const
{
    // A toolbar docked at a side takes no width from the frame's top.
    if (!m_wndToolBar || m_wndToolBar->orientation() != Qt::Horizontal || m_wndToolBar->isFloating()) return 0;
    const QMargins margins = contentsMargins();
    return m_wndToolBar->sizeHint().width() + margins.left() + margins.right();
}

void CMainFrame::OnTimeline()
{
    if (m_pTimeline) m_pTimeline->setVisible(!m_pTimeline->isVisible());
}

void CMainFrame::OnFullScreen()
{
    // Maximized or not, the window goes back to what it was.
    setWindowState(windowState() ^ Qt::WindowFullScreen);
}

bool CMainFrame::AcceptsDrop(QDropEvent* event)
{
    const bool accepted = m_open && Router().IsEnabled(ID_FILE_OPEN) && !DroppedShotPath(event->mimeData()).isEmpty();
    if (accepted) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
    return accepted;
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) { AcceptsDrop(event); }

void CMainFrame::dragMoveEvent(QDragMoveEvent* event) { AcceptsDrop(event); }

void CMainFrame::dropEvent(QDropEvent* event)
{
    if (AcceptsDrop(event)) m_open(DroppedShotPath(event->mimeData()));
}

void CMainFrame::OnHelp()
{
    if (m_help) m_help();
}

CKESTRELDoc* CMainFrame::ShotDocument() const
{
    const ScrollView* view = GetActiveView();
    return view ? dynamic_cast<CKESTRELDoc*>(view->GetDocument()) : nullptr;
}

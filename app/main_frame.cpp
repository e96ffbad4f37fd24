#include "app/main_frame.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QDockWidget>
#include <QDropEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QToolButton>
#include <QSignalBlocker>

#include "app/accelerators.h"
#include "app/command_menu.h"
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
    // Connected after the commands themselves, so the state is the new one.
    for (const CommandRow& row : CommandTable()) {
        QAction* action = Actions().Action(row.id);
        if (!action) continue;
        connect(action, &QAction::triggered, this, [this, id = row.id] {
            if (m_afterCommand) m_afterCommand(id);
        });
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

    // The Open button drops down the recent files.
    if (auto* open = qobject_cast<QToolButton*>(toolBar->widgetForAction(Actions().Action(ID_FILE_OPEN)))) {
        m_pRecentMenu = new QMenu(open);
        connect(m_pRecentMenu, &QMenu::aboutToShow, this, [this] { FillRecentFilesMenu(); });
        open->setMenu(m_pRecentMenu);
        open->setPopupMode(QToolButton::MenuButtonPopup);
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

void CMainFrame::ShowCommandMenu(QPoint at)
{
    UpdateCommandUI();
    QMenu menu(this);
    FillCommandMenu(menu, Router(), [this](UINT id) {
        // Through the action where there is one, as its key would.
        if (QAction* action = Actions().Action(id)) {
            action->trigger();
        } else {
            Router().Execute(id);
        }
    });
    RunMenu(menu, at);
}

class CMainFrame::DigitForwarder : public QObject {
public:
    DigitForwarder(QObject* parent, CMainFrame& frame) : QObject(parent), m_frame(frame) {}

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (modifiers != Qt::NoModifier || key->text().size() != 1 || !key->text()[0].isDigit()) return false;
        CShotNumberEdit* box = m_frame.m_wndToolBar ? m_frame.m_wndToolBar->m_wndShotNumber : nullptr;
        // Typed in the box itself (and refused there), it stays refused.
        if (!box || !box->isVisible() || box->hasFocus()) return false;
        // As a click: the box refuses the focus while it cannot be edited.
        box->setFocus(Qt::MouseFocusReason);
        if (!box->hasFocus()) return true;
        box->selectAll();
        box->insert(key->text());
        return true;
    }

private:
    CMainFrame& m_frame;
};

void CMainFrame::SendDigitsToShotNumber(QWidget* view)
{
    // The frame too: after Enter in the box, the keyboard is the frame's.
    auto* forwarder = new DigitForwarder(this, *this);
    view->installEventFilter(forwarder);
    installEventFilter(forwarder);
}

void CMainFrame::FillRecentFilesMenu()
{
    m_pRecentMenu->clear();
    const QStringList files = m_recentFiles ? m_recentFiles() : QStringList();
    const bool canOpen = m_open && Router().IsEnabled(ID_FILE_OPEN);
    for (qsizetype i = 0; i < files.size(); ++i) {
        // "&1 /path": a digit picks it from the keyboard; a name's own & is doubled.
        QString shown = files[i];
        shown.replace(u'&', QStringLiteral("&&"));
        QAction* action = m_pRecentMenu->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown));
        action->setEnabled(canOpen);
        connect(action, &QAction::triggered, this, [this, path = files[i]] { m_open(path); });
    }
    if (files.isEmpty()) m_pRecentMenu->addAction(QStringLiteral("No recent files"))->setEnabled(false);
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

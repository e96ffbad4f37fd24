#include "app/framework/frame_window.h"

#include <QAbstractEventDispatcher>

#include "app/framework/edit_box.h"
#include "app/framework/main_window.h"
#include "app/framework/scroll_view.h"

FrameWindow::FrameWindow(QWidget* parent) : QMainWindow(parent), m_actions(m_router, this)
{
    if (!GetMainWindow()) SetMainWindow(this);
    m_router.SetAfterRoute([this] { UpdateCommandUI(); });
    if (QAbstractEventDispatcher* dispatcher = QAbstractEventDispatcher::instance()) {
        m_idleConnection =
            connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, [this] { UpdateCommandUI(); });
    }
    RebuildRoute();
}

FrameWindow::~FrameWindow()
{
    // The view's window goes first, while its document and frame still exist.
    if (m_view) m_view->OnDestroy();
    // The boxes die with the base window, after this frame's members: closing
    // the window takes their focus then, and nothing may route it any more.
    for (const QPointer<EditBox>& box : m_editBoxes) {
        if (box) box->SetNotifyHandler(nullptr);
    }
    disconnect(m_idleConnection);
    m_router.SetAfterRoute(nullptr);
    m_router.SetRoute({});
    if (GetMainWindow() == this) SetMainWindow(nullptr);
}

void FrameWindow::SetApplicationTarget(CommandTarget* application)
{
    m_application = application;
    RebuildRoute();
}

void FrameWindow::SetView(ScrollView* view)
{
    m_view = view;
    if (view) setCentralWidget(view);
    RebuildRoute();
}

void FrameWindow::AddEditBox(EditBox* box)
{
    if (!box) return;
    m_editBoxes.emplace_back(box);
    box->SetNotifyHandler([this](UINT controlId, UINT code) { m_router.Notify(controlId, code); });
}

bool FrameWindow::NewDocumentStep()
{
    CDocument* document = m_view ? m_view->GetDocument() : nullptr;
    if (document && !document->OnNewDocument()) return false;
    if (m_view) m_view->OnInitialUpdate();
    UpdateCommandUI();
    return true;
}

void FrameWindow::RebuildRoute()
{
    m_router.SetRoute({m_view, m_view ? m_view->GetDocument() : nullptr, this, m_application});
}

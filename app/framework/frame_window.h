// FrameWindow: a top-level window that hosts one view, its toolbar actions
// and its edit boxes, and owns the command route.
//
// Route, in order: the view, the view's document, this frame, the
// application target (SetApplicationTarget). Commands come from the actions
// (Actions().Add), notifications from the boxes registered with AddEditBox.
// The frame refreshes the actions' enabled states after every routed
// command and whenever the event loop is about to wait (its idle time).
//
// The first FrameWindow becomes the application's main window
// (GetMainWindow) unless one is registered already.
//
// A derived frame (the application's main frame) adds its own toolbar,
// boxes and handlers; this class keeps only what the framework must do.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <vector>

#include "app/framework/command_actions.h"
#include "app/framework/command_router.h"
#include "app/framework/command_target.h"

class EditBox;
class ScrollView;

class FrameWindow : public QMainWindow, public CommandTarget {
public:
    explicit FrameWindow(QWidget* parent = nullptr);
    ~FrameWindow() override;

    CommandRouter& Router() { return m_router; }
    CommandActions& Actions() { return m_actions; }

    void SetApplicationTarget(CommandTarget* application);
    // Makes view the central widget and the head of the route.
    void SetView(ScrollView* view);
    ScrollView* GetActiveView() const { return m_view; }

    // Sends the box's focus notifications along the route.
    void AddEditBox(EditBox* box);

    // The framework's new-document step: the document's OnNewDocument, then
    // the view's initial update. False when the document refuses.
    bool NewDocumentStep();

    // Runs the update handlers of every action now.
    void UpdateCommandUI() { m_actions.Refresh(); }

private:
    void RebuildRoute();

    CommandRouter m_router;
    CommandActions m_actions;
    ScrollView* m_view = nullptr;
    CommandTarget* m_application = nullptr;
    std::vector<QPointer<EditBox>> m_editBoxes;
    QMetaObject::Connection m_idleConnection;
};

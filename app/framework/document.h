// CDocument: the data side of the document/view pair. It knows its views
// only through DocumentView, so a document stays plain C++ with no widget
// code, and it takes part in command routing as a CommandTarget (it comes
// right after the active view).
#pragma once

#include <vector>

#include "app/framework/command_target.h"

// What a document sees of a view: the repaint request of UpdateAllViews.
class DocumentView {
public:
    virtual ~DocumentView() = default;
    // hint and hintObject are passed through unchanged; the views of this
    // application repaint whatever they say.
    virtual void OnUpdate(DocumentView* sender, long hint, void* hintObject) = 0;
};

class CDocument : public CommandTarget {
public:
    CDocument() = default;
    ~CDocument() override = default;

    // The framework's new-document step calls this; false refuses the new
    // document. The base does nothing and succeeds.
    virtual bool OnNewDocument() { return true; }

    void AddView(DocumentView* view);
    void RemoveView(DocumentView* view);
    const std::vector<DocumentView*>& Views() const { return m_views; }

    // Asks every view except sender to repaint itself.
    void UpdateAllViews(DocumentView* sender, long hint = 0, void* hintObject = nullptr);

private:
    std::vector<DocumentView*> m_views;
};

#include "app/framework/document.h"

#include <algorithm>

void CDocument::AddView(DocumentView* view)
{
    if (view && std::find(m_views.begin(), m_views.end(), view) == m_views.end()) {
        m_views.push_back(view);
    }
}

void CDocument::RemoveView(DocumentView* view)
{
    m_views.erase(std::remove(m_views.begin(), m_views.end(), view), m_views.end());
}

void CDocument::UpdateAllViews(DocumentView* sender, long hint, void* hintObject)
{
    const std::vector<DocumentView*> views = m_views;
    for (DocumentView* view : views) {
        if (view != sender) view->OnUpdate(sender, hint, hintObject);
    }
}

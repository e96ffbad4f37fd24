// CCmdUI: what an update handler sees of one command while the framework
// asks whether that command may run.
//
// Handlers only ever call Enable(false). The framework then decides as it
// always does: a state a handler set wins; when no handler set one, the
// command is available exactly when some target in the route handles it.
#pragma once

#include "app/framework/framework_ids.h"

class CCmdUI {
public:
    explicit CCmdUI(UINT id) : m_nID(id) {}

    void Enable(bool enable = true)
    {
        m_bEnabled = enable;
        m_bEnableChanged = true;
    }

    UINT m_nID;
    bool m_bEnabled = true;
    bool m_bEnableChanged = false;
};

#include "app/framework/command_actions.h"

#include <QAction>
#include <QSignalBlocker>
#include <QWidget>

CommandActions::CommandActions(CommandRouter& router, QWidget* window)
    : QObject(window), m_router(router), m_window(window)
{
}

QAction* CommandActions::Add(UINT id, const char* promptAndTip, const QList<QKeySequence>& keys)
{
    if (QAction* existing = Action(id)) return existing;
    auto* action = new QAction(m_window);
    if (promptAndTip) {
        const QString text = QString::fromUtf8(promptAndTip);  // "Export…" has an ellipsis
        const qsizetype newline = text.indexOf(u'\n');
        const QString prompt = newline < 0 ? text : text.left(newline);
        const QString tip = newline < 0 ? text : text.mid(newline + 1);
        action->setText(prompt);
        action->setStatusTip(prompt);
        action->setToolTip(tip);
    }
    action->setShortcuts(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    m_window->addAction(action);
    connect(action, &QAction::triggered, this, [this, id, action] { Triggered(id, action); });
    m_actions[id] = action;
    return action;
}

QAction* CommandActions::Action(UINT id) const
{
    const auto entry = m_actions.find(id);
    return entry == m_actions.end() ? nullptr : entry->second;
}

void CommandActions::Refresh()
{
    for (const auto& [id, action] : m_actions) {
        const bool enabled = m_router.IsEnabled(id);
        if (action->isEnabled() != enabled) action->setEnabled(enabled);
    }
}

void CommandActions::Triggered(UINT id, QAction* action)
{
    // Qt has already flipped a check-box button; a refused click puts it back.
    if (!m_router.Execute(id) && action->isCheckable()) {
        const QSignalBlocker blocker(action);
        action->setChecked(!action->isChecked());
    }
}

#include "app/command_menu.h"

#include <QMenu>
#include <QSet>
#include <utility>

#include "app/accelerators.h"
#include "app/commands/command_table.h"
#include "app/framework/command_router.h"

namespace {

MenuRunner& InstalledRunner()
{
    static MenuRunner runner;
    return runner;
}

// The tooltip half of "prompt\ntooltip": the short name a button shows.
QString ShortName(const char* promptAndTip)
{
    const QString text = QString::fromUtf8(promptAndTip);
    const qsizetype newline = text.indexOf(u'\n');
    return newline < 0 ? text : text.mid(newline + 1);
}

}  // namespace

void FillCommandMenu(QMenu& menu, const CommandRouter& router, const std::function<void(UINT)>& run)
{
    QSet<QString> named;
    for (const CommandRow& row : CommandTable()) {
        // Commands nothing handles (Pause, Fit Image) have a text only.
        if (!row.promptAndTip || !router.HasCommandHandler(row.id)) continue;
        QString name = ShortName(row.promptAndTip);
        // The four help commands are one to the user.
        if (named.contains(name)) continue;
        named.insert(name);
        const QList<QKeySequence> keys = CommandKeys(row);
        if (!keys.isEmpty()) name += u'\t' + keys.front().toString(QKeySequence::NativeText);
        QAction* action = menu.addAction(name);
        action->setEnabled(router.IsEnabled(row.id));
        QObject::connect(action, &QAction::triggered, &menu, [run, id = row.id] { run(id); });
    }
}

MenuRunner SetMenuRunner(MenuRunner runner) { return std::exchange(InstalledRunner(), std::move(runner)); }

void RunMenu(QMenu& menu, QPoint at)
{
    if (const MenuRunner runner = InstalledRunner()) {
        runner(menu, at);
    } else {
        menu.exec(at);
    }
}

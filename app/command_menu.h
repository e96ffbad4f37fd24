// The view's right-click menu: every command of the command table that has a
// text, once each, with its key, enabled as its update handlers say now.
// It is the one place a user can see every command, since the frame has no
// menu bar.
#pragma once

#include <QPoint>
#include <QString>
#include <functional>

#include "app/framework/framework_ids.h"

class CommandRouter;
class QMenu;

// Fills menu; choosing an entry calls run with its id.
void FillCommandMenu(QMenu& menu, const CommandRouter& router, const std::function<void(UINT)>& run);

// How a filled menu is shown. Tests put in their own, which reads and picks
// from the menu instead of waiting for a user; returns the one before.
using MenuRunner = std::function<void(QMenu& menu, QPoint at)>;
MenuRunner SetMenuRunner(MenuRunner runner);
void RunMenu(QMenu& menu, QPoint at);

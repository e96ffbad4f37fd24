#include "app/framework/main_window.h"

#include <QPointer>
#include <QWidget>

namespace {
QPointer<QWidget>& MainWindowSlot()
{
    static QPointer<QWidget> window;
    return window;
}
}  // namespace

QWidget* GetMainWindow() { return MainWindowSlot().data(); }

void SetMainWindow(QWidget* window) { MainWindowSlot() = window; }

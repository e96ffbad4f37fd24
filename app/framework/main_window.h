// The application's main window, as the framework's global accessor gives
// it: the window that takes the focus back from a toolbar box, and where a
// view finds the boxes it hands to its document. The first FrameWindow
// registers itself; null when there is none.
#pragma once

class QWidget;

QWidget* GetMainWindow();
void SetMainWindow(QWidget* window);

// Opening the help file: the desktop's handler for the file's type shows it
// (QDesktopServices). Tests put in their own opener. The result of the
// opener is not looked at: a missing file or viewer shows no message.
#pragma once

#include <QString>
#include <functional>

using HelpOpener = std::function<void(const QString& path)>;

// Returns the opener in force before.
HelpOpener SetHelpOpener(HelpOpener opener);
void OpenHelpFile(const QString& path);

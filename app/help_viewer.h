// Opening the help file: the desktop's handler for the file's type shows it
// (QDesktopServices). Tests put in their own opener. An opener answers
// whether the file opened, so the caller can say where the manual is when
// it did not.
#pragma once

#include <QString>
#include <functional>

using HelpOpener = std::function<bool(const QString& path)>;

// Returns the opener in force before.
HelpOpener SetHelpOpener(HelpOpener opener);
// False when the file did not open (missing, or no program shows it).
bool OpenHelpFile(const QString& path);

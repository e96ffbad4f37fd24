// The real file-open dialog, on QFileDialog: modal, existing files only.
#pragma once

#include <QString>
#include <string>

// Makes RunFileOpenDialog show a QFileDialog from now on.
void InstallWidgetFileOpenDialog();

// "Pictures|*.gif;*.bmp||" becomes "Pictures (*.gif *.bmp)": one Qt name
// filter per description and pattern pair, patterns separated by ';' in the
// classic form and by blanks in Qt's. A description that already shows its
// patterns keeps them once: "GIF Files (*.gif) | *.gif||" gives
// "GIF Files (*.gif)".
QString ToQtNameFilters(const std::string& filter);

// The real file-open dialog, on QFileDialog: modal, existing files only.
#pragma once

#include <QString>
#include <string>

// Makes RunFileOpenDialog show a QFileDialog from now on.
void InstallWidgetFileOpenDialog();

// "GIF Files (*.gif) | *.gif||" becomes "GIF Files (*.gif) (*.gif)": one Qt
// name filter per description and pattern pair, patterns separated by ';' in
// the classic form and by blanks in Qt's.
QString ToQtNameFilters(const std::string& filter);

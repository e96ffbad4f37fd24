// The file-open dialog as a replaceable function. The document asks for a
// file through RunFileOpenDialog; the running application installs a real
// dialog (InstallWidgetFileOpenDialog in file_open_dialog_widget.h), and a
// test installs a function that answers at once, since a modal dialog would
// block a headless run.
//
// The filter uses the classic form: pairs of description and pattern, each
// ended by '|', the list ended by a second '|' ("GIF Files (*.gif) | *.gif||").
#pragma once

#include <functional>
#include <string>

constexpr unsigned OFN_HIDEREADONLY = 0x0004;
constexpr unsigned OFN_PATHMUSTEXIST = 0x0800;
constexpr unsigned OFN_FILEMUSTEXIST = 0x1000;

struct FileOpenRequest {
    bool openMode = true;
    std::string defaultExtension;
    std::string initialFileName;
    std::string initialDirectory;  // where the dialog starts when no file is named
    unsigned flags = 0;
    std::string filter;
};

struct FileOpenChoice {
    std::string path;      // full path of the chosen file
    std::string fileName;  // its name with extension, no directory
};

// Returns true when the user confirmed a file (OK), false when cancelled.
using FileOpenDialog = std::function<bool(const FileOpenRequest&, FileOpenChoice&)>;

// Replaces the dialog; returns the one in force before. With none installed
// every request is answered as cancelled.
FileOpenDialog SetFileOpenDialog(FileOpenDialog dialog);
bool RunFileOpenDialog(const FileOpenRequest& request, FileOpenChoice& choice);

// Choosing a directory (Open Folder): true with chosen set when confirmed.
// start is where the dialog begins (may be empty). None installed: cancelled.
using FolderOpenDialog = std::function<bool(const std::string& start, std::string& chosen)>;
FolderOpenDialog SetFolderOpenDialog(FolderOpenDialog dialog);
bool RunFolderOpenDialog(const std::string& start, std::string& chosen);

#include "app/framework/file_open_dialog.h"

#include <utility>

namespace {
FileOpenDialog& InstalledDialog()
{
    static FileOpenDialog dialog;
    return dialog;
}
FolderOpenDialog& InstalledFolderDialog()
{
    static FolderOpenDialog dialog;
    return dialog;
}
}  // namespace

FileOpenDialog SetFileOpenDialog(FileOpenDialog dialog)
{
    return std::exchange(InstalledDialog(), std::move(dialog));
}

bool RunFileOpenDialog(const FileOpenRequest& request, FileOpenChoice& choice)
{
    // A copy, so a dialog that replaces itself while it runs stays alive.
    const FileOpenDialog dialog = InstalledDialog();
    return dialog ? dialog(request, choice) : false;
}

FolderOpenDialog SetFolderOpenDialog(FolderOpenDialog dialog)
{
    return std::exchange(InstalledFolderDialog(), std::move(dialog));
}

bool RunFolderOpenDialog(const std::string& start, std::string& chosen)
{
    const FolderOpenDialog dialog = InstalledFolderDialog();
    return dialog ? dialog(start, chosen) : false;
}

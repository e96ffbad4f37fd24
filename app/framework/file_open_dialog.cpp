#include "app/framework/file_open_dialog.h"

#include <utility>

namespace {
FileOpenDialog& InstalledDialog()
{
    static FileOpenDialog dialog;
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

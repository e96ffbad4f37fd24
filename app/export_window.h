// "Export…" (Ctrl+E): the in-out range of the shot list, at the play
// interval and in the playing direction, written to a file the user names in
// a save dialog whose types are the export's formats (export/shot_export.h),
// under a progress dialog that can cancel. Unavailable while playing, like
// Open, and with no shots listed. Contact sheets from the window are
// WINDOW_SHEET_COLUMNS x WINDOW_SHEET_ROWS, 2480 pixels wide.
#pragma once

#include <QString>
#include <functional>

#include "app/commands/command_ids.h"

class QWidget;
class CKESTRELDoc;
class CKestrel;

constexpr int WINDOW_SHEET_COLUMNS = 4;
constexpr int WINDOW_SHEET_ROWS = 6;

// The save dialog's filter: one entry per format.
QString ExportFileFilter();

// The two modal steps sit behind replaceable functions, since a modal
// dialog would block a headless test: choosing the file (an empty answer
// cancels) and telling the outcome.
struct ExportWindowDialogs {
    std::function<QString(QWidget* parent)> chooseFile;
    std::function<void(QWidget* parent, bool done, const QString& text)> tell;
};
// Returns the pair in force before; a missing function keeps the real one.
ExportWindowDialogs SetExportWindowDialogs(ExportWindowDialogs dialogs);

// Runs the export of what view shows of document. False when nothing was
// written (cancelled at any step, or failed).
bool RunWindowExport(QWidget* parent, const CKESTRELDoc& document, const CKestrel& view);

#include "app/commands/command_table.h"

namespace {

constexpr CommandRow kCommands[] = {
    // The framework's commands.
    {ID_FILE_NEW, "Start the shot list again\nNew", {"Ctrl+N"}},
    {ID_FILE_OPEN, "Open a GIF file and list the shots of its directory\nOpen", {"Ctrl+O"}},
    {ID_FILE_OPEN_FOLDER, "Open a directory and list its shots\nOpen Folder\u2026", {"Ctrl+Shift+O"}},
    {ID_FILE_EXPORT, "Export the in-out range as an animated GIF, a video or a contact sheet\nExport\u2026", {"Ctrl+E"}},
    // Save has neither a row nor a key on purpose: the document has no
    // stored form, and a save would only create an empty file, possibly over
    // a shot.
    {ID_EDIT_UNDO, nullptr, {"Ctrl+Z", "Alt+Backspace"}},
    {ID_EDIT_CUT, nullptr, {"Ctrl+X", "Shift+Del"}},
    {ID_EDIT_COPY, nullptr, {"Ctrl+C", "Ctrl+Ins"}},
    {ID_EDIT_PASTE, nullptr, {"Ctrl+V", "Shift+Ins"}},
    {ID_NEXT_PANE, nullptr, {"F6"}},
    {ID_PREV_PANE, nullptr, {"Shift+F6"}},
    {ID_APP_ABOUT, "Show the program's name and version\nAbout", {}},
    {ID_APP_EXIT, "Close the window and quit\nQuit", {"Ctrl+Q", "Q"}},
    {ID_CONTEXT_HELP, "Open the help file\nHelp", {}},
    {ID_HELP, "Open the help file\nHelp", {}},
    {ID_HELP_FINDER, "Open the help file\nHelp Topics", {}},
    {ID_DEFAULT_HELP, "Open the help file\nHelp", {}},

    // Stepping and playing.
    {ID_SHOT_NEXT, "Next\nNext Record", {"Right", "PgDown"}},
    {ID_SHOT_PREVIOUS, "Previous\nPrevious Record", {"Left", "PgUp"}},
    {ID_SHOT_LAST, "Last Record\nLast Record", {"End"}},
    {ID_SHOT_FIRST, "First Record\nFirst Record", {"Home"}},
    {ID_SHOT_PAUSE, "Pause\nPause", {}},
    {ID_SHOT_PLAY, "Play\nPlay", {}},
    {ID_SHOT_STOP, "Stop\nStop", {}},
    {ID_FIT_IMAGE, "Fit Image to Screen\nFit Image to Screen", {}},
    {ID_FIT_TO_SCREEN, "Fit Image To Screen (On/Off)\nFit Image To Screen (On/Off)", {}},
    {ID_FOLLOW_NEWEST, "Follow Newest (On/Off)\nFollow Newest (On/Off)", {"F"}},

    // The view. Ctrl+Plus is Ctrl+= on keyboards where plus needs the shift
    // key; Ctrl with the wheel zooms too, in the view.
    {ID_VIEW_ZOOM_IN, "Zoom In\nZoom In", {"Ctrl++", "Ctrl+="}},
    {ID_VIEW_ZOOM_OUT, "Zoom Out\nZoom Out", {"Ctrl+-"}},
    {ID_VIEW_ZOOM_OWN_SIZE, "Own Size\nOwn Size", {"Ctrl+0"}},
    {ID_VIEW_FIT_MODE, "Fit Stretched or Aspect-True\nFit Stretched or Aspect-True", {"A"}},
    {ID_VIEW_OVERLAY, "Shot Overlay (On/Off)\nShot Overlay (On/Off)", {"I"}},
    {ID_VIEW_FULL_SCREEN, "Full Screen (On/Off)\nFull Screen (On/Off)", {"F11"}},
    {ID_VIEW_LEAVE_FULL_SCREEN, "Leave Full Screen\nLeave Full Screen", {"Esc"}},
    {ID_VIEW_TIMELINE, "Timeline (On/Off)\nTimeline (On/Off)", {"T"}},
    {ID_VIEW_PLACEHOLDERS, "Missing Numbers in the Timeline (On/Off)\nMissing Numbers (On/Off)", {"Shift+T"}},
    {ID_VIEW_HUD, "Live Play Display (On/Off)\nLive Play Display (On/Off)", {"H"}},

    // Review.
    {ID_SHOT_REVERSE, "Play backwards or forwards\nReverse", {"R"}},
    {ID_SHOT_LOOP_MODE, "Wrap, ping-pong or stop at the end\nLoop Mode", {"L"}},
    {ID_SHOT_SET_IN, "Set the in point at the shot on display\nSet In Point", {"["}},
    {ID_SHOT_SET_OUT, "Set the out point at the shot on display\nSet Out Point", {"]"}},
    {ID_SHOT_CLEAR_RANGE, "Clear the in and out points\nClear Range", {"\\"}},
    {ID_SHOT_FASTER, "Halve the play interval\nFaster", {"+", "="}},
    {ID_SHOT_SLOWER, "Double the play interval\nSlower", {"-"}},
    {ID_SHOT_DROP, "Keep to the clock: skip a shot not ready in time (On/Off)\nDrop Late Shots (On/Off)", {"D"}},

    // Sequences of a directory grouped by prefix; nothing with fewer than two.
    {ID_SEQUENCE_NEXT, "Next Sequence\nNext Sequence", {"G"}},
    {ID_SEQUENCE_PREVIOUS, "Previous Sequence\nPrevious Sequence", {"Shift+G"}},

    // Comparing with a second run, B; Ctrl+B again leaves the comparison.
    {ID_COMPARE_OPEN, "Compare with the shots of another directory, or stop comparing\nCompare with\u2026", {"Ctrl+B"}},
    {ID_COMPARE_MODE, "Side by side, wipe, flip or difference\nCompare Mode", {"C"}},
    {ID_COMPARE_SWAP, "Show the other run (flip mode)\nSwap A and B", {"X"}},
};

}  // namespace

std::span<const CommandRow> CommandTable() { return kCommands; }

const CommandRow* FindCommand(UINT id)
{
    for (const CommandRow& row : kCommands) {
        if (row.id == id) return &row;
    }
    return nullptr;
}

const char* CommandPromptAndTip(UINT id)
{
    const CommandRow* row = FindCommand(id);
    return row ? row->promptAndTip : nullptr;
}

UINT CommandOfKey(std::string_view key)
{
    if (key.empty()) return 0;
    for (const CommandRow& row : kCommands) {
        for (std::string_view own : row.keys) {
            if (own == key) return row.id;
        }
    }
    return 0;
}

// Every command id of Kestrel, and the control ids of the toolbar's boxes.
// Commands are plain numbers, as in a resource script: a toolbar button, a
// key and a handler meet on the same id. Texts and keys are in the command
// table (command_table.h).
#pragma once

#include "app/framework/framework_ids.h"

// The framework's standard commands (its own id range, 0xE100 and up).
constexpr UINT ID_FILE_NEW = 57600;
constexpr UINT ID_FILE_OPEN = 57601;
constexpr UINT ID_FILE_SAVE = 57603;
constexpr UINT ID_EDIT_COPY = 57634;
constexpr UINT ID_EDIT_CUT = 57635;
constexpr UINT ID_EDIT_PASTE = 57637;
constexpr UINT ID_EDIT_UNDO = 57643;
constexpr UINT ID_APP_ABOUT = 57664;
constexpr UINT ID_APP_EXIT = 57665;
constexpr UINT ID_HELP_FINDER = 57667;
constexpr UINT ID_CONTEXT_HELP = 57669;
constexpr UINT ID_HELP = 57670;
constexpr UINT ID_DEFAULT_HELP = 57671;
constexpr UINT ID_NEXT_PANE = 57680;
constexpr UINT ID_PREV_PANE = 57681;

// Stepping and playing.
constexpr UINT ID_SHOT_NEXT = 32771;
constexpr UINT ID_SHOT_PREVIOUS = 32772;
constexpr UINT ID_SHOT_LAST = 32773;
constexpr UINT ID_SHOT_FIRST = 32775;
constexpr UINT ID_SHOT_PAUSE = 32776;  // has a text, no button and no handler
constexpr UINT ID_SHOT_PLAY = 32777;
constexpr UINT ID_SHOT_STOP = 32778;
constexpr UINT ID_FIT_IMAGE = 32779;   // has a text, no button and no handler
constexpr UINT ID_FIT_TO_SCREEN = 32780;
constexpr UINT ID_FOLLOW_NEWEST = 32781;

// Zoom, fit, pan and show the player view: they take the command route like
// the shot commands, so update handlers decide when they may run.
constexpr UINT ID_VIEW_ZOOM_IN = 32800;
constexpr UINT ID_VIEW_ZOOM_OUT = 32801;
constexpr UINT ID_VIEW_ZOOM_OWN_SIZE = 32802;
constexpr UINT ID_VIEW_FIT_MODE = 32803;
constexpr UINT ID_VIEW_OVERLAY = 32804;
constexpr UINT ID_VIEW_FULL_SCREEN = 32805;
constexpr UINT ID_VIEW_LEAVE_FULL_SCREEN = 32806;  // only while full screen
constexpr UINT ID_VIEW_TIMELINE = 32807;

// Review: direction, loop mode, in and out points, speed. Keys only.
constexpr UINT ID_SHOT_REVERSE = 32810;
constexpr UINT ID_SHOT_LOOP_MODE = 32811;
constexpr UINT ID_SHOT_SET_IN = 32812;
constexpr UINT ID_SHOT_SET_OUT = 32813;
constexpr UINT ID_SHOT_CLEAR_RANGE = 32814;
constexpr UINT ID_SHOT_FASTER = 32815;
constexpr UINT ID_SHOT_SLOWER = 32816;
constexpr UINT ID_SHOT_DROP = 32817;

// Export of the in-out range (app/export_window.h).
constexpr UINT ID_FILE_EXPORT = 32820;
// A directory chosen as a directory, not through one of its files.
constexpr UINT ID_FILE_OPEN_FOLDER = 32821;

// Run health: the timeline's placeholders for missing numbers, the live
// play display.
constexpr UINT ID_VIEW_PLACEHOLDERS = 32840;
constexpr UINT ID_VIEW_HUD = 32841;

// Sequences of a directory grouped by prefix.
constexpr UINT ID_SEQUENCE_NEXT = 32830;
constexpr UINT ID_SEQUENCE_PREVIOUS = 32831;

// Comparing with a second run: pick B (or leave), cycle the mode, swap in
// flip mode.
constexpr UINT ID_COMPARE_OPEN = 32850;
constexpr UINT ID_COMPARE_MODE = 32851;
constexpr UINT ID_COMPARE_SWAP = 32852;

// Control ids of the toolbar's boxes.
constexpr UINT IDC_SHOT_NUMBER = 101;
constexpr UINT IDC_SHOT_STATUS = 102;

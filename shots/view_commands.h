// Ids and string-table texts ("prompt\ntooltip") of the commands that zoom,
// fit, pan and show the player view: they take the command route like the
// shot commands, so update handlers decide when they may run.
#pragma once

#include "shots/shot_ids.h"

constexpr UINT ID_VIEW_ZOOM_IN = 32800;          // Ctrl+Plus, Ctrl with the wheel up
constexpr UINT ID_VIEW_ZOOM_OUT = 32801;         // Ctrl+Minus, Ctrl with the wheel down
constexpr UINT ID_VIEW_ZOOM_OWN_SIZE = 32802;    // Ctrl+0
constexpr UINT ID_VIEW_FIT_MODE = 32803;         // A: stretched or aspect-true fit
constexpr UINT ID_VIEW_OVERLAY = 32804;          // I: the shot overlay on and off
constexpr UINT ID_VIEW_FULL_SCREEN = 32805;      // F11
constexpr UINT ID_VIEW_LEAVE_FULL_SCREEN = 32806;  // Escape, only while full screen

inline constexpr CommandText kViewCommandTexts[] = {
    {ID_VIEW_ZOOM_IN, "Zoom In\nZoom In"},
    {ID_VIEW_ZOOM_OUT, "Zoom Out\nZoom Out"},
    {ID_VIEW_ZOOM_OWN_SIZE, "Own Size\nOwn Size"},
    {ID_VIEW_FIT_MODE, "Fit Stretched or Aspect-True\nFit Stretched or Aspect-True"},
    {ID_VIEW_OVERLAY, "Shot Overlay (On/Off)\nShot Overlay (On/Off)"},
    {ID_VIEW_FULL_SCREEN, "Full Screen (On/Off)\nFull Screen (On/Off)"},
    {ID_VIEW_LEAVE_FULL_SCREEN, "Leave Full Screen\nLeave Full Screen"},
};

// Ids of the shot commands and of the two toolbar boxes, with the
// string-table texts of the commands ("prompt\ntooltip").
#pragma once

#include "app/framework/command_ids.h"

constexpr UINT ID_SHOT_NEXT = 32771;
constexpr UINT ID_SHOT_PREVIOUS = 32772;
constexpr UINT ID_SHOT_LAST = 32773;
constexpr UINT ID_SHOT_FIRST = 32775;
constexpr UINT ID_SHOT_PAUSE = 32776;  // has a text, no button and no handler
constexpr UINT ID_SHOT_PLAY = 32777;
constexpr UINT ID_SHOT_STOP = 32778;
constexpr UINT ID_FIT_IMAGE = 32779;   // has a text, no button and no handler
constexpr UINT ID_FIT_TO_SCREEN = 32780;

// Control ids of the toolbar's boxes.
constexpr UINT IDC_SHOT_NUMBER = 101;
constexpr UINT IDC_SHOT_STATUS = 102;

struct CommandText {
    UINT id;
    const char* text;
};

inline constexpr CommandText kShotCommandTexts[] = {
    {ID_SHOT_NEXT, "Next\nNext Record"},
    {ID_SHOT_PREVIOUS, "Previous\nPrevious Record"},
    {ID_SHOT_LAST, "Last Record\nLast Record"},
    {ID_SHOT_FIRST, "First Record\nFirst Record"},
    {ID_SHOT_PAUSE, "Pause\nPause"},
    {ID_SHOT_PLAY, "Play\nPlay"},
    {ID_SHOT_STOP, "Stop\nStop"},
    {ID_FIT_IMAGE, "Fit Image to Screen\nFit Image to Screen"},
    {ID_FIT_TO_SCREEN, "Fit Image To Screen (On/Off)\nFit Image To Screen (On/Off)"},
};

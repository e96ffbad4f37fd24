// Ids and texts ("prompt\ntooltip") of the review commands: direction,
// loop mode, in and out points, speed. Keys only; no toolbar buttons.
#pragma once

#include "shots/shot_ids.h"

constexpr UINT ID_SHOT_REVERSE = 32810;
constexpr UINT ID_SHOT_LOOP_MODE = 32811;
constexpr UINT ID_SHOT_SET_IN = 32812;
constexpr UINT ID_SHOT_SET_OUT = 32813;
constexpr UINT ID_SHOT_CLEAR_RANGE = 32814;
constexpr UINT ID_SHOT_FASTER = 32815;
constexpr UINT ID_SHOT_SLOWER = 32816;

inline constexpr CommandText kReviewCommandTexts[] = {
    {ID_SHOT_REVERSE, "Play backwards or forwards\nReverse"},
    {ID_SHOT_LOOP_MODE, "Wrap, ping-pong or stop at the end\nLoop Mode"},
    {ID_SHOT_SET_IN, "Set the in point at the shot on display\nSet In Point"},
    {ID_SHOT_SET_OUT, "Set the out point at the shot on display\nSet Out Point"},
    {ID_SHOT_CLEAR_RANGE, "Clear the in and out points\nClear Range"},
    {ID_SHOT_FASTER, "Halve the play interval\nFaster"},
    {ID_SHOT_SLOWER, "Double the play interval\nSlower"},
};

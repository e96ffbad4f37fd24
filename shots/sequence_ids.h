// Ids and texts ("prompt\ntooltip") of the commands that step between the
// sequences of a directory grouped by prefix: G for the next, Shift+G for
// the previous. They do nothing with fewer than two sequences.
#pragma once

#include "shots/shot_ids.h"

constexpr UINT ID_SEQUENCE_NEXT = 32830;
constexpr UINT ID_SEQUENCE_PREVIOUS = 32831;

inline constexpr CommandText kSequenceCommandTexts[] = {
    {ID_SEQUENCE_NEXT, "Next Sequence\nNext Sequence"},
    {ID_SEQUENCE_PREVIOUS, "Previous Sequence\nPrevious Sequence"},
};

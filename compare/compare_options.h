// How two runs are compared: which shot of B goes with the shot on display,
// how the pair is shown, and the settings of the wipe and the difference.
#pragma once

#include <string>

// side: A left, B right; wipe: A left of a line, B right of it, in the same
// place; flip: one of them whole; diff: |A - B| per channel, times a gain.
enum class CompareMode { Side, Wipe, Flip, Diff };

// B's shot for A's: the earliest with the same shot number, or the one at
// the same position in the list.
enum class PairBy { Number, Index };

struct CompareOptions {
    PairBy pairBy = PairBy::Number;
    CompareMode mode = CompareMode::Side;
    double wipePercent = 50;  // of the view's width, 0 to 100
    int diffGain = 1;         // DIFF_GAIN_MIN to DIFF_GAIN_MAX
};

constexpr int DIFF_GAIN_MIN = 1;
constexpr int DIFF_GAIN_MAX = 64;

// The mode after mode, in the order side, wipe, flip, diff, wrapping.
constexpr CompareMode NextCompareMode(CompareMode mode)
{
    return mode == CompareMode::Diff ? CompareMode::Side : CompareMode(int(mode) + 1);
}

// "side", "wipe", "flip", "diff".
const char* CompareModeName(CompareMode mode);

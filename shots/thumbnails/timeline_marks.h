// What the timeline marks on a shot: the in and out points of the playback
// range, and the numbering findings of the shot report (shot_report.h): a
// number lower than the one before while the time goes up, and a number
// used more than once.
#pragma once

#include <cstdint>
#include <vector>

#include "shots/playback/play_order.h"
#include "shots/shot_list_document.h"

enum TimelineMark : std::uint8_t {
    MARK_IN = 1,        // the in point
    MARK_OUT = 2,       // the out point
    MARK_DROP = 4,      // the number went down from the shot before
    MARK_REPEATED = 8,  // the number is used more than once
};

// MARK_DROP and MARK_REPEATED of every shot of the list, in its order.
std::vector<std::uint8_t> NumberingMarks(const CKESTRELDoc& doc);

// MARK_IN and MARK_OUT of shot index; none while no range is set.
std::uint8_t RangeMarks(const CKESTRELDoc& doc, const PlayOrder& order, std::size_t index);

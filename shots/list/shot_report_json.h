// The shot report as JSON, `kestrel --list --json PATH`: the same listing
// and findings as the text report (shot_report.h), as one object for
// programs to read:
//
//   {"directory": "/shots/", "count": 3,
//    "shots": [{"index": 0, "number": 1, "file": "take0001.gif",
//               "lastWriteTime": "2026-12-07T11:02:03.123Z"}, ...],
//    "missing": [{"first": 2, "last": 4}],
//    "repeated": [{"number": 7, "indices": [5, 6]}],
//    "goesDown": [{"index": 9, "numberBefore": 12, "number": 1}],
//    "intervals": {"count": 2, "medianMs": 1000.0, "largestMs": 1500.0, "largestAt": 2}}
//
// With more GIF files than the listing limit, "gifFiles" after "count" says
// how many there are (the text report's "Listed:" line). Indices count from
// 0 in shot order. An interval ends at the shot of its
// index ("largestAt", null without intervals). Names that are not UTF-8 have
// their bad bytes replaced.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

#include "shots/shot_list_document.h"

// As RunShotReport: SHOT_REPORT_OK, or SHOT_REPORT_BAD_PATH with a line on err.
int RunShotReportJson(const std::string& path, std::ostream& out, std::ostream& err,
                      int maxShots = CKESTRELDoc::MAX_SHOTS);

// "2026-12-07T11:02:03.123Z": the file time to the millisecond, rounded down.
std::string FormatFileTimeIso8601Ms(std::int64_t fileTime);

// The shot report of `kestrel --list PATH`: the shots of a directory as the
// viewer would list them, one line each, then what someone reviewing an
// acquisition wants to know about the numbering.
//
// PATH is a directory, or any file in one. Each shot line holds, separated
// by tabs: position (from 1), shot number, file name, last-write time in
// ISO 8601 (UTC, to the 100 nanoseconds the listing keeps). The summary
// after them names the numbers missing between the first and the last shot
// number, the numbers used more than once, and the places where the number
// goes down while the time goes up.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

#include "shots/list/shot_types.h"
#include "shots/shot_list_document.h"

// Exit status of the report: done, or a path that cannot be listed.
constexpr int SHOT_REPORT_OK = 0;
constexpr int SHOT_REPORT_BAD_PATH = 2;

// maxShots: the listing limit, as the viewer's --max-shots. options: the
// types listed, as the viewer's (PATH naming a file of another type lists
// that type), and with grouping by prefix one report per sequence, each
// after a line "Sequence: PREFIX", in name order, a blank line between.
int RunShotReport(const std::string& path, std::ostream& out, std::ostream& err,
                  int maxShots = CKESTRELDoc::MAX_SHOTS, const ShotListOptions& options = ShotListOptions());

// The directory a report of path lists, with its trailing separator; false
// with a reason when it cannot be listed.
bool ShotReportDirectory(const std::string& path, std::string& directory, std::string& reason);

// "2026-12-07T11:02:03.1234567Z" for a file time (100-nanosecond intervals
// since 1601-01-01 UTC).
std::string FormatFileTimeIso8601(std::int64_t fileTime);

// A name as one line of the report: a newline, tab or carriage return as
// \n, \t, \r, any other control character as \xHH; everything else,
// other bytes above 0x7F too, as it is.
std::string EscapeControlCharacters(std::string_view name);

struct ShotNumberRange {
    int first;
    int last;
};

struct RepeatedShotNumber {
    int number;
    std::vector<int> positions;  // 1-based, in shot order
};

struct ShotNumberDrop {
    int position;  // 1-based position of the shot whose number is lower than the one before
    int numberBefore;
    int number;
};

struct ShotNumberingSummary {
    std::vector<ShotNumberRange> missing;
    std::vector<RepeatedShotNumber> repeated;  // by number
    std::vector<ShotNumberDrop> drops;
};

// numbers and times in shot order, the same length.
ShotNumberingSummary SummarizeShotNumbering(const std::vector<int>& numbers, const std::vector<std::int64_t>& times);

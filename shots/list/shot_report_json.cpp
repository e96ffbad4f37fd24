#include "shots/list/shot_report_json.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "shots/list/arrival_intervals.h"
#include "shots/list/directory_listing.h"
#include "shots/list/shot_report.h"

std::string FormatFileTimeIso8601Ms(std::int64_t fileTime)
{
    // "YYYY-MM-DDTHH:MM:SS.fffffffZ": the first three digits of the fraction.
    const std::string full = FormatFileTimeIso8601(fileTime);
    if (full.size() == 28 && full[19] == '.' && full.back() == 'Z') return full.substr(0, 23) + 'Z';
    return full;
}

int RunShotReportJson(const std::string& path, std::ostream& out, std::ostream& err, int maxShots)
{
    std::string directory;
    std::string reason;
    if (!ShotReportDirectory(path, directory, reason)) {
        err << "kestrel: cannot list '" << path << "': " << reason << '\n';
        return SHOT_REPORT_BAD_PATH;
    }
    CKESTRELDoc document;
    document.SetMaxShots(maxShots);
    document.m_strDirectory = directory;
    document.ScanDirectory();

    // Keys in the order the header shows them.
    using json = nlohmann::ordered_json;
    json shots = json::array();
    std::vector<int> numbers;
    std::vector<std::int64_t> times;
    for (std::size_t i = 0; i < document.ShotCount(); ++i) {
        const ShotRecord& shot = document.Shot(i);
        numbers.push_back(document.ShotNumber(i));
        times.push_back(shot.lastWriteTime);
        shots.push_back({{"index", i},
                         {"number", numbers.back()},
                         {"file", shot.name},
                         {"lastWriteTime", FormatFileTimeIso8601Ms(shot.lastWriteTime)}});
    }

    const ShotNumberingSummary summary = SummarizeShotNumbering(numbers, times);
    json missing = json::array();
    for (const ShotNumberRange& range : summary.missing) missing.push_back({{"first", range.first}, {"last", range.last}});
    json repeated = json::array();
    for (const RepeatedShotNumber& number : summary.repeated) {
        json indices = json::array();
        for (const int position : number.positions) indices.push_back(position - 1);
        repeated.push_back({{"number", number.number}, {"indices", indices}});
    }
    json goesDown = json::array();
    for (const ShotNumberDrop& drop : summary.drops) {
        goesDown.push_back({{"index", drop.position - 1}, {"numberBefore", drop.numberBefore}, {"number", drop.number}});
    }
    const IntervalStats stats = SummarizeIntervals(ArrivalIntervals(times));
    const auto ms = [](std::int64_t units) { return double(units) / 10000.0; };
    json intervals = {{"count", stats.count},
                      {"medianMs", ms(stats.median)},
                      {"largestMs", ms(stats.largest)},
                      {"largestAt", stats.count ? json(stats.largestEndsAt) : json(nullptr)}};

    json report = {{"directory", directory}, {"count", document.ShotCount()}};
    // As the text report says "Listed: the oldest N of M GIF files".
    if (document.ShotCount() == std::size_t(document.MaxShots())) {
        // The scan's own count where it listed GIF files alone.
        const bool gifOnly = document.ListedTypes() == ShotTypes::GifOnly() && !document.GroupsByPrefix();
        const std::size_t all = gifOnly ? document.ShotCount() + document.BeyondCapacity().size()
                                        : ListDirectoryByExtension(directory, ".GIF").size();
        if (all > document.ShotCount()) report["gifFiles"] = all;
    }
    report["shots"] = std::move(shots);
    report["missing"] = std::move(missing);
    report["repeated"] = std::move(repeated);
    report["goesDown"] = std::move(goesDown);
    report["intervals"] = std::move(intervals);
    // A name is bytes: what is not UTF-8 becomes U+FFFD rather than an error.
    out << report.dump(2, ' ', false, json::error_handler_t::replace) << '\n';
    return SHOT_REPORT_OK;
}

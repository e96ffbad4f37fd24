#include "shots/list/shot_report.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <map>
#include <ostream>
#include <set>

#include "shots/list/directory_listing.h"
#include "shots/shot_list_document.h"

bool ShotReportDirectory(const std::string& path, std::string& directory, std::string& reason)
{
    struct stat status {};
    if (path.empty() || stat(path.c_str(), &status) != 0) {
        reason = path.empty() ? "no path given" : std::strerror(errno);
        return false;
    }
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(path, error);
    if (error) {
        reason = error.message();
        return false;
    }
    directory = S_ISDIR(status.st_mode) ? absolute.string() : absolute.parent_path().string();
    if (directory.empty() || directory.back() != '/') directory += '/';

    DIR* dir = opendir(directory.c_str());
    if (!dir) {
        reason = std::strerror(errno);
        return false;
    }
    closedir(dir);
    return true;
}

namespace {

std::string JoinRanges(const std::vector<ShotNumberRange>& ranges)
{
    std::string text;
    for (const ShotNumberRange& range : ranges) {
        if (!text.empty()) text += ", ";
        text += std::to_string(range.first);
        if (range.last != range.first) text += "-" + std::to_string(range.last);
    }
    return text;
}

}  // namespace

std::string EscapeControlCharacters(std::string_view name)
{
    std::string text;
    text.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            text += c;
        } else if (c == '\n') {
            text += "\\n";
        } else if (c == '\t') {
            text += "\\t";
        } else if (c == '\r') {
            text += "\\r";
        } else {
            static constexpr char kHex[] = "0123456789abcdef";
            text += "\\x";
            text += kHex[byte >> 4];
            text += kHex[byte & 0xF];
        }
    }
    return text;
}

std::string FormatFileTimeIso8601(std::int64_t fileTime)
{
    constexpr std::int64_t kPerSecond = 10000000;
    char text[96];
    std::int64_t sinceUnix = 0;
    if (__builtin_sub_overflow(fileTime, kFileTimeUnixEpoch, &sinceUnix)) {
        // Before 1601 by more than the range holds: a saturated time.
        std::snprintf(text, sizeof text, "@%lld", static_cast<long long>(fileTime));
        return text;
    }
    std::int64_t seconds = sinceUnix / kPerSecond;
    std::int64_t fraction = sinceUnix % kPerSecond;
    if (fraction < 0) {
        fraction += kPerSecond;
        --seconds;
    }
    // Shots of one second share its text: a long list asks for the same
    // calendar date many times over.
    thread_local std::int64_t cachedSeconds = 0;
    thread_local std::string cachedText;
    if (cachedText.empty() || seconds != cachedSeconds) {
        const std::time_t whole = std::time_t(seconds);
        std::tm parts {};
        if (!gmtime_r(&whole, &parts)) {
            std::snprintf(text, sizeof text, "@%lld", static_cast<long long>(fileTime));
            return text;
        }
        std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.", parts.tm_year + 1900, parts.tm_mon + 1,
                      parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec);
        cachedSeconds = seconds;
        cachedText = text;
    }
    std::string result = cachedText;
    result.resize(result.size() + 7);
    for (std::size_t digit = result.size(); digit-- > result.size() - 7;) {
        result[digit] = char('0' + fraction % 10);
        fraction /= 10;
    }
    result += 'Z';
    return result;
}

ShotNumberingSummary SummarizeShotNumbering(const std::vector<int>& numbers, const std::vector<std::int64_t>& times)
{
    ShotNumberingSummary summary;
    const std::size_t count = std::min(numbers.size(), times.size());
    if (count == 0) return summary;

    // Missing: between the first and the last shot number (the oldest and the
    // newest file), whichever is lower. Shot numbers come from four
    // characters, so the span is small.
    const std::set<int> present(numbers.begin(), numbers.begin() + std::ptrdiff_t(count));
    const long long low = std::min(numbers.front(), numbers[count - 1]);
    const long long high = std::max(numbers.front(), numbers[count - 1]);
    for (long long n = low; n <= high; ++n) {
        if (present.count(int(n))) continue;
        if (!summary.missing.empty() && summary.missing.back().last == int(n) - 1) {
            summary.missing.back().last = int(n);
        } else {
            summary.missing.push_back(ShotNumberRange{int(n), int(n)});
        }
    }

    std::map<int, std::vector<int>> positions;
    for (std::size_t i = 0; i < count; ++i) positions[numbers[i]].push_back(int(i + 1));
    for (auto& [number, at] : positions) {
        if (at.size() > 1) summary.repeated.push_back(RepeatedShotNumber{number, std::move(at)});
    }

    // Equal times do not count: their order in the list is not a sequence.
    for (std::size_t i = 1; i < count; ++i) {
        if (numbers[i] < numbers[i - 1] && times[i] > times[i - 1]) {
            summary.drops.push_back(ShotNumberDrop{int(i + 1), numbers[i - 1], numbers[i]});
        }
    }
    return summary;
}

namespace {

constexpr std::size_t REPORT_BLOCK_BYTES = 1 << 16;

// The report of the list document holds now.
void ReportList(const CKESTRELDoc& document, const std::string& directory, std::ostream& out)
{
    std::vector<int> numbers;
    std::vector<std::int64_t> times;
    numbers.reserve(document.ShotCount());
    times.reserve(document.ShotCount());
    // A line a shot, written a block at a time: a million lines through the
    // stream one field at a time take longer than listing them did.
    std::string block;
    for (std::size_t i = 0; i < document.ShotCount(); ++i) {
        const ShotRecord& shot = document.Shot(i);
        numbers.push_back(document.ShotNumber(i));
        times.push_back(shot.lastWriteTime);
        block += std::to_string(i + 1);
        block += '\t';
        block += std::to_string(numbers.back());
        block += '\t';
        block += EscapeControlCharacters(shot.name);
        block += '\t';
        block += FormatFileTimeIso8601(shot.lastWriteTime);
        block += '\n';
        if (block.size() >= REPORT_BLOCK_BYTES) {
            out << block;
            block.clear();
        }
    }
    out << block;

    out << '\n' << "Directory: " << EscapeControlCharacters(directory) << '\n';
    if (numbers.empty()) {
        out << "Shots: 0\n";
        return;
    }
    out << "Shots: " << numbers.size() << "     First Shot: " << numbers.front()
        << "     Last Shot: " << numbers.back() << '\n';
    // What the scan left out of a full list.
    if (!document.BeyondCapacity().empty()) {
        const std::size_t all = numbers.size() + document.BeyondCapacity().size();
        const bool gif = document.ListedTypes() == ShotTypes::GifOnly();
        out << "Listed: the oldest " << numbers.size() << " of " << all << (gif ? " GIF files\n" : " shot files\n");
    }

    const ShotNumberingSummary summary = SummarizeShotNumbering(numbers, times);
    out << "Missing numbers: " << (summary.missing.empty() ? "none" : JoinRanges(summary.missing)) << '\n';

    out << "Numbers used more than once:";
    if (summary.repeated.empty()) out << " none";
    for (std::size_t r = 0; r < summary.repeated.size(); ++r) {
        out << (r ? "; " : " ") << summary.repeated[r].number << " (positions ";
        for (std::size_t p = 0; p < summary.repeated[r].positions.size(); ++p) {
            out << (p ? ", " : "") << summary.repeated[r].positions[p];
        }
        out << ')';
    }
    out << '\n';

    out << "Number goes down while time goes up:";
    if (summary.drops.empty()) out << " none";
    for (std::size_t d = 0; d < summary.drops.size(); ++d) {
        const ShotNumberDrop& drop = summary.drops[d];
        out << (d ? "; " : " ") << "position " << drop.position << " (" << drop.numberBefore << " then "
            << drop.number << ')';
    }
    out << '\n';
}

}  // namespace

int RunShotReport(const std::string& path, std::ostream& out, std::ostream& err, int maxShots,
                  const ShotListOptions& options)
{
    std::string directory;
    std::string reason;
    if (!ShotReportDirectory(path, directory, reason)) {
        err << "kestrel: cannot list '" << path << "': " << reason << '\n';
        return SHOT_REPORT_BAD_PATH;
    }

    // The document's own scan, so the report lists what the viewer shows.
    CKESTRELDoc document;
    document.SetMaxShots(maxShots);
    const ShotTypes types = ShotTypesForPath(path, options.types);
    document.SetShotTypes(types);
    document.SetGroupByPrefix(options.groupByPrefix);
    document.m_strDirectory = directory;
    document.ScanDirectory();
    if (!options.groupByPrefix) {
        ReportList(document, directory, out);
        return SHOT_REPORT_OK;
    }

    const std::vector<std::string> sequences = document.Sequences();
    for (std::size_t n = 0; n < sequences.size(); ++n) {
        if (n) out << '\n';
        out << "Sequence: " << sequences[n] << '\n';
        document.SetSequence(sequences[n]);
        document.ScanDirectory();
        ReportList(document, directory, out);
    }
    if (sequences.empty()) ReportList(document, directory, out);
    return SHOT_REPORT_OK;
}

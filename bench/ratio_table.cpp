#include "bench/ratio_table.h"

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <ostream>
#include <vector>

namespace kestrel::bench {

namespace {

struct Pair {
    std::string row, column, ours, peer;
    bool wallTime = false;
};

std::vector<Pair>& Pairs()
{
    static std::vector<Pair> pairs;
    return pairs;
}

// The console output, plus the CPU and real time per iteration of every run seen.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    using benchmark::ConsoleReporter::ConsoleReporter;

    void ReportRuns(const std::vector<Run>& runs) override
    {
        for (const Run& run : runs) {
            if (run.error_occurred || run.iterations <= 0) continue;
            // The name as registered, without the time-measurement suffixes.
            const std::string name =
                run.run_name.function_name + (run.run_name.args.empty() ? "" : "/" + run.run_name.args);
            if (run.run_type == Run::RT_Aggregate) {
                if (run.aggregate_name == "median") {
                    medians_[name] = run.GetAdjustedCPUTime();
                    realMedians_[name] = run.GetAdjustedRealTime();
                }
            } else {
                times_[name].push_back(run.GetAdjustedCPUTime());
                realTimes_[name].push_back(run.GetAdjustedRealTime());
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        PrintTable(false, "CPU time");
        PrintTable(true, "wall-clock time");
    }

private:
    void PrintTable(bool wallTime, const char* measure)
    {
        std::vector<std::string> columns;
        std::vector<std::string> rows;
        std::map<std::pair<std::string, std::string>, double> cells;
        for (const Pair& pair : Pairs()) {
            double ours = 0, peer = 0;
            if (pair.wallTime != wallTime) continue;
            if (!Time(pair.ours, wallTime, ours) || !Time(pair.peer, wallTime, peer) || ours <= 0) continue;
            if (std::find(columns.begin(), columns.end(), pair.column) == columns.end()) columns.push_back(pair.column);
            if (std::find(rows.begin(), rows.end(), pair.row) == rows.end()) rows.push_back(pair.row);
            cells[{pair.row, pair.column}] = peer / ours;
        }
        if (cells.empty()) return;
        std::size_t rowWidth = 4;
        for (const std::string& row : rows) rowWidth = std::max(rowWidth, row.size());
        std::ostream& out = GetOutputStream();
        out << "\nSpeed ratios (peer's " << measure << " over ours" << (medians_.empty() ? "" : ", medians") << "):\n";
        out << std::string(rowWidth, ' ');
        for (const std::string& column : columns) out << "  " << column;
        out << '\n';
        for (const std::string& row : rows) {
            out << row << std::string(rowWidth - row.size(), ' ');
            for (const std::string& column : columns) {
                char cell[32] = "-";
                auto found = cells.find({row, column});
                if (found != cells.end()) std::snprintf(cell, sizeof cell, "%.2f", found->second);
                const std::size_t width = std::max<std::size_t>(column.size(), 4);
                out << "  " << std::string(width - std::strlen(cell), ' ') << cell;
            }
            out << '\n';
        }
    }

    // The median aggregate when there is one, else the median of the runs.
    bool Time(const std::string& name, bool wallTime, double& time) const
    {
        const auto& medians = wallTime ? realMedians_ : medians_;
        const auto& times = wallTime ? realTimes_ : times_;
        auto median = medians.find(name);
        if (median != medians.end()) {
            time = median->second;
            return true;
        }
        auto found = times.find(name);
        if (found == times.end() || found->second.empty()) return false;
        std::vector<double> sorted = found->second;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        time = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
        return true;
    }

    std::map<std::string, double> medians_;
    std::map<std::string, std::vector<double>> times_;
    std::map<std::string, double> realMedians_;
    std::map<std::string, std::vector<double>> realTimes_;
};

}  // namespace

void CompareAtEnd(const std::string& row, const std::string& column, const std::string& ours,
                  const std::string& peer)
{
    Pairs().push_back(Pair{row, column, ours, peer, false});
}

void CompareWallTimeAtEnd(const std::string& row, const std::string& column, const std::string& ours,
                          const std::string& peer)
{
    Pairs().push_back(Pair{row, column, ours, peer, true});
}

int RunWithRatioTable(int argc, char** argv)
{
    // Another output format than the console's keeps the library's own reporter.
    bool console = true;
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--benchmark_format=", 19) == 0 && std::strcmp(argv[i] + 19, "console") != 0)
            console = false;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (console) {
        RatioReporter reporter(isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_Color
                                                     : benchmark::ConsoleReporter::OO_None);
        benchmark::RunSpecifiedBenchmarks(&reporter);
    } else {
        benchmark::RunSpecifiedBenchmarks();
    }
    benchmark::Shutdown();
    return 0;
}

}  // namespace kestrel::bench

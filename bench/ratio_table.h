// A closing table of speed ratios between benchmarks of the same run, so a
// comparison with a peer reads as one number instead of two times to divide.
//
// A benchmark file names each pair once, at start-up (before main runs the
// benchmarks). At the end of the run every pair whose two benchmarks both ran
// gets a line: the peer's CPU time per iteration over ours, so 1.5 means ours
// does the same work in two thirds of the time. With repetitions the medians
// are used.
#pragma once

#include <string>

namespace kestrel::bench {

// row and column label the ratio in the table; ours and peer are full
// benchmark names as the run reports them (without aggregate suffixes).
void CompareAtEnd(const std::string& row, const std::string& column, const std::string& ours,
                  const std::string& peer);

// The same by real (wall-clock) time, for work spread over threads or done
// by another program, which the CPU time of the benchmark's thread misses.
// These pairs get a table of their own.
void CompareWallTimeAtEnd(const std::string& row, const std::string& column, const std::string& ours,
                          const std::string& peer);

// Runs the benchmarks that the command line selects, with the console output
// and then the ratio table. Returns main's exit status.
int RunWithRatioTable(int argc, char** argv);

}  // namespace kestrel::bench

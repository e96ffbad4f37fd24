// Reads command-line words by the option table, without Qt and without
// looking at the file system. Values stay where they are in the words, so
// a caller with words of its own (QString, bytes) takes them from there.
//
//   --name value, --name=value   a value; "-" and words without a leading
//                                 dash are paths; "--" makes every later
//                                 word a path
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <vector>

#include "app/options/option_table.h"

struct OptionValue {
    const OptionRow* row = nullptr;
    std::size_t word = 0;    // the word the value is in (the option's own for a flag)
    std::size_t offset = 0;  // where the value begins in it: after "--name=", or 0
    double number = 0;       // Count and Decimal
    int choice = 0;          // Choice: the index into row->choices
};

struct ParsedOptions {
    std::vector<OptionValue> options;  // in the order given; a later one wins
    std::vector<std::size_t> paths;    // the words that are paths
    std::string error;                 // the first problem, empty when none
};

ParsedOptions ParseOptions(std::span<const std::string> words);

// Decimal digits only, from low to high; no sign, no spaces.
bool ParseBoundedNumber(std::string_view text, double low, double high, double& value);

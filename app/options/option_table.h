// The option table: one row per command-line option, with its value kind,
// its range or choices and its help line. The parser (parse_options.h), the
// usage line and --help read the same rows, so a range is written once.
#pragma once

#include <array>
#include <span>
#include <string>
#include <string_view>

enum class OptionId {
    NoSplash,
    Shot,
    Screenshot,
    PrintStatus,
    Follow,
    Poll,
    Interval,
    Fit,
    Zoom,
    FullScreen,
    Overlay,
    Timeline,
    Play,
    ExitAfter,
    PrintPlayStats,
    Reverse,
    Drop,
    Loop,
    In,
    Out,
    MaxShots,
    CacheMb,
    List,
    Json,
    Hud,
    Types,
    Group,
    Sequence,
    Compare,
    Pair,
    CompareMode,
    Wipe,
    DiffGain,
    Export,
    Crf,
    Sheet,
    SheetWidth,
    Ipc,
    Remote,
    Help,
    Version,
};

enum class OptionKind {
    Flag,     // no value
    Count,    // decimal digits only, low to high
    Decimal,  // a decimal number, low to high
    Choice,   // one of choices
    Text,     // any text but the empty one
    AnyText,  // any text, the empty one too
};

struct OptionRow {
    OptionId id = OptionId::NoSplash;
    std::string_view name = {};   // "--interval"
    std::string_view alias = {};  // "-h", or empty
    OptionKind kind = OptionKind::Flag;
    // Count and Decimal: the range; defaultValue is what --help shows for
    // "{default}".
    double low = 0;
    double high = 0;
    double defaultValue = 0;
    // What the value is, for the usage line and the help ("MS"); a Choice
    // shows its choices instead, in the help only where it has none.
    std::string_view valueName = {};
    std::array<std::string_view, 4> choices{};  // in the order of their enum
    // What the option needs, for the messages: "--max-shots needs a number
    // of shots from 1 to 1000000, not '0'". A Choice names its choices.
    std::string_view what = {};
    // What it needs when the value is missing, where that is said otherwise
    // ("--interval needs a number of milliseconds").
    std::string_view missing = {};
    // The help line; "{range}" stands for "low to high", "{default}" for the
    // default value. Wrapped by the help text.
    std::string_view help = {};
};

std::span<const OptionRow> OptionTable();

// The row whose name or alias is name, or null.
const OptionRow* FindOption(std::string_view name);
const OptionRow& OptionOf(OptionId id);

// A range end or a default as the help and the messages write it: 6.25,
// 60000 (no exponent, no trailing zeros).
std::string OptionNumberText(double value);
// "LOW to HIGH".
std::string OptionRangeText(const OptionRow& row);
// "--fit stretch|aspect", "--interval MS", "--play".
std::string OptionLabel(const OptionRow& row);

// The usage lines and the whole --help text (which begins with them).
std::string OptionUsage();
std::string OptionHelp();

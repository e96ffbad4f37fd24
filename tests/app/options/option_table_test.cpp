#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/options/parse_options.h"
#include "shots/playback/playback_options.h"

namespace {

ParsedOptions Parse(std::vector<std::string> words)
{
    static std::vector<std::string> kept;  // the values point into the words
    kept = std::move(words);
    return ParseOptions(kept);
}

// A count of digits only is a number out of range; anything else is no count.
std::string Refusal(const OptionRow& row, const std::string& value)
{
    const std::string needs = std::string(row.name) + " needs " + std::string(row.what) + " from " + OptionRangeText(row);
    const bool digits = value.find_first_not_of("0123456789") == std::string::npos;
    if (row.kind == OptionKind::Count && digits) return needs + ": '" + value + "' is out of range";
    return needs + ", not '" + value + "'";
}

bool Ranged(const OptionRow& row) { return row.kind == OptionKind::Count || row.kind == OptionKind::Decimal; }

TEST(OptionTable, EveryOptionHasOneRowAndAUniqueName)
{
    for (int id = 0; id <= int(OptionId::Version); ++id) EXPECT_EQ(OptionOf(OptionId(id)).id, OptionId(id)) << id;
    for (const OptionRow& row : OptionTable()) {
        EXPECT_EQ(FindOption(row.name), &row) << row.name;
        if (!row.alias.empty()) {
            EXPECT_EQ(FindOption(row.alias), &row) << row.alias;
        }
    }
}

TEST(OptionTable, EveryRangeAcceptsItsEndsAndRefusesJustOutside)
{
    for (const OptionRow& row : OptionTable()) {
        if (!Ranged(row)) continue;
        const std::string name(row.name);
        for (const double end : {row.low, row.high}) {
            const ParsedOptions parsed = Parse({name, OptionNumberText(end)});
            ASSERT_EQ(parsed.error, "") << name;
            ASSERT_EQ(parsed.options.size(), 1u);
            EXPECT_EQ(parsed.options[0].row, &row);
            EXPECT_EQ(parsed.options[0].number, end) << name;
        }
        const double step = row.kind == OptionKind::Count ? 1 : 0.01;
        for (const double outside : {row.low - step, row.high + step}) {
            const std::string value = OptionNumberText(outside);
            EXPECT_EQ(Parse({name + "=" + value}).error, Refusal(row, value)) << name;
        }
    }
}

TEST(OptionTable, HelpShowsEveryOptionWithItsRange)
{
    const std::string help = OptionHelp();
    ASSERT_EQ(help.rfind(OptionUsage(), 0), 0u);
    for (const OptionRow& row : OptionTable()) {
        const std::string label = "\n  " + std::string(row.name) + " ";
        const std::size_t at = help.find(label);
        ASSERT_NE(at, std::string::npos) << label;
        EXPECT_NE(OptionUsage().find(OptionLabel(row)), std::string::npos) << label;
        if (!Ranged(row)) continue;
        // The range is in the option's own entry, before the next one.
        const std::string entry = help.substr(at, help.find("\n  -", at + 1) - at);
        EXPECT_NE(entry.find(OptionRangeText(row)), std::string::npos) << entry;
    }
}

// Hostile values never crash, and a value taken is in its range.
TEST(OptionParse, OddValuesAreRefusedOrInRange)
{
    const char* values[] = {"", "=", "-", "--", "nan", "inf", "-0", "1e400", "0x10", "6.25e0", "99999999999999999999999"};
    for (const OptionRow& row : OptionTable()) {
        const std::string name(row.name);
        for (const char* value : values) {
            for (const ParsedOptions& parsed : {Parse({name, value}), Parse({name + "=" + value}), Parse({name})}) {
                if (!parsed.error.empty() || !Ranged(row)) continue;
                ASSERT_EQ(parsed.options.size(), 1u) << name << ' ' << value;
                EXPECT_GE(parsed.options[0].number, row.low) << name << ' ' << value;
                EXPECT_LE(parsed.options[0].number, row.high) << name << ' ' << value;
            }
        }
    }
}

TEST(OptionTable, LoopChoicesAreTheLoopModesInOrder)
{
    const OptionRow& loop = OptionOf(OptionId::Loop);
    for (const LoopMode mode : {LoopMode::Wrap, LoopMode::PingPong, LoopMode::Once})
        EXPECT_EQ(loop.choices[std::size_t(mode)], LoopModeName(mode));
}

struct WordsCase {
    std::vector<std::string> words;
    std::string error;
};

// The messages people and scripts see; a refused value is quoted as given.
TEST(OptionParse, RefusalsSayWhatWasWanted)
{
    const WordsCase cases[] = {
        {{"--max-shots", "1000001"}, "--max-shots needs a number of shots from 1 to 1000000: '1000001' is out of range"},
        {{"--max-shots", "0"}, "--max-shots needs a number of shots from 1 to 1000000: '0' is out of range"},
        {{"--shot", "1234567890"}, "--shot needs a shot number from 0 to 999999999: '1234567890' is out of range"},
        {{"--shot", "12a"}, "--shot needs a shot number from 0 to 999999999, not '12a'"},
        {{"--play=garbage"}, "unknown option '--play=garbage'"},
        {{"--cache-mb", "65537"}, "--cache-mb needs a number of MiB from 0 to 65536: '65537' is out of range"},
        {{"--loop", "bounce"}, "--loop needs wrap, pingpong or once, not 'bounce'"},
        {{"--loop"}, "--loop needs a value"},
        {{"--interval"}, "--interval needs a number of milliseconds"},
        {{"--shot"}, "--shot needs a shot number"},
        {{"--fit", "square"}, "--fit needs stretch or aspect, not 'square'"},
        {{"--fit"}, "--fit needs stretch or aspect"},
        {{"--zoom", "big"}, "--zoom needs a percentage from 6.25 to 3200, not 'big'"},
        {{"--screenshot="}, "--screenshot needs a file name"},
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"--play=no"}, "unknown option '--play=no'"},
        {{"-platform", "offscreen"}, "unknown option '-platform'"},
    };
    for (const WordsCase& c : cases) EXPECT_EQ(Parse(c.words).error, c.error) << c.words[0];
}

TEST(OptionParse, IntervalIsWholeMillisecondsOnly)
{
    const std::string needs = "--interval needs a whole number of milliseconds from 5 to 60000";
    for (const char* text : {"", "-100", "+100", "1e3", "100ms", " 100"})
        EXPECT_EQ(Parse({"--interval", text}).error, needs + ", not '" + text + "'");
    for (const char* text : {"4", "0", "60001", "99999999999999999999"})
        EXPECT_EQ(Parse({"--interval", text}).error, needs + ": '" + text + "' is out of range");
    const ParsedOptions parsed = Parse({"--interval=0050"});
    ASSERT_EQ(parsed.options.size(), 1u);
    EXPECT_EQ(parsed.options[0].number, 50);
}

TEST(OptionParse, ValuesStayInTheirWords)
{
    const ParsedOptions parsed = Parse({"a.gif", "--screenshot=out.png", "--loop", "once", "--", "--help"});
    ASSERT_EQ(parsed.error, "");
    ASSERT_EQ(parsed.options.size(), 2u);
    EXPECT_EQ(parsed.options[0].word, 1u);
    EXPECT_EQ(parsed.options[0].offset, std::string("--screenshot=").size());
    EXPECT_EQ(parsed.options[1].word, 3u);
    EXPECT_EQ(parsed.options[1].choice, 2);
    EXPECT_EQ(parsed.paths, (std::vector<std::size_t>{0, 5}));
}

}  // namespace

#include "shots/playback/playback_options.h"

#include <array>

namespace {

struct NumberOption {
    std::string_view name;
    int low;
    int high;
    const char* what;
};

constexpr std::array<NumberOption, 5> kNumberOptions = {{
    {"--max-shots", 1, 1000000, "a number of shots"},
    {"--exit-after", 0, 86400000, "a number of milliseconds"},
    {"--in", 0, 999999999, "a shot number"},
    {"--out", 0, 999999999, "a shot number"},
    {"--cache-mb", 0, 65536, "a number of MiB"},
}};

const NumberOption* FindNumberOption(std::string_view name)
{
    for (const NumberOption& option : kNumberOptions) {
        if (option.name == name) return &option;
    }
    return nullptr;
}

}  // namespace

bool ParseBoundedNumber(std::string_view text, int low, int high, int& value)
{
    if (text.empty()) return false;
    long long number = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        if (number <= high) number = number * 10 + (c - '0');  // stops growing once too large
    }
    if (number < low || number > high) return false;
    value = int(number);
    return true;
}

bool IsPlaybackOption(std::string_view name)
{
    return FindNumberOption(name) || name == "--play" || name == "--print-play-stats" || name == "--reverse" ||
           name == "--loop";
}

bool PlaybackOptionTakesValue(std::string_view name) { return FindNumberOption(name) || name == "--loop"; }

bool ApplyPlaybackOption(std::string_view name, std::string_view value, PlaybackOptions& options,
                         std::string& reason)
{
    if (name == "--play") {
        options.play = true;
    } else if (name == "--print-play-stats") {
        options.printPlayStats = true;
    } else if (name == "--reverse") {
        options.reverse = true;
    } else if (name == "--loop") {
        if (value == "wrap") {
            options.loop = LoopMode::Wrap;
        } else if (value == "pingpong") {
            options.loop = LoopMode::PingPong;
        } else if (value == "once") {
            options.loop = LoopMode::Once;
        } else {
            reason = "--loop needs wrap, pingpong or once, not '" + std::string(value) + "'";
            return false;
        }
    } else if (const NumberOption* option = FindNumberOption(name)) {
        int number = 0;
        if (!ParseBoundedNumber(value, option->low, option->high, number)) {
            reason = std::string(name) + " needs " + option->what + " from " + std::to_string(option->low) + " to " +
                     std::to_string(option->high) + ", not '" + std::string(value) + "'";
            return false;
        }
        if (name == "--max-shots") options.maxShots = number;
        if (name == "--exit-after") options.exitAfterMs = number;
        if (name == "--in") options.inShot = number;
        if (name == "--out") options.outShot = number;
        if (name == "--cache-mb") options.cacheMb = number;
    } else {
        reason = "unknown option '" + std::string(name) + "'";
        return false;
    }
    return true;
}

const char* LoopModeName(LoopMode mode)
{
    switch (mode) {
    case LoopMode::PingPong:
        return "pingpong";
    case LoopMode::Once:
        return "once";
    case LoopMode::Wrap:
        break;
    }
    return "wrap";
}

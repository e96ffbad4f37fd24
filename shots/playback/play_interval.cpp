#include "shots/playback/play_interval.h"

bool ParsePlayInterval(std::string_view text, int& milliseconds, std::string& reason)
{
    long long value = 0;
    bool digits = !text.empty();
    for (char c : text) {
        if (c < '0' || c > '9') {
            digits = false;
            break;
        }
        if (value <= PLAY_INTERVAL_MAX_MS) value = value * 10 + (c - '0');  // stops growing once too large
    }
    if (!digits || value < PLAY_INTERVAL_MIN_MS || value > PLAY_INTERVAL_MAX_MS) {
        reason = "--interval needs a whole number of milliseconds from " + std::to_string(PLAY_INTERVAL_MIN_MS) +
                 " to " + std::to_string(PLAY_INTERVAL_MAX_MS) + ", not '" + std::string(text) + "'";
        return false;
    }
    milliseconds = int(value);
    return true;
}

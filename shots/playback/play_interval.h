// The play interval a user may choose (`--interval MS`): how long each shot
// stays on display while playing.
#pragma once

#include <string>
#include <string_view>

constexpr int PLAY_INTERVAL_DEFAULT_MS = 1000;
constexpr int PLAY_INTERVAL_MIN_MS = 5;
constexpr int PLAY_INTERVAL_MAX_MS = 60000;

// Decimal digits only, PLAY_INTERVAL_MIN_MS to PLAY_INTERVAL_MAX_MS. False
// with a one-line reason otherwise; milliseconds is then left unchanged.
bool ParsePlayInterval(std::string_view text, int& milliseconds, std::string& reason);

// The play interval a user may choose (`--interval MS`, the keys + and -):
// how long each shot stays on display while playing.
#pragma once

constexpr int PLAY_INTERVAL_DEFAULT_MS = 1000;
constexpr int PLAY_INTERVAL_MIN_MS = 5;
constexpr int PLAY_INTERVAL_MAX_MS = 60000;

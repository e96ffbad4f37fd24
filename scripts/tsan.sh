#!/usr/bin/env bash
# Builds the Qt-free tests with ThreadSanitizer and runs them: the shot
# cache, the thumbnail maker, the two-thread listing, the follower's core and
# the export's encoders run worker threads there. Not part of `make test` (it
# would add a third full build); run it after changing anything those threads
# touch.
#
#   scripts/tsan.sh [GTEST_FILTER]
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTREL_BUILD_GUI=OFF \
  -DKESTREL_BUILD_BENCH=OFF -DCMAKE_CXX_FLAGS=-fsanitize=thread -DCMAKE_C_FLAGS=-fsanitize=thread \
  -DCMAKE_EXE_LINKER_FLAGS=-fsanitize=thread >/dev/null
cmake --build build-tsan -j "${JOBS:-$(nproc)}" --target kestrel_tests kestrel_export_tests
TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1} build-tsan/tests/kestrel_tests --gtest_filter="${1:-*}"
TSAN_OPTIONS=${TSAN_OPTIONS:-halt_on_error=1} build-tsan/tests/export/kestrel_export_tests --gtest_filter="${1:-*}"

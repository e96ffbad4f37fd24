#!/usr/bin/env bash
# Builds Kestrel and runs every test: the normal build, then the whole suite
# again under AddressSanitizer and UndefinedBehaviorSanitizer, then a short
# smoke run of every fuzz target.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh

JOBS=${JOBS:-$(nproc)}
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

run_suite() {
  local dir=$1; shift
  echo "== configure $dir"
  cmake -S . -B "$dir" -G Ninja "$@" >/dev/null
  echo "== build $dir"
  cmake --build "$dir" -j "$JOBS"
  echo "== test $dir"
  ctest --test-dir "$dir" -j "$JOBS" --output-on-failure
}

run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo
run_suite build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON -DKESTREL_BUILD_BENCH=OFF

# A short run of each fuzz target over its seed corpus (clang, libFuzzer,
# ASan, UBSan); scripts/fuzz.sh runs them for longer.
echo "== fuzz smoke"
bash scripts/fuzz.sh --smoke -t "${FUZZ_SMOKE_SECONDS:-20}"

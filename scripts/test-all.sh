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

# Stages, fastest first, so that a broken build or a broken library fails in
# minutes: the Qt-free unit tests, then the Qt tests headless (gui) and in a
# virtual X server (xvfb), then everything under the sanitizers, then the
# fuzz smoke run. Each stage says how long it took.
stage() {
  local name=$1; shift
  local start=$SECONDS
  echo "== stage $name"
  "$@"
  echo "== stage $name: $((SECONDS - start)) s"
}

# Compiler output is cached (ccache), keyed by paths relative to this
# checkout, so a second run, or a run from another clone on the same machine,
# compiles only what changed.
export CCACHE_BASEDIR=$PWD CCACHE_NOHASHDIR=1
configure() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G "${CMAKE_GENERATOR:-Ninja}" \
    -DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@" >/dev/null
}

unit_stage() {
  configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build build -j "$JOBS" --target kestrel_tests kestrel_export_tests kestrel-convert
  ctest --test-dir build -j "$JOBS" --output-on-failure -L unit
}

gui_stage() {
  cmake --build build -j "$JOBS"
  ctest --test-dir build -j "$JOBS" --output-on-failure -L gui
  ctest --test-dir build --output-on-failure -L xvfb
}

sanitize_stage() {
  configure build-sanitize -DCMAKE_BUILD_TYPE=Debug -DKESTREL_SANITIZE=ON -DKESTREL_BUILD_BENCH=OFF
  cmake --build build-sanitize -j "$JOBS"
  # Every test of this build is a sanitized one, so all of them run.
  ctest --test-dir build-sanitize -j "$JOBS" --output-on-failure
}

# A short run of each fuzz target over its seed corpus (clang, libFuzzer,
# ASan, UBSan); scripts/fuzz.sh runs them for longer.
fuzz_smoke_stage() {
  bash scripts/fuzz.sh --smoke -t "${FUZZ_SMOKE_SECONDS:-20}"
}

stage unit unit_stage
stage gui gui_stage
stage sanitize sanitize_stage
stage fuzz-smoke fuzz_smoke_stage

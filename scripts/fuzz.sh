#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan, UBSan) and runs each of them
# for a number of seconds over its seed corpus. Any input that crashes, leaks,
# times out or runs out of memory is stored as a regression input under
# tests/regressions/<format>/, which the normal test suite replays.
#
#   scripts/fuzz.sh [-t SECONDS] [--timeout SECONDS] [--smoke] [TARGET...]
#
#   -t SECONDS   run time per target (default 60)
#   --timeout SECONDS
#                time limit per input (default FUZZ_TIMEOUT, else 10); with
#                1 and FUZZ_MAX_LEN=1048576 any input of up to 1 MiB that
#                takes a second is a finding
#   --smoke      start from the seeds alone, in a throw-away corpus (for CI)
#   TARGET       decode, draw (default: both)
#
# Every run has an RSS limit of 2 GB, a per-input time limit, and a limit on
# any single allocation: four times Create's cap in the fuzz build, so a reader
# that allocates from header fields beyond what the cap allows is a finding.
#
# Environment: FUZZ_BUILD_DIR (default build-fuzz), FUZZ_TIMEOUT seconds per
# input (default 10), FUZZ_MAX_LEN bytes per input (default 65536),
# FUZZ_DIB_CAP Create's cap in bytes in the fuzz build (default 67108864),
# KESTREL_TESTDATA (default ../shared/testdata, used for seeds when present).
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
smoke=0
targets=()
while [ $# -gt 0 ]; do
  case "$1" in
    -t) seconds=$2; shift 2 ;;
    --timeout) FUZZ_TIMEOUT=$2; shift 2 ;;
    --smoke) smoke=1; shift ;;
    -h|--help) sed -n '2,24p' "$0"; exit 0 ;;
    *) targets+=("$1"); shift ;;
  esac
done

build=${FUZZ_BUILD_DIR:-build-fuzz}
timeout=${FUZZ_TIMEOUT:-10}
max_len=${FUZZ_MAX_LEN:-65536}
testdata=${KESTREL_TESTDATA:-../shared/testdata}
dib_cap=${FUZZ_DIB_CAP:-67108864}
malloc_limit_mb=$(( (dib_cap * 4 + 1048575) / 1048576 ))
[ "$malloc_limit_mb" -le 2048 ] || malloc_limit_mb=2048
formats=(bmp gif jpeg png ico tiff tga pcx)

echo "== build $build"
mkdir -p "$build"
launcher=()
command -v ccache >/dev/null 2>&1 && launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DKESTREL_FUZZ_DIB_CAP="$dib_cap" >"$build/configure.log" 2>&1 \
  || { cat "$build/configure.log"; exit 1; }
cmake --build "$build" -j "${JOBS:-2}" >"$build/build.log" 2>&1 \
  || { tail -40 "$build/build.log"; exit 1; }

rm -rf "$build/seeds"
"$build/kestrel_fuzz_seeds" "$build/seeds" "$testdata"

[ ${#targets[@]} -gt 0 ] || targets=(decode draw)

# Copies every finding of a run into tests/regressions/<format>/, named by
# target, kind and content hash, so the same input is never stored twice.
# Sets found=1 when there was anything to store.
store_findings() {
  local target=$1 artifacts=$2 file kind format code name
  for file in "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/timeout-* "$artifacts"/oom-*; do
    [ -f "$file" ] || continue
    kind=$(basename "$file"); kind=${kind%%-*}
    format=other
    if [ -s "$file" ]; then
      code=$(od -An -tu1 -N1 "$file" | tr -d ' ')
      format=${formats[$((code & 7))]}
    fi
    name="tests/regressions/$format/$target-$kind-$(sha1sum "$file" | cut -c1-12)"
    mkdir -p "tests/regressions/$format"
    cp "$file" "$name"
    echo "   stored $kind input as $name"
    found=1
  done
}

failed=0
for target in "${targets[@]}"; do
  binary="$build/kestrel_fuzz_$target"
  [ -x "$binary" ] || { echo "== $target: no such target"; failed=1; continue; }
  if [ "$smoke" = 1 ]; then corpus="$build/smoke-corpus/$target"; rm -rf "$corpus"; else corpus="$build/corpus/$target"; fi
  artifacts="$build/artifacts/$target"
  log="$build/fuzz-$target.log"
  rm -rf "$artifacts"
  mkdir -p "$corpus" "$artifacts"
  echo "== fuzz $target for ${seconds}s (log: $log)"
  set +e
  "$binary" -max_total_time="$seconds" -rss_limit_mb=2048 -malloc_limit_mb="$malloc_limit_mb" \
    -timeout="$timeout" -max_len="$max_len" \
    -dict=fuzz/formats.dict -close_fd_mask=2 -print_final_stats=1 -artifact_prefix="$artifacts/" \
    "$corpus" "$build/seeds/$target" >"$log" 2>&1
  status=$?
  set -e
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)' "$log" | sed 's/^/   /' || true
  found=0
  store_findings "$target" "$artifacts"
  if [ $found = 1 ] || [ $status -ne 0 ]; then
    echo "== $target FAILED (exit $status); the report:"
    grep -E -A40 '^==[0-9]+==ERROR|runtime error|ERROR: libFuzzer|decoded image breaks|failed load changed' "$log" | head -60
    failed=1
  fi
done
exit $failed

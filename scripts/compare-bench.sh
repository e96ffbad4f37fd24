#!/usr/bin/env bash
# Comparing two runs while they play, in a real X window (a virtual X
# server, Xvfb): run A is 120 shots of 1920x1080 dithered photos, run B the
# same photos with a box drawn into each (numbers 1 to 120 in both). Each
# compare mode plays at --interval 16 for 10 s:
#
#   scripts/compare-bench.sh [side|wipe|flip|diff|all] [extra kestrel options]
#
# Each prints kestrel's play statistics (--print-play-stats), the compare
# line of --print-status and its peak resident memory; the target is at
# most 1 % of the shots late in every mode. The pictures are made once under
# build/bench/pictures and kept; the program is build/app/kestrel. Every run
# holds the shared CPU lock.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/xvfb.sh
source scripts/xvfb.sh

what=${1:-all}
[ $# -gt 0 ] && shift
kestrel=${KESTREL:-build/app/kestrel}
pictures=build/bench/pictures
lock=/tmp/kestrel-cpu.lock

[ -x "$kestrel" ] || { echo "$kestrel is missing: build the kestrel target first" >&2; exit 1; }
for tool in Xvfb xdpyinfo convert; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (scripts/install-deps.sh)" >&2; exit 1; }
done

# 24 distinct photos copied to 120 names in each run, last-write times a
# second apart; B's have a white box.
make_runs() {
  local a=$pictures/compare-a b=$pictures/compare-b
  [ -f "$a/.complete" ] && [ -f "$b/.complete" ] && return
  rm -rf "$a" "$b" "$a.sources"
  mkdir -p "$a" "$b" "$a.sources"
  for seed in $(seq 1 24); do
    flock "$lock" convert -size 1920x1080 -seed "$seed" plasma:fractal -blur 0x3 \
      -dither FloydSteinberg -colors 256 "$a.sources/$seed.gif"
    # The box in the photo's own colours (remapped to its table): only the
    # box differs.
    flock "$lock" convert "$a.sources/$seed.gif" -fill white -draw 'rectangle 900,500 1000,560' \
      -dither None -remap "$a.sources/$seed.gif" "$a.sources/$seed-b.gif"
  done
  for n in $(seq 1 120); do
    local source=$(( (n - 1) % 24 + 1 ))
    cp "$a.sources/$source.gif" "$a/$(printf 'runa%04d.gif' "$n")"
    cp "$a.sources/$source-b.gif" "$b/$(printf 'runb%04d.gif' "$n")"
    touch -d "@$(( 1700000000 + n ))" "$a/$(printf 'runa%04d.gif' "$n")" "$b/$(printf 'runb%04d.gif' "$n")"
  done
  rm -rf "$a.sources"
  touch "$a/.complete" "$b/.complete"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-compare-bench.XXXXXX")
cleanup() {
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"

play() {
  local mode=$1
  shift
  echo "$mode: $kestrel --no-splash --play --interval 16 --exit-after 10000 --print-play-stats --print-status" \
    "--compare-mode $mode --compare $pictures/compare-b $* $pictures/compare-a"
  flock "$lock" /usr/bin/time -f 'max RSS %M KB, %e s elapsed, %U s user, %S s system' \
    "$kestrel" --no-splash --play --interval 16 --exit-after 10000 --print-play-stats --print-status \
    --compare-mode "$mode" --compare "$pictures/compare-b" "$@" "$pictures/compare-a"
}

make_runs
start_xvfb 1920x1080 "$work/xvfb.log" || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
case "$what" in
  side|wipe|flip|diff) play "$what" "$@" ;;
  all) for mode in side wipe flip diff; do play "$mode" "$@"; done ;;
  *) echo "usage: $0 [side|wipe|flip|diff|all] [kestrel options]" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# Playing shots of other types in a real X window (a virtual X server, Xvfb):
#
#   jpeg1080  120 shots of 1920x1080 photos, JPEG of quality 90, played with
#             --types jpg at --interval 16 for 10 s
#   png1080   the same photos as PNG at ImageMagick's default compression,
#             played with --types png at --interval 33 for 10 s
#
#   scripts/shot-types-bench.sh [jpeg1080|png1080|all] [extra kestrel options]
#
# Each prints kestrel's play statistics (--print-play-stats) and its peak
# resident memory; the target is at most 1 % of the shots late. The pictures
# are made once under build/bench/pictures and kept; the program is
# build/app/kestrel. Every run holds the shared CPU lock.
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
for tool in Xvfb convert; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (scripts/install-deps.sh)" >&2; exit 1; }
done

# 24 distinct photos, copied to 120 names; last-write times a second apart.
make_photos() {
  local kind=$1 extension=$2 options=$3
  local dir=$pictures/$kind
  [ -f "$dir/.complete" ] && return
  rm -rf "$dir" "$dir.sources"
  mkdir -p "$dir" "$dir.sources"
  for seed in $(seq 1 24); do
    # shellcheck disable=SC2086
    flock "$lock" convert -size 1920x1080 -seed "$seed" plasma:fractal -blur 0x3 -depth 8 $options \
      "$dir.sources/$seed.$extension"
  done
  for n in $(seq 1 120); do
    name=$(printf 'shot%04d.%s' "$n" "$extension")
    cp "$dir.sources/$(( (n - 1) % 24 + 1 )).$extension" "$dir/$name"
    touch -d "@$(( 1700000000 + n ))" "$dir/$name"
  done
  rm -rf "$dir.sources"
  touch "$dir/.complete"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-types-bench.XXXXXX")
cleanup() {
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"

play() {
  local kind=$1 types=$2 interval=$3
  shift 3
  echo "$kind: $kestrel --no-splash --types $types --play --interval $interval --exit-after 10000 --print-play-stats $* $pictures/$kind"
  flock "$lock" /usr/bin/time -f 'max RSS %M KB, %e s elapsed, %U s user, %S s system' \
    "$kestrel" --no-splash --types "$types" --play --interval "$interval" --exit-after 10000 --print-play-stats \
    "$@" "$pictures/$kind"
}

make_photos jpeg1080 jpg "-quality 90"
make_photos png1080 png ""
start_xvfb 1920x1080 "$work/xvfb.log" || { echo "Xvfb did not start" >&2; cat "$work/xvfb.log" >&2; exit 1; }
case $what in
  jpeg1080) play jpeg1080 jpg 16 "$@" ;;
  png1080) play png1080 png 33 "$@" ;;
  all) play jpeg1080 jpg 16 "$@"; play png1080 png 33 "$@" ;;
  *) echo "usage: $0 [jpeg1080|png1080|all] [kestrel options]" >&2; exit 2 ;;
esac

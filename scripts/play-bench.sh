#!/usr/bin/env bash
# Playing targets of the program itself, off screen:
#
#   play600  600 shots of 1920x1080 dithered photos (ImageMagick output,
#            about 1 MB each) played at --interval 16 for 10 s; prints the
#            play statistics and the peak resident memory.
#   open100k 100,000 small shots with --max-shots 100000: start, list and
#            paint the first shot, then quit (--exit-after 0), timed.
#
#   scripts/play-bench.sh [play600|open100k|all] [extra kestrel options]
#
# The directories are made once under build/bench/pictures and kept; the
# program is build/app/kestrel (build it first). Every run holds the shared
# CPU lock, as every build and benchmark on this machine does.
set -euo pipefail
cd "$(dirname "$0")/.."

what=${1:-all}
[ $# -gt 0 ] && shift
kestrel=${KESTREL:-build/app/kestrel}
pictures=build/bench/pictures
lock=/tmp/kestrel-cpu.lock
export QT_QPA_PLATFORM=offscreen

[ -x "$kestrel" ] || { echo "$kestrel is missing: build the kestrel target first" >&2; exit 1; }

# 24 distinct photos, copied to 600 names; last-write times one second
# apart in name order.
make_play600() {
  local dir=$pictures/play600
  [ -f "$dir/.complete" ] && return
  command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }
  rm -rf "$dir" "$dir.sources"
  mkdir -p "$dir" "$dir.sources"
  for seed in $(seq 1 24); do
    flock "$lock" convert -size 1920x1080 -seed "$seed" plasma:fractal -blur 0x3 \
      -dither FloydSteinberg -colors 256 "$dir.sources/$seed.gif"
  done
  for n in $(seq 1 600); do
    name=$(printf 'shot%04d.gif' "$n")
    cp "$dir.sources/$(( (n - 1) % 24 + 1 )).gif" "$dir/$name"
    touch -d "@$(( 1700000000 + n ))" "$dir/$name"
  done
  rm -rf "$dir.sources"
  touch "$dir/.complete"
}

make_open100k() {
  local dir=$pictures/open100k
  [ -f "$dir/.complete" ] && return
  rm -rf "$dir"
  mkdir -p "$dir"
  flock "$lock" convert -size 320x240 gradient:blue-yellow -colors 16 "$dir/source.gif"
  # Hard links, 100 to each of 1000 copies whose last-write times are a
  # second apart: runs of 100 shots equal in time, ordered as listed.
  python3 - "$dir" <<'EOF'
import os, shutil, sys
d = sys.argv[1]
for n in range(1, 100001):
    group = (n - 1) // 100
    source = os.path.join(d, "source%d.gif" % group)
    if not os.path.exists(source):
        shutil.copyfile(os.path.join(d, "source.gif"), source)
        os.utime(source, (1700000000 + group, 1700000000 + group))
    os.link(source, os.path.join(d, "shot%06d.gif" % n))
for name in os.listdir(d):
    if name.startswith("source"):
        os.remove(os.path.join(d, name))
EOF
  touch "$dir/.complete"
}

run_play600() {
  make_play600
  echo "play600: $kestrel --no-splash --play --interval 16 --exit-after 10000 --print-play-stats $* $pictures/play600"
  flock "$lock" /usr/bin/time -f 'max RSS %M KB, %e s elapsed, %U s user, %S s system' \
    "$kestrel" --no-splash --play --interval 16 --exit-after 10000 --print-play-stats "$@" "$pictures/play600"
}

run_open100k() {
  make_open100k
  # Once to warm the file cache, then timed.
  flock "$lock" "$kestrel" --no-splash --max-shots 100000 --exit-after 0 "$@" "$pictures/open100k" >/dev/null
  echo "open100k: $kestrel --no-splash --max-shots 100000 --exit-after 0 --print-status $* $pictures/open100k"
  flock "$lock" /usr/bin/time -f '%e s elapsed, %U s user, %S s system, max RSS %M KB' \
    "$kestrel" --no-splash --max-shots 100000 --exit-after 0 --print-status "$@" "$pictures/open100k"
}

case "$what" in
  play600) run_play600 "$@" ;;
  open100k) run_open100k "$@" ;;
  all) run_play600 "$@"; run_open100k "$@" ;;
  *) echo "usage: $0 [play600|open100k|all] [kestrel options]" >&2; exit 2 ;;
esac

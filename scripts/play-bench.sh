#!/usr/bin/env bash
# Playing targets of the program itself, off screen:
#
#   play600  600 shots of 1920x1080 dithered photos (ImageMagick output,
#            about 1 MB each) played at --interval 16 for 10 s; prints the
#            play statistics and the peak resident memory.
#   open100k 100,000 small shots with --max-shots 100000: start, list and
#            paint the first shot, then quit (--exit-after 0), timed.
#   open1m   the same with 1,000,000 shots and --max-shots 1000000, then
#            --list of that directory, timed.
#
#   scripts/play-bench.sh [play600|open100k|open1m|all] [extra kestrel options]
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

# COUNT hard links to copies of one small GIF, 100 to each copy, the
# copies' last-write times a second apart: runs of 100 shots equal in time,
# ordered as listed.
make_open() {
  local count=$1 dir=$2
  [ -f "$dir/.complete" ] && return
  rm -rf "$dir"
  mkdir -p "$dir"
  flock "$lock" convert -size 320x240 gradient:blue-yellow -colors 16 "$dir/source.gif"
  python3 - "$dir" "$count" <<'EOF'
import os, shutil, sys
d, count = sys.argv[1], int(sys.argv[2])
digits = len(str(count - 1))
for n in range(1, count + 1):
    group = (n - 1) // 100
    source = os.path.join(d, "source%d.gif" % group)
    if not os.path.exists(source):
        shutil.copyfile(os.path.join(d, "source.gif"), source)
        os.utime(source, (1700000000 + group, 1700000000 + group))
    os.link(source, os.path.join(d, "shot%0*d.gif" % (digits, n)))
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

# Opens COUNT shots: once to warm the file cache, then timed; with "list",
# times --list of them too.
run_open() {
  local count=$1 dir=$2 list=$3
  shift 3
  make_open "$count" "$dir"
  flock "$lock" "$kestrel" --no-splash --max-shots "$count" --exit-after 0 "$@" "$dir" >/dev/null
  echo "open $count: $kestrel --no-splash --max-shots $count --exit-after 0 --print-status $* $dir"
  flock "$lock" /usr/bin/time -f '%e s elapsed, %U s user, %S s system, max RSS %M KB' \
    "$kestrel" --no-splash --max-shots "$count" --exit-after 0 --print-status "$@" "$dir"
  if [ "$list" = list ]; then
    echo "list $count: $kestrel --max-shots $count --list $dir > /dev/null"
    flock "$lock" /usr/bin/time -f '%e s elapsed, %U s user, %S s system, max RSS %M KB' \
      "$kestrel" --max-shots "$count" --list "$dir" >/dev/null
  fi
}

case "$what" in
  play600) run_play600 "$@" ;;
  open100k) run_open 100000 "$pictures/open100k" nolist "$@" ;;
  open1m) run_open 1000000 "$pictures/open1m" list "$@" ;;
  all) run_play600 "$@"; run_open 100000 "$pictures/open100k" nolist "$@"; run_open 1000000 "$pictures/open1m" list "$@" ;;
  *) echo "usage: $0 [play600|open100k|open1m|all] [kestrel options]" >&2; exit 2 ;;
esac

#!/usr/bin/env bash
# The resident set of the real program while it plays 1920x1080 photo shots:
# kestrel in a 2560x1440 virtual X server on 16 dithered 256-colour photos
# (ImageMagick plasma with grain), the play interval at its 20 ms minimum,
# Space to play. Samples /proc/PID/statm every half second and counts the
# shot files opened while playing (strace on openat), so the number of real
# loads is known rather than guessed.
#
#   tools/play_memory_check.sh build/app/kestrel [SECONDS]
#
# Needs Xvfb, xdotool, ImageMagick's convert and strace. Prints the resident
# set before playing, its lowest and highest value while playing, the shots
# loaded and the CPU time used.
set -euo pipefail

KESTREL=${1:?usage: play_memory_check.sh PATH/TO/kestrel [SECONDS]}
PLAY_SECONDS=${2:-15}

for tool in Xvfb xdotool convert strace; do
  command -v "$tool" >/dev/null 2>&1 || { echo "'$tool' is not installed"; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-play-memory.XXXXXX")
xvfb_pid=
tracer_pid=
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  [ -n "$tracer_pid" ] && kill "$tracer_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

mkdir "$work/shots"
for i in $(seq -w 1 16); do
  convert -size 1920x1080 -seed "$((10#$i))" plasma:fractal -attenuate 0.3 +noise Gaussian \
    -dither FloydSteinberg -colors 256 "$work/shots/shot00$i.gif"
done

Xvfb -displayfd 3 -screen 0 2560x1440x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
for _ in $(seq 100); do
  [ -s "$work/display" ] && break
  sleep 0.1
done
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
export XDG_CONFIG_HOME="$work/config"

strace -f --seccomp-bpf -e trace=openat -o "$work/opens" \
  "$KESTREL" --no-splash --interval 20 "$work/shots" >"$work/kestrel.log" 2>&1 &
tracer_pid=$!
for _ in $(seq 100); do
  pid=$(pgrep -x kestrel -P "$tracer_pid" | head -n1 || true)
  [ -n "$pid" ] && break
  sleep 0.1
done
[ -n "$pid" ] || { echo "kestrel did not start"; exit 1; }

window=
for _ in $(seq 150); do
  window=$(xdotool search --onlyvisible --name 'KESTREL$' 2>/dev/null | head -n1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || { echo "the main window did not appear"; exit 1; }
xdotool windowfocus --sync "$window"
xdotool windowsize --sync "$window" 2560 1440 || true

page=$(getconf PAGESIZE)
resident_mb() { awk -v page="$page" '{ printf "%.1f\n", $2 * page / 1048576 }' "/proc/$pid/statm"; }
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$pid/stat"; }
loads() { grep -c "$work/shots/" "$work/opens" || true; }

echo "resident before playing: $(resident_mb) MB"
ticks_before=$(cpu_ticks)
loads_before=$(loads)
xdotool key space
for _ in $(seq $((PLAY_SECONDS * 2))); do
  sleep 0.5
  resident_mb >>"$work/samples"
done
echo "resident while playing: lowest $(sort -n "$work/samples" | head -n1) MB, highest $(sort -n "$work/samples" | tail -n1) MB ($(wc -l <"$work/samples") samples, the first after 0.5 s)"
echo "shots loaded while playing: $(($(loads) - loads_before)) in ${PLAY_SECONDS} s"
echo "CPU time while playing: $(( ($(cpu_ticks) - ticks_before) * 1000 / $(getconf CLK_TCK) )) ms"

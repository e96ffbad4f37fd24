#!/usr/bin/env bash
# Kestrel beside a widely used media player (Debian's mpv), in a real X
# window: the same shot directories played by each at 30, 60 and 120 shots
# a second for 10 s, one table at the end.
#
#   scripts/peer-bench.sh [1080p|4k|all] [rates...]      (all 30 60 120 by default)
#
#   1080p  600 1920x1080 dithered photo GIFs (ImageMagick), about 1 MB each
#   4k     300 3840x2160 dithered photo GIFs
#
# Kestrel plays with --play --interval MS --exit-after 10000
# --print-play-stats (every shot is shown; a shot more than half an interval
# late counts as late). mpv plays mf://DIR/*.gif at --mf-fps RATE with
# --vo=x11 and no audio; after 10 s of wall time its own counters are read
# over its JSON control socket: frames shown, frames dropped (by the decoder
# and the video output), and how far its clock fell behind the wall clock.
#
# Each run has its own Xvfb. The directories are made once under
# build/bench/pictures and kept; mpv is installed from Debian when missing.
# Every run holds the shared CPU lock, as builds and benchmarks do.
set -euo pipefail
cd "$(dirname "$0")/.."
# shellcheck source=scripts/xvfb.sh
source scripts/xvfb.sh

what=${1:-all}
[ $# -gt 0 ] && shift
rates=("$@")
[ ${#rates[@]} -gt 0 ] || rates=(30 60 120)
kestrel=${KESTREL:-build/app/kestrel}
pictures=build/bench/pictures
lock=/tmp/kestrel-cpu.lock

[ -x "$kestrel" ] || { echo "$kestrel is missing: build the kestrel target first" >&2; exit 1; }
for tool in Xvfb xdpyinfo convert python3; do
  command -v "$tool" >/dev/null || { echo "$tool is needed (scripts/install-deps.sh)" >&2; exit 1; }
done
if ! command -v mpv >/dev/null; then
  echo "installing mpv from Debian (a peer for this benchmark only)" >&2
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends mpv >/dev/null
fi

# sources distinct photos of width x height, copied to count names whose
# last-write times are a second apart in name order.
make_shots() {
  local kind=$1 width=$2 height=$3 sources=$4 count=$5
  local dir=$pictures/peer-$kind
  [ -f "$dir/.complete" ] && return
  rm -rf "$dir" "$dir.sources"
  mkdir -p "$dir" "$dir.sources"
  for seed in $(seq 1 "$sources"); do
    flock "$lock" convert -size "${width}x${height}" -seed "$seed" plasma:fractal -blur 0x3 \
      -dither FloydSteinberg -colors 256 "$dir.sources/$seed.gif"
  done
  for n in $(seq 1 "$count"); do
    name=$(printf 'shot%04d.gif' "$n")
    cp "$dir.sources/$(( (n - 1) % sources + 1 )).gif" "$dir/$name"
    touch -d "@$(( 1700000000 + n ))" "$dir/$name"
  done
  rm -rf "$dir.sources"
  touch "$dir/.complete"
}

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-peer-bench.XXXXXX")
cleanup() {
  stop_xvfb
  rm -rf "$work"
}
trap cleanup EXIT

unset WAYLAND_DISPLAY
export XDG_CONFIG_HOME="$work/config"
table=$work/table

# kestrel KIND RATE: one row.
run_kestrel() {
  local kind=$1 rate=$2
  local interval=$(( 1000 / rate ))
  start_xvfb 3840x2160 "$work/xvfb.log" || { echo "Xvfb did not start" >&2; exit 1; }
  local line
  line=$(QT_QPA_PLATFORM=xcb flock "$lock" "$kestrel" --no-splash --play --interval "$interval" --exit-after 10000 \
    --print-play-stats "$pictures/peer-$kind" 2>/dev/null | grep '^played:' || true)
  stop_xvfb
  # played: N shots shown, M late, worst W ms late
  python3 - "$kind" "$rate" "$line" >>"$table" <<'EOF'
import re, sys
kind, rate, line = sys.argv[1:4]
m = re.match(r"played: (\d+) shots shown, (\d+) late, worst (-?\d+) ms late", line)
if m:
    print(f"kestrel\t{kind}\t{rate}\t{m[1]}\t{m[2]} late\tworst {m[3]} ms late")
else:
    print(f"kestrel\t{kind}\t{rate}\t-\t-\tno statistics")
EOF
}

# mpv KIND RATE: one row, from mpv's own counters after 10 s.
run_mpv() {
  local kind=$1 rate=$2
  start_xvfb 3840x2160 "$work/xvfb.log" || { echo "Xvfb did not start" >&2; exit 1; }
  local socket=$work/mpv.sock
  rm -f "$socket"
  flock "$lock" python3 - "$kind" "$rate" "$socket" "$pictures/peer-$kind" >>"$table" <<'EOF'
import json, os, socket, subprocess, sys, time
kind, rate, path, directory = sys.argv[1:5]
player = subprocess.Popen(
    ["mpv", "--no-config", "--vo=x11", "--no-audio", "--really-quiet", "--loop-file=inf",
     f"--mf-fps={rate}", f"--input-ipc-server={path}", f"mf://{directory}/*.gif"],
    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
def ask(name):
    with socket.socket(socket.AF_UNIX) as s:
        s.connect(path)
        s.sendall(json.dumps({"command": ["get_property", name]}).encode() + b"\n")
        data = b""
        while not data.endswith(b"\n"):
            chunk = s.recv(4096)
            if not chunk:
                break
            data += chunk
        for line in data.splitlines():
            reply = json.loads(line)
            if "error" in reply:
                return reply.get("data")
    return None
started = None
for _ in range(300):
    if os.path.exists(path):
        try:
            if ask("playback-time") is not None:
                started = time.monotonic()
                break
        except OSError:
            pass
    time.sleep(0.05)
row = f"mpv\t{kind}\t{rate}\t-\t-\tdid not start"
if started is not None:
    time.sleep(max(0.0, 10.0 - (time.monotonic() - started)))
    wall = time.monotonic() - started
    played = ask("playback-time") or 0.0
    shown = ask("estimated-frame-number") or 0
    dropped = (ask("frame-drop-count") or 0) + (ask("decoder-frame-drop-count") or 0)
    behind = max(0.0, wall - played)
    row = f"mpv\t{kind}\t{rate}\t{shown}\t{dropped} dropped\t{behind * 1000:.0f} ms behind"
player.terminate()
try:
    player.wait(5)
except subprocess.TimeoutExpired:
    player.kill()
print(row)
EOF
  stop_xvfb
}

run_kind() {
  local kind=$1
  case $kind in
    1080p) make_shots 1080p 1920 1080 24 600 ;;
    4k) make_shots 4k 3840 2160 12 300 ;;
  esac
  for rate in "${rates[@]}"; do
    echo "$kind at $rate a second: kestrel, then mpv" >&2
    run_kestrel "$kind" "$rate"
    run_mpv "$kind" "$rate"
  done
}

: >"$table"
case $what in
  1080p|4k) run_kind "$what" ;;
  all) run_kind 1080p; run_kind 4k ;;
  *) echo "usage: $0 [1080p|4k|all] [rates...]" >&2; exit 2 ;;
esac

printf '| tool | shots | rate /s | shown in 10 s | late or dropped | worst |\n|---|---|---|---|---|---|\n'
while IFS=$'\t' read -r tool kind rate shown late worst; do
  printf '| %s | %s | %s | %s | %s | %s |\n' "$tool" "$kind" "$rate" "$shown" "$late" "$worst"
done <"$table"

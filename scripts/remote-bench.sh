#!/usr/bin/env bash
# The control socket's targets, with a client in the same run, while the
# program plays 1920x1080 shots at --interval 16 off screen:
#
#   status   1000 get-status round trips one after another: p50, p99, worst
#            (target: p99 under 5 ms), beside the same while stopped
#   load     one client asks get-status 1000 times a second for 10 s; the
#            run's play statistics (target: at most 1 % of the shots late)
#   arrival  a complete shot is renamed into the followed directory 20 times;
#            from the rename to the client reading shot-added: p50, worst
#            (target: under 100 ms; this includes the follower's own taking
#            of the shot, so it bounds the socket's part from above)
#
#   scripts/remote-bench.sh        (build the kestrel target first)
#
# The shots are made once under build/bench/pictures/remote120 and kept.
# The run holds the shared CPU lock, as every benchmark on this machine does.
set -euo pipefail
cd "$(dirname "$0")/.."

kestrel=${KESTREL:-build/app/kestrel}
dir=build/bench/pictures/remote120
lock=/tmp/kestrel-cpu.lock
export QT_QPA_PLATFORM=offscreen
[ -x "$kestrel" ] || { echo "$kestrel is missing: build the kestrel target first" >&2; exit 1; }
command -v python3 >/dev/null || { echo "python3 is needed for the client" >&2; exit 1; }

if [ ! -f "$dir/.complete" ]; then
  command -v convert >/dev/null || { echo "ImageMagick's convert is needed" >&2; exit 1; }
  rm -rf "$dir" "$dir.sources"
  mkdir -p "$dir" "$dir.sources"
  for seed in $(seq 1 12); do
    flock "$lock" convert -size 1920x1080 -seed "$seed" plasma:fractal -blur 0x3 \
      -dither FloydSteinberg -colors 256 "$dir.sources/$seed.gif"
  done
  for n in $(seq 1 120); do
    cp "$dir.sources/$(( (n - 1) % 12 + 1 )).gif" "$dir/$(printf 'shot%04d.gif' "$n")"
    touch -d "@$(( 1700000000 + n ))" "$dir/$(printf 'shot%04d.gif' "$n")"
  done
  mv "$dir.sources/1.gif" "$dir/../remote-arrival.gif"
  rm -rf "$dir.sources"
  touch "$dir/.complete"
fi
# Arrivals of earlier runs go.
find "$dir" -name 'late*.gif' -delete

socket=$(mktemp -u /tmp/kestrel-bench-XXXXXX.sock)
flock "$lock" python3 - "$kestrel" "$dir" "$socket" <<'PY'
import json, os, shutil, socket, subprocess, sys, time

kestrel, directory, path = sys.argv[1:4]
viewer = subprocess.Popen([kestrel, "--no-splash", "--follow", "--interval", "16", "--ipc", path, directory])
try:
    for _ in range(200):
        if os.path.exists(path):
            break
        time.sleep(0.05)
    client = socket.socket(socket.AF_UNIX)
    client.connect(path)
    reader = client.makefile("rb")
    next_id = [0]
    kept = []  # events that came while waiting for a reply

    def ask(*command):
        next_id[0] += 1
        client.sendall((json.dumps({"command": list(command), "request_id": next_id[0]}) + "\n").encode())
        while True:
            message = json.loads(reader.readline())
            if message.get("request_id") == next_id[0]:
                return message
            if message.get("event") in ("playback-stopped", "shot-added"):
                kept.append(message)

    def event(name):
        while kept:
            message = kept.pop(0)
            if message.get("event") == name:
                return message
        while True:
            message = json.loads(reader.readline())
            if message.get("event") == name:
                return message

    def pct(values, p):
        values = sorted(values)
        return values[min(len(values) - 1, int(len(values) * p / 100))]

    def round_trips():
        times = []
        for _ in range(1000):
            start = time.perf_counter()
            ask("get-status")
            times.append((time.perf_counter() - start) * 1000)
        return times

    # The peer: the same requests while nothing plays.
    idle = round_trips()
    assert ask("play")["error"] == "success"
    time.sleep(1)
    times = round_trips()
    print(f"status: get-status round trip over 1000 while playing: p50 {pct(times, 50):.3f} ms, "
          f"p99 {pct(times, 99):.3f} ms, worst {max(times):.3f} ms (target p99 < 5 ms); "
          f"stopped: p50 {pct(idle, 50):.3f} ms, p99 {pct(idle, 99):.3f} ms; "
          f"p99 playing/stopped {pct(times, 99) / pct(idle, 99):.1f}")
    ask("stop")
    kept.clear()

    assert ask("play")["error"] == "success"
    start = time.perf_counter()
    for n in range(10000):
        delay = start + n / 1000 - time.perf_counter()
        if delay > 0:
            time.sleep(delay)
        ask("get-status")
    rate = 10000 / (time.perf_counter() - start)
    ask("stop")
    stats = event("playback-stopped")
    shown, late = stats["shown"], stats["late"]
    print(f"load: {rate:.0f} requests/s for 10 s while playing: {shown} shots shown, {late} late "
          f"({100 * late / max(1, shown):.2f} %), worst {stats['worst-late-ms']} ms late (target <= 1 %)")

    source = os.path.join(os.path.dirname(directory), "remote-arrival.gif")
    delays = []
    for n in range(20):
        temporary = os.path.join(os.path.dirname(directory), "arriving.tmp")
        shutil.copyfile(source, temporary)
        name = os.path.join(directory, f"late{9000 + n:04d}.gif")
        start = time.perf_counter()
        os.rename(temporary, name)
        while True:
            message = event("shot-added")
            if message["file"].endswith(os.path.basename(name)):
                break
        delays.append((time.perf_counter() - start) * 1000)
        time.sleep(0.05)
    print(f"arrival: rename to shot-added over 20 shots: p50 {pct(delays, 50):.1f} ms, "
          f"worst {max(delays):.1f} ms (target < 100 ms)")
    ask("quit")
    viewer.wait(timeout=10)
finally:
    if viewer.poll() is None:
        viewer.kill()
PY

#!/usr/bin/env bash
# The real-window test: starts kestrel in a virtual X server on a directory
# of four one-colour shots, drives it with real key events (xdotool), takes
# screenshots of the whole screen and checks that the expected shot's colour
# is what the window shows.
#
#   kestrel_xvfb_test.sh PATH/TO/kestrel
#
# Exit status 0 pass, 1 fail, 77 skipped (Xvfb, xdotool or ImageMagick's
# convert and import missing: Debian packages xvfb, xdotool, imagemagick, all
# installed by scripts/install-deps.sh).
set -euo pipefail

KESTREL=${1:?usage: kestrel_xvfb_test.sh PATH/TO/kestrel}
SKIP=77

for tool in Xvfb xdotool import convert; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: '$tool' is not installed (run scripts/install-deps.sh)"
    exit $SKIP
  fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/kestrel-xvfb.XXXXXX")
xvfb_pid=
kestrel_pid=
cleanup() {
  [ -n "$kestrel_pid" ] && kill "$kestrel_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -s "$work/kestrel.log" ] && { echo "--- kestrel's output:"; cat "$work/kestrel.log"; }
  exit 1
}

# Four shots, oldest first: red 0001, green 0002, blue 0003, yellow 0004. The
# names run against the times, so the order must come from the times.
mkdir "$work/shots"
order=0
for shot in D0001:red C0002:lime B0003:blue A0004:yellow; do
  path="$work/shots/${shot%%:*}.gif"
  convert -size 64x48 "xc:${shot#*:}" "$path"
  touch -d "@$((1600000000 + 1000 * order))" "$path"
  order=$((order + 1))
done

# shellcheck source=../../scripts/xvfb.sh
source "$(dirname "$0")/../../scripts/xvfb.sh"

unset WAYLAND_DISPLAY
export QT_QPA_PLATFORM=xcb
# The recent-file list goes to the test's folder, not the user's settings.
export XDG_CONFIG_HOME="$work/config"

# Starts a server and kestrel on it and waits for the main window. A client
# library that cannot reach a server the probe just reached is the machine's
# trouble, not kestrel's: that start is retried on a fresh server, and after
# three such starts the test is skipped, saying why.
window=
for attempt in 1 2 3; do
  if ! start_xvfb 1024x768 "$work/xvfb.log"; then
    echo "attempt $attempt: Xvfb on $DISPLAY did not answer"
    stop_xvfb
    sleep 0.5
    continue
  fi
  "$KESTREL" --no-splash "$work/shots" >"$work/kestrel.log" 2>&1 &
  kestrel_pid=$!
  for _ in $(seq 150); do
    window=$(xdotool search --onlyvisible --name '^ORVANE, INC\. - KESTREL$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] && break
    kill -0 "$kestrel_pid" 2>/dev/null || break
    sleep 0.1
  done
  [ -n "$window" ] && break
  kill -0 "$kestrel_pid" 2>/dev/null && fail "the main window did not appear"
  wait "$kestrel_pid" 2>/dev/null || true
  kestrel_pid=
  grep -q "could not connect to display" "$work/kestrel.log" || fail "kestrel exited before its window appeared"
  echo "attempt $attempt: kestrel could not connect to $DISPLAY; trying a fresh server"
  stop_xvfb
done
if [ -z "$window" ]; then
  [ -s "$work/xvfb.log" ] && cat "$work/xvfb.log"
  [ -s "$work/kestrel.log" ] && cat "$work/kestrel.log"
  echo "SKIP: no X server started here could be reached by Qt's xcb client"
  exit $SKIP
fi
# No window manager: give the window the keyboard focus directly.
xdotool windowfocus --sync "$window"

# Which shot colour the window shows: the colour of the pixel a quarter of
# the way into the window from its bottom right corner (inside the view,
# which shows the shot fitted to it), as red, green, blue, yellow or other.
shown_colour() {
  local X Y WIDTH HEIGHT pixel
  eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  import -window root "$work/screen.png" 2>/dev/null || { echo other; return; }
  pixel=$(convert "$work/screen.png" -format "%[fx:int(255*p{$((X + WIDTH * 3 / 4)),$((Y + HEIGHT * 3 / 4))}.r)],%[fx:int(255*p{$((X + WIDTH * 3 / 4)),$((Y + HEIGHT * 3 / 4))}.g)],%[fx:int(255*p{$((X + WIDTH * 3 / 4)),$((Y + HEIGHT * 3 / 4))}.b)]" info: 2>/dev/null || echo none)
  case "$pixel" in
    255,0,0) echo red ;;
    0,255,0) echo green ;;
    0,0,255) echo blue ;;
    255,255,0) echo yellow ;;
    *) echo "other($pixel)" ;;
  esac
}

# Waits up to 10 seconds for the screen to show colour.
expect_colour() {
  local want=$1 step=$2 got=
  for _ in $(seq 50); do
    got=$(shown_colour)
    [ "$got" = "$want" ] && { echo "ok: $step shows $want"; return 0; }
    sleep 0.2
  done
  fail "$step: expected $want on the screen, saw $got"
}

press() {
  xdotool key --window "$window" --clearmodifiers "$1" 2>/dev/null || xdotool key "$1"
}

expect_colour red "start-up (the oldest shot)"
xdotool key Right
expect_colour green "Right (next)"
xdotool key End
expect_colour yellow "End (last)"
xdotool key space
# Playing: the next tick wraps from the last shot to the first.
expect_colour red "Space (play, wrapping to the first)"
xdotool key space
sleep 0.3
stopped=$(shown_colour)
sleep 2.5
[ "$(shown_colour)" = "$stopped" ] || fail "Space (stop): the shots kept changing"
echo "ok: Space (stop) holds $stopped"
kill -0 "$kestrel_pid" 2>/dev/null || fail "kestrel died"
echo "PASS"

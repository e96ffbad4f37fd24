#!/usr/bin/env bash
# The media-player interface as the desktop sees it: under a private session
# bus, playerctl drives and reads a running Kestrel.
#   mpris_playerctl_test.sh KESTREL
set -u
kestrel=$1
for tool in dbus-run-session playerctl; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is missing (scripts/install-deps.sh installs it)"
    exit 77
  fi
done
if [ -z "${KESTREL_IN_SESSION_BUS:-}" ]; then
  KESTREL_IN_SESSION_BUS=1 exec dbus-run-session -- "$0" "$@"
fi

dir=$(mktemp -d)
pid=
cleanup() { [ -n "$pid" ] && kill "$pid" 2>/dev/null; wait 2>/dev/null; rm -rf "$dir"; }
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Three 1x1 GIFs, numbered 1, 2 and 3, oldest first.
for n in 1 2 3; do
  printf 'GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\xff\xff\x00\x00\x00,\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02D\x01\x00;' \
    >"$dir/shot000$n.gif"
  touch -d "2024-01-01 00:00:0$n" "$dir/shot000$n.gif"
done

QT_QPA_PLATFORM=offscreen "$kestrel" --no-splash "$dir" &
pid=$!
player() { playerctl --player=kestrel "$@" 2>/dev/null; }
for _ in $(seq 100); do
  [ "$(player status)" != "" ] && break
  sleep 0.1
done
[ "$(player metadata xesam:trackNumber)" = "1" ] || fail "the first shot is not shown: $(player metadata)"
[ "$(player status)" = "Stopped" ] || fail "status is not Stopped"
player next
[ "$(player metadata xesam:trackNumber)" = "2" ] || fail "next did not show shot 2"
[ "$(player metadata xesam:title)" = "shot0002.gif" ] || fail "the title is not the file name"
player play
[ "$(player status)" = "Playing" ] || fail "play did not start playing"
player play-pause
[ "$(player status)" = "Stopped" ] || fail "play-pause did not stop"
player play
player stop
[ "$(player status)" = "Stopped" ] || fail "stop did not stop"

# A second Kestrel takes the name with an instance suffix.
QT_QPA_PLATFORM=offscreen "$kestrel" --no-splash "$dir" &
second=$!
for _ in $(seq 100); do
  playerctl -l 2>/dev/null | grep -q "^kestrel\.instance$second\$" && break
  sleep 0.1
done
playerctl -l 2>/dev/null | grep -q "^kestrel\.instance$second\$" || { kill "$second"; fail "no kestrel.instance$second: $(playerctl -l)"; }
kill "$second"
echo "playerctl drives and reads Kestrel"

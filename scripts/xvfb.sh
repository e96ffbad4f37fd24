# Sourced by the scripts that play in a real X window: start_xvfb SIZE LOG
# starts a virtual X server of SIZE (1920x1080) on a display of its own,
# numbered at random far above the usual ones (a machine's own X server and
# the servers of other runs sit on the low numbers), sets xvfb_pid and
# DISPLAY, and waits until it answers; false when it does not start.
# stop_xvfb ends it.
xvfb_pid=

start_xvfb() {
  local size=$1 log=$2 number
  for _ in $(seq 20); do
    number=$((200 + RANDOM % 3000))
    [ -e "/tmp/.X$number-lock" ] || [ -e "/tmp/.X11-unix/X$number" ] || break
  done
  Xvfb ":$number" -screen 0 "${size}x24" -nolisten tcp >"$log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$number"
  for _ in $(seq 100); do
    if command -v xdpyinfo >/dev/null 2>&1; then
      xdpyinfo >/dev/null 2>&1 && return 0
    else
      xdotool getdisplaygeometry >/dev/null 2>&1 && return 0
    fi
    kill -0 "$xvfb_pid" 2>/dev/null || return 1
    sleep 0.1
  done
  return 1
}

stop_xvfb() {
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && wait "$xvfb_pid" 2>/dev/null || true
  xvfb_pid=
}

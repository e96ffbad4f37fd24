#!/usr/bin/env bash
# Builds Kestrel and shows it working on a demo shot directory: the viewer
# on the screen where there is a display, otherwise two screenshots of it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kestrel kestrel_make_demo

# A fresh demo shot directory, last-write times in shot order.
demo=build/demo-shots
rm -rf "$demo"
build/tools/kestrel_make_demo "$demo" 12

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "Starting Kestrel on $demo"
  echo "Keys: Right/Left next/previous, Home/End first/last, Space play/stop;"
  echo "type a shot number in the toolbar box and press Enter to jump there."
  exec build/app/kestrel "$demo"
fi

echo "There is no display here (DISPLAY is not set), so Kestrel cannot open its"
echo "window. It draws the window off screen instead:"
for shot in 1 7; do
  picture=build/demo-shot$shot.png
  if ! status=$(build/app/kestrel --shot "$shot" --screenshot "$picture" --print-status "$demo" 2>build/demo.log); then
    cat build/demo.log >&2
    exit 1
  fi
  # The status line is the shot-number box, a tab, and the status box.
  printf '  %s  shot box "%s", status "%s"\n' "$picture" "${status%%$'\t'*}" "${status#*$'\t'}"
done

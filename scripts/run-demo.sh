#!/usr/bin/env bash
# Builds Kestrel and shows it working on a demo shot directory.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target kestrel-convert kestrel_make_demo

# A fresh demo shot directory, last-write times in shot order.
demo=build/demo-shots
rm -rf "$demo"
build/tools/kestrel_make_demo "$demo" 12
echo "Demo shots in $demo:"
for shot in "$demo"/*.gif; do
  [ -e "$shot" ] || { echo "no demo shots yet"; break; }
  printf '%s: ' "$(basename "$shot")"
  build/tools/kestrel-convert --info "$shot"
done

#!/usr/bin/env bash
# Writes the usage, option and key sections of doc/kestrel.1 and
# doc/manual.html anew from the option and command tables (the blocks
# between the "BEGIN GENERATED" and "END GENERATED" lines; the prose around
# them is written by hand), then checks that the manual page renders without
# a warning and that the HTML manual's tags close in order.
#
#   scripts/update-docs.sh [BUILD_DIR]     (build/ by default)
#
# Run it after changing a row of app/options/option_table.cpp or
# app/commands/command_table.cpp; the test suite fails until the documents
# say what the tables say.
set -euo pipefail

ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build}
DOCS=("$ROOT/doc/kestrel.1" "$ROOT/doc/manual.html")

if [ ! -f "$BUILD/CMakeCache.txt" ]; then
  cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
fi
cmake --build "$BUILD" --target kestrel_docgen
"$BUILD/tools/kestrel_docgen" "${DOCS[@]}"

if command -v groff >/dev/null 2>&1; then
  warnings=$(groff -man -ww -z "$ROOT/doc/kestrel.1" 2>&1)
  if [ -n "$warnings" ]; then
    printf 'doc/kestrel.1 renders with warnings:\n%s\n' "$warnings" >&2
    exit 1
  fi
else
  echo "groff is not installed: doc/kestrel.1 not rendered" >&2
fi

python3 - "$ROOT/doc/manual.html" <<'PY'
import sys
from html.parser import HTMLParser

VOID = {"area", "base", "br", "col", "embed", "hr", "img", "input", "link", "meta", "source", "track", "wbr"}

class Balance(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=False)
        self.open, self.problems = [], []

    def handle_starttag(self, tag, attrs):
        if tag not in VOID:
            self.open.append((tag, self.getpos()[0]))

    def handle_endtag(self, tag):
        if not self.open or self.open[-1][0] != tag:
            self.problems.append(f"line {self.getpos()[0]}: </{tag}> closes {self.open[-1] if self.open else 'nothing'}")
        else:
            self.open.pop()

    def handle_entityref(self, name):
        if name not in {"amp", "lt", "gt", "quot", "nbsp", "times", "ldquo", "rdquo", "mdash", "hellip"}:
            self.problems.append(f"line {self.getpos()[0]}: unknown entity &{name};")

checker = Balance()
checker.feed(open(sys.argv[1], encoding="utf-8").read())
checker.close()
checker.problems += [f"<{tag}> of line {line} is never closed" for tag, line in checker.open]
if checker.problems:
    print("doc/manual.html is not well-formed:\n  " + "\n  ".join(checker.problems), file=sys.stderr)
    sys.exit(1)
PY

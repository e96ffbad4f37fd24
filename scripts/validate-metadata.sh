#!/usr/bin/env bash
# Checks the desktop entry with desktop-file-validate and the AppStream
# metadata with appstreamcli (no network). Exit status 77 (skipped) where
# neither tool is installed.
#
#   scripts/validate-metadata.sh DESKTOP_FILE METAINFO_FILE
set -uo pipefail

desktop=${1:?desktop entry}
metainfo=${2:?metainfo file}
checked=0
status=0

if command -v desktop-file-validate >/dev/null 2>&1; then
  echo "desktop-file-validate $desktop"
  desktop-file-validate "$desktop" || status=1
  checked=1
else
  echo "desktop-file-validate not installed (desktop-file-utils): not checked"
fi

if command -v appstreamcli >/dev/null 2>&1; then
  echo "appstreamcli validate --no-net $metainfo"
  appstreamcli validate --no-net "$metainfo" || status=1
  checked=1
else
  echo "appstreamcli not installed (appstream): not checked"
fi

[ "$checked" -eq 1 ] || exit 77
exit "$status"

#!/usr/bin/env bash
# Builds the Debian package of Kestrel in build-package/ and checks it:
# lintian (no errors allowed), desktop-file-validate on the desktop entry and
# appstreamcli on the AppStream metadata, both as the package installs them.
#
#   scripts/package.sh        (make package)
#
# The package is build-package/kestrel_<version>_<arch>.deb; install it with
#   apt install ./build-package/kestrel_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh --packaging

launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
# Debian's hardening flags, as a package build uses them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DKESTREL_BUILD_TESTS=OFF -DKESTREL_BUILD_BENCH=OFF "${launcher[@]}" \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake --build build-package
rm -f build-package/kestrel_*.deb
(cd build-package && cpack -G DEB)

deb=$(ls build-package/kestrel_*.deb)
echo "== $deb"
dpkg-deb --info "$deb"

echo "== lintian"
lintian --fail-on error --display-info "$deb"

echo "== desktop entry and AppStream metadata of the package"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
bash scripts/validate-metadata.sh "$unpacked/usr/share/applications/kestrel.desktop" \
  "$unpacked/usr/share/metainfo/com.orvane.Kestrel.metainfo.xml"
echo "== $deb is ready"

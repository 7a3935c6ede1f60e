#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and checks that every file a
# desktop needs is there. Arguments: build folder, this folder, 1 when the
# desktop program is built.
set -euo pipefail
build=$1; here=$2; gui=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

expected=(
  bin/vornex-cli
  bin/vornex-calc-sim
  lib/udev/rules.d/60-vornex-calculators.rules
  share/doc/Vornex/guide/index.html
  share/doc/Vornex/LICENSE
  share/applications/vornex.desktop
  share/mime/packages/vornex.xml
  share/icons/hicolor/scalable/apps/vornex.svg
)
for size in 16 32 48 64 128 256; do expected+=("share/icons/hicolor/${size}x${size}/apps/vornex.png"); done
[ "$gui" = 1 ] && expected+=(bin/vornex)

status=0
for f in "${expected[@]}"; do
  if [ ! -e "$prefix/$f" ]; then echo "missing after install: $f"; status=1; fi
done
for exe in bin/vornex-cli bin/vornex-calc-sim; do
  [ -x "$prefix/$exe" ] || { echo "not executable: $exe"; status=1; }
done
if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/share/applications/vornex.desktop" || status=1
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$prefix/share/mime/packages/vornex.xml" || status=1
fi
exit $status

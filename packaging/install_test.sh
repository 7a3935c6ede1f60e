#!/usr/bin/env bash
# Installs the build tree into a temporary prefix and checks that every file a
# desktop needs is there, that the desktop entry, the file types, the metadata and
# the manual pages pass their checkers (when installed), and that the desktop
# entry, the file types and the metadata name the same types.
# Arguments: build folder, this folder, 1 when the desktop program is built.
set -euo pipefail
build=$1; here=$2; gui=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
cmake --install "$build" --prefix "$prefix" >/dev/null

desktop=share/applications/org.vornex.Vornex.desktop
mime=share/mime/packages/vornex.xml
metainfo=share/metainfo/org.vornex.Vornex.metainfo.xml
expected=(
  bin/vornex-cli
  bin/vornex-calc-sim
  lib/udev/rules.d/60-vornex-calculators.rules
  share/doc/vornex/guide/index.html
  share/doc/vornex/LICENSE
  share/doc/vornex/README.md
  "$desktop" "$mime" "$metainfo"
  share/icons/hicolor/scalable/apps/vornex.svg
  share/man/man1/vornex.1.gz
  share/man/man1/vornex-cli.1.gz
  share/man/man1/vornex-calc-sim.1.gz
  share/bash-completion/completions/vornex-cli
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
[ $status = 0 ] || exit $status

if command -v desktop-file-validate >/dev/null; then
  desktop-file-validate "$prefix/$desktop" || status=1
fi
if command -v xmllint >/dev/null; then
  xmllint --noout "$prefix/$mime" || status=1
fi
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net --no-color "$prefix/$metainfo" >"$prefix/validate.log" 2>&1 ||
    { cat "$prefix/validate.log"; status=1; }
fi
# Manual pages: no warning of the formatter at the usual terminal width.
if command -v man >/dev/null; then
  for page in "$prefix"/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>&1 >/dev/null || echo "man failed")
    [ -z "$warnings" ] || { echo "$(basename "$page"): $warnings"; status=1; }
  done
fi

# The same file types everywhere: the desktop entry's, the defined ones, the metadata's.
from_desktop=$(sed -n 's/^MimeType=//p' "$prefix/$desktop" | tr ';' '\n' | sed '/^$/d' | sort)
defined=$(grep -o '<mime-type type="[^"]*"' "$prefix/$mime" | sed 's/.*type="//; s/"$//' | sort)
provided=$(grep -o '<mediatype>[^<]*' "$prefix/$metainfo" | sed 's/<mediatype>//' | sort)
[ -n "$from_desktop" ] && [ "$from_desktop" = "$defined" ] && [ "$defined" = "$provided" ] || {
  printf 'file types differ:\ndesktop entry: %s\nmime-info: %s\nmetadata: %s\n' $'\n'"$from_desktop" \
    $'\n'"$defined" $'\n'"$provided"; status=1; }
# The metadata launches the installed desktop entry.
grep -q "<launchable type=\"desktop-id\">$(basename "$desktop")</launchable>" "$prefix/$metainfo" ||
  { echo "the metadata does not launch $(basename "$desktop")"; status=1; }
exit $status

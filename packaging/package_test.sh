#!/usr/bin/env bash
# Builds the Debian package from this build and checks it: its name, its files
# against the install manifest, its dependencies (read from the binaries), stripped
# programs, the maintainer scripts, and the programs run from the unpacked tree.
# Arguments: the build folder, the package's version. Exit 77: no Debian tools.
set -euo pipefail
build=$(realpath "$1"); version=$2
for tool in dpkg-deb dpkg-shlibdeps cpack file; do
  command -v $tool >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() { echo "$*"; status=1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >"$work/cpack.log" 2>&1 || { cat "$work/cpack.log"; exit 1; }
deb=$work/out/vornex_${version}_$(dpkg --print-architecture).deb
[ -f "$deb" ] || { ls "$work/out"; fail "no package $deb"; exit 1; }

# The files: what `cmake --install` puts under the prefix, and the Debian
# documentation files.
cmake --install "$build" --prefix "$work/prefix/usr" >/dev/null
# (The manifest's last line has no newline.)
{ sed "s|^$work/prefix/||" "$build/install_manifest.txt"; echo
  printf '%s\n' usr/share/doc/vornex/copyright usr/share/doc/vornex/changelog.Debian.gz; } |
  sed '/^$/d' | LC_ALL=C sort >"$work/expected"
dpkg-deb --fsys-tarfile "$deb" | tar -t | grep -v '/$' | sed 's|^\./||' | LC_ALL=C sort >"$work/packaged"
diff -u "$work/expected" "$work/packaged" || fail "the package's files differ from the install manifest"

control() { dpkg-deb --field "$deb" "$1"; }
[ "$(control Package)" = vornex ] || fail "Package: $(control Package)"
[ "$(control Version)" = "$version" ] || fail "Version: $(control Version)"
[ "$(control Section)" = science ] || fail "Section: $(control Section)"
[ "$(control Maintainer)" = "Vornex developers <dev@vornex.example.org>" ] || fail "Maintainer: $(control Maintainer)"
depends=$(control Depends)
names=$(sed 's/, */\n/g' <<<"$depends" | cut -d' ' -f1)
for lib in libqt6core6 libqt6gui6 libqt6widgets6 libusb-1.0-0 libc6 libstdc++6; do
  grep -qxF "$lib" <<<"$names" || fail "Depends lacks $lib: $depends"
done

mkdir "$work/root" "$work/control"
dpkg-deb -x "$deb" "$work/root"
dpkg-deb -e "$deb" "$work/control"
for program in "$work"/root/usr/bin/*; do
  file -b "$program" | grep -q ', stripped' || fail "not stripped: $(basename "$program")"
done
for script in postinst postrm; do
  [ -x "$work/control/$script" ] || fail "no executable $script"
  sh -n "$work/control/$script" || fail "$script is not a valid shell script"
done
# Without udev (no /run/udev, or no udevadm) the scripts do nothing and succeed.
env PATH=/nonexistent /bin/sh "$work/control/postinst" configure || fail "postinst fails without udevadm"
env PATH=/nonexistent /bin/sh "$work/control/postrm" remove || fail "postrm fails without udevadm"
gzip -t "$work/root/usr/share/doc/vornex/changelog.Debian.gz" || fail "changelog.Debian.gz is no gzip file"
zcat "$work/root/usr/share/doc/vornex/changelog.Debian.gz" | head -1 | grep -q "^vornex ($version) " ||
  fail "the changelog's first entry is not version $version"

# No lintian error (warnings are listed in the log).
if command -v lintian >/dev/null; then
  lint=0
  lintian --fail-on error "$deb" >"$work/lintian.log" 2>&1 || lint=$?
  grep -v 'running with root privileges' "$work/lintian.log" || true
  [ $lint = 0 ] || fail "lintian reports errors"
fi

# The unpacked programs run as installed ones do (LD_LIBRARY_PATH untouched).
upstream=${version%-*}
[ "$("$work/root/usr/bin/vornex-cli" --version)" = "vornex-cli $upstream" ] || fail "vornex-cli --version"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$work/root/usr/bin/vornex" --version)" = "vornex $upstream" ] ||
  fail "vornex --version"
exit $status

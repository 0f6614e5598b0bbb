#!/usr/bin/env bash
# Builds the Debian package from the build tree and checks it: the program, the converter
# beside it, the menu entry, the icon and the metadata are in it, its dependencies were
# computed from the binaries, and the two desktop validators accept the installed files.
#   packagecheck.sh <build dir>
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cpack --config "$build/CPackConfig.cmake" -G DEB -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/*.deb)
dpkg-deb -x "$deb" "$work/root"
fail=0
for f in usr/bin/zarnich-quorvel usr/bin/Qtmingw.dll usr/bin/zq-extract \
         usr/share/applications/org.zarnichquorvel.ZarnichQuorvel.desktop \
         usr/share/metainfo/org.zarnichquorvel.ZarnichQuorvel.metainfo.xml \
         usr/share/icons/hicolor/128x128/apps/zarnich-quorvel.png; do
  [ -f "$work/root/$f" ] || { echo "missing from the package: /$f"; fail=1; }
done
depends=$(dpkg-deb -f "$deb" Depends)
for lib in libqt6widgets6 libpoppler-qt6 libtesseract; do
  grep -q "$lib" <<<"$depends" || { echo "Depends lacks $lib: $depends"; fail=1; }
done
desktop-file-validate "$work/root/usr/share/applications/org.zarnichquorvel.ZarnichQuorvel.desktop" || fail=1
appstreamcli validate --no-net "$work/root/usr/share/metainfo/org.zarnichquorvel.ZarnichQuorvel.metainfo.xml" || fail=1
[ $fail -eq 0 ] && echo "$(basename "$deb"): Depends: $depends"
exit $fail

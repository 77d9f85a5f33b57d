#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop sees of it: the
# desktop entry, the AppStream metadata, the icons and the programs.
set -euo pipefail
build="$1"
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

cmake --install "$build" --prefix "$prefix" >/dev/null

app_id=app.vidorra.Vidorra
desktop="$prefix/share/applications/$app_id.desktop"
metainfo="$prefix/share/metainfo/$app_id.metainfo.xml"

desktop-file-validate "$desktop"
appstreamcli validate --no-net --pedantic "$metainfo"

grep -q '^Exec=vidorra %F$' "$desktop"
for type in video/mp4 video/quicktime inode/directory; do
  grep -q "^MimeType=.*$type;" "$desktop" || { echo "desktop entry lacks $type"; exit 1; }
done

test -s "$prefix/share/icons/hicolor/scalable/apps/$app_id.svg"
for size in 16 32 48 64 128 256 512; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$app_id.png"
  test -s "$png" || { echo "missing icon $png"; exit 1; }
done

for program in vidorra vidorra-probe; do
  test -x "$prefix/bin/$program" || { echo "missing $prefix/bin/$program"; exit 1; }
done
echo "install layout ok"

#!/bin/sh
# Installs the build into a scratch root and checks what a desktop needs from it: the program,
# the desktop entry and the AppStream metainfo (both as their validators see them, and naming the
# same id), and the icon in every size, each PNG as large as its folder says.
# Usage: check-install.sh CMAKE BUILD_DIR
set -eu
cmake=$1
build=$2
id=example.brackwell.Norvale
sizes="16 22 24 32 48 64 128 256 512"

for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "$tool is missing (scripts/bootstrap installs it)"; exit 1; }
done

stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" "$cmake" --install "$build" --prefix /usr >/dev/null
root="$stage/usr"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

expected="bin/Norvale share/applications/$id.desktop share/metainfo/$id.metainfo.xml
share/icons/hicolor/scalable/apps/$id.svg"
for size in $sizes; do
    expected="$expected share/icons/hicolor/${size}x${size}/apps/$id.png"
done
for file in $expected; do
    [ -f "$root/$file" ] || fail "not installed: /usr/$file"
done
[ -x "$root/bin/Norvale" ] || fail "/usr/bin/Norvale is not executable"

desktop="$root/share/applications/$id.desktop"
metainfo="$root/share/metainfo/$id.metainfo.xml"
desktop-file-validate "$desktop" || fail "desktop-file-validate refused $id.desktop"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli refused $id.metainfo.xml"

entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Exec)" = "Norvale %f" ] || fail "Exec is '$(entry Exec)'"
[ "$(entry Icon)" = "$id" ] || fail "Icon is '$(entry Icon)', the icon files are named $id"
[ "$(entry Categories)" = "AudioVideo;Video;Player;TV;" ] || fail "Categories is '$(entry Categories)'"
[ "$(entry MimeType)" = "audio/x-mpegurl;audio/mpegurl;application/vnd.apple.mpegurl;" ] ||
    fail "MimeType is '$(entry MimeType)'"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"
grep -q "<id>$id</id>" "$metainfo" || fail "the metainfo's id is not $id"

# A PNG's width and height are the big-endian words at bytes 16 and 20.
for size in $sizes; do
    png="$root/share/icons/hicolor/${size}x${size}/apps/$id.png"
    [ -f "$png" ] || continue
    signature=$(od -An -tx1 -N8 "$png" | tr -d ' \n')
    [ "$signature" = "89504e470d0a1a0a" ] || { fail "$png is not a PNG"; continue; }
    width=$(od -An -tu4 --endian=big -j16 -N4 "$png" | tr -d ' ')
    height=$(od -An -tu4 --endian=big -j20 -N4 "$png" | tr -d ' ')
    [ "$width" = "$size" ] && [ "$height" = "$size" ] || fail "$png is ${width}x${height}"
done

exit $failed
